#pragma once

// What the client keeps between runs: the last host it connected to successfully, the last
// player name used, the ticket to come back to a server after a lost connection, and the
// sound's mute and volume, in QSettings' standard place for "Quorvex"/"quorvex-client".
// Nothing else.

#include <optional>
#include <string>

#include "client/link/server_link.h"

namespace quorvex::client {

struct RememberedChoices {
    std::string host;
    std::string name;
};

// The stored choices, the prompts' defaults ("127.0.0.1", "Myself") where there are none.
RememberedChoices LoadRememberedChoices();
void RememberHost(const std::string& host);
void RememberName(const std::string& name);
// The ticket to come back to `server` ("host:port") as the player who had it, kept for a
// client started again within the server's grace; none clears it.
std::optional<StoredTicket> LoadTicket(const std::string& server);
void SaveTicket(const std::string& server, const std::optional<StoredTicket>& ticket);

struct RememberedSound {
    bool muted = false;
    int volume = 7;  // 0 to 10
};

// The stored mute and volume; sound on at 7 where there are none, a stored volume out of range
// brought into it.
RememberedSound LoadRememberedSound();
void RememberSound(const RememberedSound& sound);

// Start-up that pre-fills the prompts with the stored choices and stores what is typed.
StartOptions RememberingStartOptions();

}  // namespace quorvex::client
