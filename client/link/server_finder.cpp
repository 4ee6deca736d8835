#include "client/link/server_finder.h"

#include <QTimer>

#include "protocol/session/limits.h"

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

std::string RoundTrip(std::int64_t us) {
    return us < 1000 ? "<1 ms" : std::to_string(us / 1000) + " ms";
}

}  // namespace

std::string ServerLine(const ListedServer& server) {
    // What tells servers apart comes first, so that it shows however narrow the list is.
    const auto& r = server.reply;
    std::string line = server.connectAddress;
    if (r.port != session::kDefaultPort) {
        line += " port " + std::to_string(r.port);
    }
    line += " (" + r.hostName + "): " + std::to_string(r.players) + "/" +
            std::to_string(r.maxPlayers) + " players, " + GameTypeName(r.gameType) +
            ", miss limit " + r.missLimit + ", " + RoundTrip(server.roundTripUs) + " - " +
            r.sessionName;
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
      list_(port),
      browser_(std::make_unique<session::DiscoveryBrowser>(std::move(targets), port)) {
    clock_.start();
    browser_->SetHeardCallback([this](const session::HeardReply& heard) {
        if (list_.Add(heard, clock_.elapsed())) {
            Changed();
        }
    });
    browser_->SetAskedCallback([this] {
        if (list_.Expire(clock_.elapsed())) {
            Changed();
        }
    });
}

ServerFinder::~ServerFinder() = default;

void ServerFinder::Open(std::function<void()> changed) {
    changed_ = std::move(changed);
    list_.Expire(clock_.elapsed());
    // The empty line changes its words once the first answers are overdue.
    patience_ = std::make_unique<QTimer>();
    patience_->setSingleShot(true);
    QObject::connect(patience_.get(), &QTimer::timeout, [this] { Changed(); });
    patience_->start(kServerFinderPatienceMs);
    redraw_ = std::make_unique<QTimer>();
    redraw_->setSingleShot(true);
    redraw_->setInterval(kServerFinderRedrawMs);
    QObject::connect(redraw_.get(), &QTimer::timeout, [this] {
        if (changed_) {
            changed_();
        }
    });
    browser_->Start();
}

void ServerFinder::Close() {
    browser_->Stop();
    changed_ = nullptr;
    patience_.reset();
    redraw_.reset();
}

void ServerFinder::Changed() {
    // A flood of answers is shown once per redraw, not once per answer.
    if (redraw_ && !redraw_->isActive()) {
        redraw_->start();
    }
}

std::vector<Choice> ServerFinder::Choices() const {
    std::vector<Choice> choices;
    for (const auto& server : list_.Servers()) {
        choices.push_back({ServerLine(server), server.connectAddress, server.reply.port});
    }
    return choices;
}

std::string ServerFinder::EmptyText() const {
    // Looking until the patience timer has run out: it is what tells the prompt to look again.
    return patience_ && !patience_->isActive() ? NothingFoundText(port_) : kLookingText;
}

}  // namespace quorvex::client
