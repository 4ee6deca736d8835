#pragma once

// An Outbox that keeps every message it is given, and refuses them while told to; and the
// codec's bytes of a message, for building and comparing what is sent.

#include <vector>

#include "protocol/messages.h"
#include "protocol/outbox.h"

namespace quorvex::test {

template <class M>
Buffer Bytes(const M& message) {
    return msg::Encode(message).value();
}

// Every message of type M among `messages`, in order.
template <class M>
std::vector<M> AllOf(const std::vector<Buffer>& messages) {
    std::vector<M> found;
    for (const auto& bytes : messages)
        if (auto m = msg::Decode<M>(bytes))
            found.push_back(std::move(*m));
    return found;
}

struct RecordingOutbox : Outbox {
    bool Send(const Buffer& message) override {
        if (refuse) {
            ++refused;
            return false;
        }
        sent.push_back(message);
        return true;
    }
    template <class M>
    std::vector<M> All() const {
        return AllOf<M>(sent);
    }

    std::vector<Buffer> sent;
    bool refuse = false;
    int refused = 0;
};

}  // namespace quorvex::test
