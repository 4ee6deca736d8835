#include "protocol/session/admission.h"

#include "protocol/session/refusals.h"

namespace quorvex::session {
namespace {

// "a connection" once, "5 connections" for several.
std::string Counted(std::int64_t count, const char* one, const char* many) {
    return count == 1 ? std::string(one) : std::to_string(count) + " " + many;
}

LockoutRules LockoutOf(const Limits& limits) {
    return {limits.wrongPasswordsBeforeLockout, limits.firstLockoutMs, limits.longestLockoutMs,
            limits.wrongPasswordMemoryMs, limits.maxTrackedAddresses};
}

}  // namespace

Admission::Admission(const Limits& limits)
    : limits_(limits),
      halfOpen_(limits.maxHandshakingPeers, limits.maxHandshakingPerAddress),
      joins_(limits.joinsPerAddress, limits.joinWindowMs, limits.maxTrackedAddresses),
      lockout_(LockoutOf(limits)) {}

template <typename What>
std::string Admission::Due(DropTally& tally, std::int64_t nowMs, const AddressKey& key, What what) {
    if (!tally.Count(nowMs)) {
        return {};
    }
    const std::int64_t count = tally.Take();
    return what(count) + (count == 1 ? " from " : ", the last from ") + ToString(key);
}

Admission::Opened Admission::Connected(const AddressKey& key, std::int64_t nowMs) {
    auto [verdict, slot] = halfOpen_.Open(key);
    if (verdict == HalfOpenCount::Verdict::Open) {
        return {std::move(slot), {}};
    }
    const bool crowded = verdict == HalfOpenCount::Verdict::Crowded;
    const std::string why =
        crowded
            ? ": " + std::to_string(halfOpen_.Total()) + " connections are shaking hands"
            : ": " + std::to_string(halfOpen_.Of(key)) + " of its connections are shaking hands";
    std::string notice = Due(crowded ? crowded_ : addressFull_, nowMs, key, [](std::int64_t n) {
        return "Turned away " + Counted(n, "a connection", "connections");
    });
    return {{}, {BusyRefusal(), notice.empty() ? notice : notice + why}};
}

Admission::Decision Admission::Greeted(const AddressKey& key, const std::string& name,
                                       bool passwordAsked, std::int64_t nowMs,
                                       std::int64_t wallMs) {
    if (const auto ban = bans_.Refusing(key, name, wallMs)) {
        std::string notice = Due(banned_, nowMs, key, [](std::int64_t n) {
            return "Refused " + Counted(n, "a banned player", "banned players");
        });
        return {BannedRefusal(ban->untilMs - wallMs),
                notice.empty() ? notice : notice + " (ban " + std::to_string(ban->id) + ")"};
    }
    if (const auto wait = joins_.WaitMs(key, nowMs); wait > 0) {
        return TooManyJoins(key, wait, nowMs);
    }
    return passwordAsked ? Answering(key, nowMs) : Decision{};
}

Admission::Decision Admission::Answering(const AddressKey& key, std::int64_t nowMs) {
    const std::int64_t wait = lockout_.WaitMs(key, nowMs);
    if (wait == 0) {
        return {};
    }
    std::string notice = Due(lockedOut_, nowMs, key, [](std::int64_t n) {
        return "Refused " + Counted(n, "a password", "passwords");
    });
    return {LockoutRefusal(wait), notice.empty() ? notice : notice + ": the address is locked out"};
}

Admission::Decision Admission::Answered(const AddressKey& key, bool right, std::int64_t nowMs) {
    if (right) {
        lockout_.Right(key);
        return {};
    }
    if (const std::int64_t lockMs = lockout_.Wrong(key, nowMs); lockMs > 0) {
        std::string notice = Due(lockoutsStarted_, nowMs, key, [&](std::int64_t n) {
            return "Locked out " + Counted(n, "an address", "addresses") + " for " +
                   std::to_string(lockMs / 1000) + " s after wrong passwords";
        });
        return {LockoutRefusal(lockMs), notice};
    }
    std::string notice = Due(wrongPassword_, nowMs, key, [](std::int64_t n) {
        return "Refused " + Counted(n, "a connection", "connections");
    });
    return {WrongPasswordRefusal(), notice.empty() ? notice : notice + ": wrong password"};
}

Admission::Decision Admission::Resuming(const AddressKey& key, const std::string& name,
                                        std::int64_t nowMs, std::int64_t wallMs) {
    if (const auto ban = bans_.Refusing(key, name, wallMs)) {
        return {BannedRefusal(ban->untilMs - wallMs), {}};
    }
    return Answering(key, nowMs);
}

Admission::Decision Admission::ResumeRefused(const AddressKey& key, const std::string& why,
                                             std::int64_t nowMs) {
    if (const std::int64_t lockMs = lockout_.Wrong(key, nowMs); lockMs > 0) {
        std::string notice = Due(lockoutsStarted_, nowMs, key, [&](std::int64_t n) {
            return "Locked out " + Counted(n, "an address", "addresses") + " for " +
                   std::to_string(lockMs / 1000) + " s after wrong resume tokens";
        });
        return {LockoutRefusal(lockMs), notice};
    }
    std::string notice = Due(wrongToken_, nowMs, key, [](std::int64_t n) {
        return "Refused " + Counted(n, "a resume", "resumes");
    });
    return {ResumeRefusal(why), notice.empty() ? notice : notice + ": " + why};
}

Admission::Decision Admission::Joining(const AddressKey& key, std::int64_t nowMs) {
    if (joins_.TryTake(key, nowMs)) {
        return {};
    }
    return TooManyJoins(key, joins_.WaitMs(key, nowMs), nowMs);
}

Admission::Decision Admission::TooManyJoins(const AddressKey& key, std::int64_t waitMs,
                                            std::int64_t nowMs) {
    std::string notice = Due(tooManyJoins_, nowMs, key, [](std::int64_t n) {
        return "Refused " + Counted(n, "a join", "joins");
    });
    const int joins = limits_.joinsPerAddress;
    const std::int64_t windowMs = limits_.joinWindowMs;
    return {TooManyJoinsRefusal(waitMs, joins, windowMs),
            notice.empty() ? notice
                           : notice + ": more than " + std::to_string(joins) + " joins in " +
                                 std::to_string(windowMs / 1000) + " s"};
}

}  // namespace quorvex::session
