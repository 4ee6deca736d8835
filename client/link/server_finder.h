#pragma once

// The host prompt's list: the servers LAN discovery finds while the prompt is open, each
// offered by the address and port to connect to.

#include <QElapsedTimer>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "client/link/server_list.h"
#include "protocol/session/discovery.h"
#include "protocol/session/discovery_browser.h"
#include "ui/prompter.h"

class QTimer;

namespace quorvex::client {

// How long the list may stay empty before the prompt says why that may be.
inline constexpr int kServerFinderPatienceMs = 1500;
// The list is shown again at most this often, however fast answers come.
inline constexpr int kServerFinderRedrawMs = 100;
inline constexpr char kLookingText[] = "Looking for servers on the local network...";

// One line of the list, e.g. "192.168.1.5 (hal): 2/10 players, Points, miss limit 5, 3 ms -
// First VuvovuDUduz App (Messaging Program)"; the port follows the address when it is not the
// usual one.
std::string ServerLine(const ListedServer& server);
// Why nothing was found, naming the UDP port a firewall must let through.
std::string NothingFoundText(std::uint16_t port);

class ServerFinder : public ChoiceSource {
  public:
    explicit ServerFinder(session::DiscoveryBrowser::Targets targets,
                          std::uint16_t port = session::kDiscoveryPort);
    ~ServerFinder() override;

    void Open(std::function<void()> changed) override;
    void Close() override;
    std::vector<Choice> Choices() const override;
    std::string EmptyText() const override;
    const ServerList& List() const { return list_; }

  private:
    void Changed();

    std::uint16_t port_;
    ServerList list_;
    // Runs on across openings of the prompt, so that a server silent while it was closed has
    // gone when it opens again.
    QElapsedTimer clock_;
    std::unique_ptr<session::DiscoveryBrowser> browser_;
    std::unique_ptr<QTimer> patience_;
    std::unique_ptr<QTimer> redraw_;
    std::function<void()> changed_;
};

}  // namespace quorvex::client
