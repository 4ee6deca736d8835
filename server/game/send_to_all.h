#pragma once

#include "protocol/messages.h"
#include "protocol/outbox.h"

namespace quorvex::server {

// Every server message goes to all players. False when the message cannot be written or the
// outbox refuses it; the caller stops there.
template <class Message>
bool SendToAll(Outbox& outbox, const Message& message) {
    const auto bytes = msg::Encode(message);
    return bytes && outbox.Send(*bytes);
}

}  // namespace quorvex::server
