#pragma once

// Picking the messages of one type out of what a player or an outbox kept.

#include <vector>

#include "protocol/messages.h"

namespace quorvex::kit {

// Every message of type M among `messages`, in order.
template <class M>
std::vector<M> AllOf(const std::vector<Buffer>& messages) {
    std::vector<M> found;
    for (const auto& bytes : messages)
        if (auto m = msg::Decode<M>(bytes))
            found.push_back(std::move(*m));
    return found;
}

}  // namespace quorvex::kit
