#pragma once

// Who gets through the server's door, rule by rule: places for connections still shaking
// hands, bans, joins per address, password guesses. Plain C++ with the clock passed in; the
// session asks it at each step of the handshake and does what the decision says. Its log
// lines come summarised, at most one a second per cause with the count since the last.

#include <cstdint>
#include <optional>
#include <string>

#include "protocol/session/address_key.h"
#include "protocol/session/address_rate.h"
#include "protocol/session/ban_list.h"
#include "protocol/session/frame.h"
#include "protocol/session/half_open.h"
#include "protocol/session/limits.h"
#include "protocol/session/password_lockout.h"
#include "protocol/session/rate_budget.h"

namespace quorvex::session {

class Admission {
  public:
    explicit Admission(const Limits& limits);

    // Refused: send the refusal, then close. `notice`: a line for the host's log, when due.
    struct Decision {
        std::optional<Refusal> refusal;
        std::string notice;
    };
    struct Opened {
        HalfOpenSlot slot;  // held while the connection shakes hands; Release it at Welcome
        Decision decision;
    };

    // A connection from `key` was accepted.
    Opened Connected(const AddressKey& key, std::int64_t nowMs);
    // Its Hello was read and names `name`: a ban refuses it, and so does its address's join
    // rate (asked here, counted at Joining) and, when the server asks for a password, a
    // lockout of its address. `wallMs` is the wall clock the bans are kept in.
    Decision Greeted(const AddressKey& key, const std::string& name, bool passwordAsked,
                     std::int64_t nowMs, std::int64_t wallMs);
    // An Answer came: it is not even checked while its address is locked out.
    Decision Answering(const AddressKey& key, std::int64_t nowMs);
    // It was checked: a wrong one is refused, as a lockout when it starts one.
    Decision Answered(const AddressKey& key, bool right, std::int64_t nowMs);
    // A Hello that comes back with a resume token from `name`: a ban refuses it, and so does a
    // lockout of its address (the token is not even looked at then). Joins are not counted: a
    // player coming back adds nobody to the list.
    Decision Resuming(const AddressKey& key, const std::string& name, std::int64_t nowMs,
                      std::int64_t wallMs);
    // Its token was refused for `why`: it counts as a wrong password does.
    Decision ResumeRefused(const AddressKey& key, const std::string& why, std::int64_t nowMs);
    // About to be welcomed: the join counts against its address's rate, or is refused.
    Decision Joining(const AddressKey& key, std::int64_t nowMs);

    BanList& Bans() { return bans_; }
    const BanList& Bans() const { return bans_; }

  private:
    // A cause's log line when one is due: `what(count)` says what was done `count` times.
    template <typename What>
    static std::string Due(DropTally& tally, std::int64_t nowMs, const AddressKey& key, What what);

    Decision TooManyJoins(const AddressKey& key, std::int64_t waitMs, std::int64_t nowMs);

    Limits limits_;
    HalfOpenCount halfOpen_;
    AddressRate joins_;
    PasswordLockout lockout_;
    BanList bans_;
    DropTally crowded_, addressFull_, banned_, tooManyJoins_, wrongPassword_, lockedOut_,
        wrongToken_, lockoutsStarted_;
};

}  // namespace quorvex::session
