#pragma once

// The host prompt's list: the servers LAN discovery finds while the prompt is open, each
// offered by the address to connect to.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "protocol/session/discovery.h"
#include "protocol/session/discovery_browser.h"
#include "ui/prompter.h"

namespace quorvex::client {

// How long the list may stay empty before the prompt says why that may be.
inline constexpr int kServerFinderPatienceMs = 1500;
inline constexpr char kLookingText[] = "Looking for servers on the local network...";

// One line of the list, e.g. "192.168.1.5 (hal): 2/10 players, Points, miss limit 5 - First
// VuvovuDUduz App (Messaging Program)".
std::string ServerLine(const session::FoundServer& server);
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

  private:
    std::uint16_t port_;
    std::unique_ptr<session::DiscoveryBrowser> browser_;
    std::unique_ptr<QTimer> patience_;
};

}  // namespace quorvex::client
