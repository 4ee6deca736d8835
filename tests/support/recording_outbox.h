#pragma once

// An Outbox that keeps every message it is given, and refuses them while told to; and the
// codec's bytes of a message, for building and comparing what is sent.

#include <vector>

#include "kit/all_of.h"
#include "protocol/messages.h"
#include "protocol/outbox.h"

namespace quorvex::test {

using kit::AllOf;

template <class M>
Buffer Bytes(const M& message) {
    return msg::Encode(message).value();
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
