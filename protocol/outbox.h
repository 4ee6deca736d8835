#pragma once

#include "protocol/buffer.h"

namespace quorvex {

// Where game rules put the messages they send: the server's outbox reaches every player, the
// client's reaches the server. A false result means the send was refused; the operation that
// sent stops there, keeping what it changed before.
class Outbox {
  public:
    virtual ~Outbox() = default;
    virtual bool Send(const Buffer& message) = 0;
};

}  // namespace quorvex
