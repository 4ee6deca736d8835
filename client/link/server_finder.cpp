#include "client/link/server_finder.h"

#include <QTimer>

namespace quorvex::client {
namespace {

const char* GameTypeName(std::uint8_t type) {
    switch (type) {
        case 1:
            return "Points";
        case 2:
            return "Survivor";
        default:
            return "Free 4 All";
    }
}

}  // namespace

std::string ServerLine(const session::FoundServer& server) {
    // What tells servers apart comes first, so that it shows however narrow the list is.
    const auto& r = server.reply;
    std::string line = server.connectAddress + " (" + r.hostName +
                       "): " + std::to_string(r.players) + "/" + std::to_string(r.maxPlayers) +
                       " players, " + GameTypeName(r.gameType) + ", miss limit " + r.missLimit +
                       " - " + r.sessionName;
    if (r.version != QUORVEX_VERSION) {
        line += " (version " + r.version + ")";
    }
    return line;
}

std::string NothingFoundText(std::uint16_t port) {
    return "No server found yet. Is the server started? A firewall may block UDP port " +
           std::to_string(port) + ". You can still type an address.";
}

ServerFinder::ServerFinder(session::DiscoveryBrowser::Targets targets, std::uint16_t port)
    : port_(port),
      browser_(std::make_unique<session::DiscoveryBrowser>(std::move(targets), port)) {}

ServerFinder::~ServerFinder() = default;

void ServerFinder::Open(std::function<void()> changed) {
    browser_->SetChangedCallback(changed);
    // The empty line changes its words once the first answers are overdue.
    patience_ = std::make_unique<QTimer>();
    patience_->setSingleShot(true);
    QObject::connect(patience_.get(), &QTimer::timeout, std::move(changed));
    patience_->start(kServerFinderPatienceMs);
    browser_->Start();
}

void ServerFinder::Close() {
    browser_->Stop();
    browser_->SetChangedCallback(nullptr);
    patience_.reset();
}

std::vector<Choice> ServerFinder::Choices() const {
    std::vector<Choice> choices;
    for (const auto& server : browser_->Servers()) {
        choices.push_back({ServerLine(server), server.connectAddress});
    }
    return choices;
}

std::string ServerFinder::EmptyText() const {
    // Looking until the patience timer has run out: it is what tells the prompt to look again.
    return patience_ && !patience_->isActive() ? NothingFoundText(port_) : kLookingText;
}

}  // namespace quorvex::client
