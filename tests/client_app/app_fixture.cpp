#include "tests/client_app/app_fixture.h"

#include <QPlainTextEdit>

#include "client/state/client_texts.h"
#include "tests/support/wait.h"

namespace quorvex::test {

TestServer::TestServer(std::int32_t maxPlayers) : hostError(host.Host(maxPlayers, 0)) {}

std::vector<std::string> TestServer::SeatNames() {
    std::vector<std::string> names;
    for (const auto& row : Game().Seats())
        names.push_back(row.playerName);
    return names;
}

TestClient::TestClient(std::int32_t port, Answers answers,
                       std::optional<client::StartOptions> options)
    : prompter(std::move(answers)), player(prompter, port), window(player) {
    if (options)
        player.Link().SetStartOptions(*options);
    player.Link().SetEndCallback([this](int code) { exitCodes.push_back(code); });
    window.Start();
}

std::unique_ptr<TestClient> TestClient::Named(std::int32_t port, const std::string& name) {
    return std::make_unique<TestClient>(port, Answers{"127.0.0.1", name});
}

std::string TestClient::ChatText() const {
    return window.txtChat->toPlainText().toStdString();
}

bool TestClient::WaitSeated(int timeoutMs) {
    const auto seated = [this] {
        return Contains(ChatText(), client::kConnectedNotice) && State().PlayerID() >= 0;
    };
    return WaitUntil(seated, timeoutMs);
}

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

}  // namespace quorvex::test
