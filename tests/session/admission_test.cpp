// The server's door, rule by rule, each with the honest case beside the hostile one: whom an
// address key counts, joins per address, connections shaking hands, password guesses, bans,
// discovery replies, and what a client makes of each refusal.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/session/address_key.h"
#include "protocol/session/address_rate.h"
#include "protocol/session/admission.h"
#include "protocol/session/ban_list.h"
#include "protocol/session/discovery_quota.h"
#include "protocol/session/half_open.h"
#include "protocol/session/password_lockout.h"
#include "protocol/session/refusals.h"

namespace quorvex::session {
namespace {

AddressKey Key(const char* address) {
    const auto key = ParseAddressKey(address);
    EXPECT_TRUE(key.has_value()) << address;
    return key.value_or(AddressKey{});
}

TEST(AddressKey, Ipv4ExactlyMappedAsIpv4Ipv6PerSlash64LoopbackOneMachine) {
    const struct {
        const char* address;
        const char* key;
        bool thisMachine;
    } cases[] = {
        {"203.0.113.7", "203.0.113.7", false},
        {"::ffff:203.0.113.7", "203.0.113.7", false},
        {"2001:db8:1:2:aaaa::1", "2001:db8:1:2::/64", false},
        {"2001:db8:1:2:ffff:ffff:ffff:ffff", "2001:db8:1:2::/64", false},
        {"2001:db8:1:2::/64", "2001:db8:1:2::/64", false},
        {"127.0.0.1", "127.0.0.1", true},
        {"::1", "127.0.0.1", true},
        {"::ffff:127.0.0.1", "127.0.0.1", true},
        {"127.0.0.2", "127.0.0.2", false},  // other loopback addresses are hosts of their own
        {"::2", "::/64", false},
    };
    for (const auto& c : cases) {
        const AddressKey key = Key(c.address);
        EXPECT_EQ(ToString(key), c.key) << c.address;
        EXPECT_EQ(IsThisMachine(key), c.thisMachine) << c.address;
    }
    EXPECT_EQ(KeyOf(IpAddress::V4(0xCB007107)), Key("203.0.113.7"));
    for (const char* bad : {"", "host", "1.2.3.4/64", "1.2.3", "::1/48", "[::1]"}) {
        EXPECT_FALSE(ParseAddressKey(bad).has_value()) << bad;
    }
}

TEST(JoinRate, FiveJoinsPerTenSecondsPerAddressThisMachineExempt) {
    AddressRate joins(5, 10'000, 64);
    const struct {
        const char* from;
        std::int64_t atMs;
        bool joins;
    } steps[] = {
        {"198.51.100.1", 0, true},       {"198.51.100.1", 100, true},
        {"198.51.100.1", 200, true},     {"198.51.100.1", 300, true},
        {"198.51.100.1", 400, true},     {"198.51.100.1", 500, false},  // the sixth in 10 s
        {"198.51.100.2", 600, true},  // its neighbour is another host
        {"2001:db8::1", 0, true},        {"2001:db8::2", 1, true},
        {"2001:db8::3", 2, true},        {"2001:db8::4", 3, true},
        {"2001:db8::5", 4, true},        {"2001:db8::6", 5, false},  // one /64, one host
        {"127.0.0.1", 700, true},        {"::1", 700, true},
        {"198.51.100.1", 9'999, false},   // refusals did not count, but the window is not over
        {"198.51.100.1", 10'000, true},   // the first join has left the window
        {"198.51.100.1", 10'001, false},  // the second has not
        {"198.51.100.1", 10'100, true},
    };
    for (const auto& s : steps) {
        EXPECT_EQ(joins.TryTake(Key(s.from), s.atMs), s.joins) << s.from << " at " << s.atMs;
    }
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(joins.TryTake(Key("127.0.0.1"), 800)) << "friends on the server's machine";
    }
    EXPECT_EQ(joins.WaitMs(Key("198.51.100.1"), 10'101), 10'200 - 10'101);
    EXPECT_EQ(joins.WaitMs(Key("198.51.100.3"), 10'101), 0);
}

TEST(JoinRate, MemoryIsBoundedAndALimitedAddressOutlivesSpentOnes) {
    AddressRate joins(1, 1000, 3);
    ASSERT_TRUE(joins.TryTake(Key("198.51.100.1"), 0));
    ASSERT_TRUE(joins.TryTake(Key("198.51.100.2"), 0));
    ASSERT_TRUE(joins.TryTake(Key("198.51.100.3"), 500));
    // Full: the spent entries make room, the one still limited stays limited.
    ASSERT_TRUE(joins.TryTake(Key("198.51.100.4"), 1200));
    EXPECT_FALSE(joins.TryTake(Key("198.51.100.3"), 1200));
    for (int i = 10; i < 200; ++i) {
        joins.TryTake(Key(("198.51.100." + std::to_string(i)).c_str()), 1300);
    }
    EXPECT_LE(joins.TrackedKeys(), 3u);
}

TEST(HalfOpen, CountedPerAddressAlwaysAndInAll) {
    HalfOpenCount count(5, 2);
    std::vector<HalfOpenSlot> held;
    using V = HalfOpenCount::Verdict;
    const struct {
        const char* from;
        V verdict;
    } steps[] = {
        {"198.51.100.1", V::Open},        {"198.51.100.1", V::Open},
        {"198.51.100.1", V::AddressFull},  // on an otherwise empty server too
        {"2001:db8::1", V::Open},         {"2001:db8::2", V::Open},
        {"2001:db8::3", V::AddressFull},  {"127.0.0.1", V::Open},  // no cap for this machine
        {"198.51.100.2", V::Crowded},     {"127.0.0.1", V::Crowded},
    };
    for (const auto& s : steps) {
        auto opening = count.Open(Key(s.from));
        EXPECT_EQ(opening.verdict, s.verdict) << s.from << " after " << count.Total();
        EXPECT_EQ(opening.slot.Held(), s.verdict == V::Open);
        held.push_back(std::move(opening.slot));
    }
    EXPECT_EQ(count.Total(), 5);
    held[0].Release();  // welcomed: its place is free, and released twice it stays free
    held[0].Release();
    EXPECT_EQ(count.Of(Key("198.51.100.1")), 1);
    EXPECT_EQ(count.Open(Key("198.51.100.1")).verdict, V::Open);  // the slot ends at once
    held.clear();                                                 // gone: all free
    EXPECT_EQ(count.Total(), 0);
}

TEST(PasswordLockout, ThreeWrongThenGrowingMinutesUpToFifteen) {
    PasswordLockout lockout(LockoutRules{});
    const AddressKey guesser = Key("198.51.100.9");
    std::int64_t now = 0;
    EXPECT_EQ(lockout.Wrong(guesser, now), 0);
    EXPECT_EQ(lockout.Wrong(guesser, now), 0);
    EXPECT_EQ(lockout.Wrong(guesser, now), 60'000);
    const std::int64_t lockouts[] = {120'000, 240'000, 480'000, 900'000, 900'000};
    for (const std::int64_t expected : lockouts) {
        EXPECT_EQ(lockout.WaitMs(guesser, now + 1000), lockout.WaitMs(guesser, now) - 1000);
        EXPECT_EQ(lockout.Wrong(guesser, now + 1000), 0) << "not checked, not counted";
        now += lockout.WaitMs(guesser, now);
        EXPECT_EQ(lockout.WaitMs(guesser, now), 0);
        EXPECT_EQ(lockout.Wrong(guesser, now), expected);
    }

    // Honest: two typing errors, then the right one, and the address starts afresh.
    const AddressKey friendly = Key("198.51.100.10");
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(lockout.Wrong(friendly, now), 0);
        EXPECT_EQ(lockout.Wrong(friendly, now), 0);
        lockout.Right(friendly);
    }
    EXPECT_EQ(lockout.WaitMs(friendly, now), 0);
    // An hour's quiet after its last lockout: the guesser starts afresh too.
    now += lockout.WaitMs(guesser, now) + 60 * 60'000;
    EXPECT_EQ(lockout.Wrong(guesser, now), 0);
}

TEST(Bans, AddressAndNameRefusedUntilExpiryAndLiftedByIdAddressOrName) {
    BanList bans;
    const int eve = bans.Add(Key("198.51.100.66"), "Eve", 600'000);
    const int local = bans.Add(Key("127.0.0.1"), "Mallory", 600'000);
    const int v6 = bans.Add(Key("2001:db8:6:6::1"), "", 600'000);
    EXPECT_EQ(bans.Add(std::nullopt, "", 600'000), 0);
    const struct {
        const char* from;
        const char* name;
        std::int64_t atMs;
        int refusedBy;
    } cases[] = {
        {"198.51.100.66", "Ann", 0, eve}, {"198.51.100.7", "Eve", 0, eve},
        {"198.51.100.7", "Ann", 0, 0},    {"198.51.100.66", "Eve", 600'000, 0},
        {"127.0.0.1", "Ann", 0, 0},  // this machine's other players stay welcome
        {"::1", "Mallory", 0, local},     {"2001:db8:6:6:1::9", "Bob", 0, v6},
        {"2001:db8:6:7::1", "Bob", 0, 0}, {"198.51.100.7", "eve", 0, 0},
    };
    for (const auto& c : cases) {
        const auto ban = bans.Refusing(Key(c.from), c.name, c.atMs);
        EXPECT_EQ(ban ? ban->id : 0, c.refusedBy) << c.from << " " << c.name << " " << c.atMs;
    }

    BanList copy;
    const int odd = bans.Add(std::nullopt, "tab\there%0A\nend ", 700'000);
    std::vector<std::string> errors;
    EXPECT_EQ(copy.Load(bans.Save() + "\nnonsense\n9\t-\t5\t\n" + bans.Save(), &errors), 4u);
    EXPECT_EQ(errors, (std::vector<std::string>{
                          "line 6: not four fields separated by tabs", "line 7: not a ban",
                          "line 8: ban 1 is there already", "line 9: ban 2 is there already",
                          "line 10: ban 3 is there already", "line 11: ban 4 is there already"}));
    EXPECT_EQ(copy.List(0), bans.List(0));
    EXPECT_EQ(copy.Add(std::nullopt, "Zed", 1), odd + 1);

    EXPECT_EQ(bans.Unban(std::to_string(local)), 1);
    EXPECT_EQ(bans.Unban("2001:db8:6:6::/64"), 1);
    EXPECT_EQ(bans.Unban("Eve"), 1);
    EXPECT_EQ(bans.Unban("Eve"), 0);
    EXPECT_EQ(bans.List(650'000).size(), 1u);
    EXPECT_TRUE(bans.List(700'000).empty());
}

TEST(DiscoveryQuota, OneFloodingHostCannotUseUpEverybodysReplies) {
    DiscoveryQuota quota(4, 64, 16);
    int flooder = 0, honest = 0, machine = 0;
    for (std::int64_t ms = 0; ms < 3000; ++ms) {
        flooder += quota.Admit(Key("198.51.100.66"), ms) ? 1 : 0;  // 1000 a second
        if (ms % 500 == 0) {
            honest += quota.Admit(Key("198.51.100.7"), ms) ? 1 : 0;  // 2 a second
            honest += quota.Admit(Key("2001:db8::7"), ms) ? 1 : 0;
        }
    }
    EXPECT_EQ(honest, 12);
    EXPECT_EQ(flooder, 12);
    // The server's own machine is held to the total only.
    for (int i = 0; i < 200; ++i) {
        machine += quota.Admit(Key("127.0.0.1"), 5000) ? 1 : 0;
    }
    EXPECT_EQ(machine, 64);
}

TEST(Refusals, EveryReasonBecomesItsOwnStatusOldOnesAsBefore) {
    using E = ErrorCode;
    using R = RefuseReason;
    const struct {
        Refusal refusal;
        ErrorCode code;
        const char* text;
    } cases[] = {
        {{R::WrongApplication, "other"}, E::WrongApplication, "Not a Quorvex server: other"},
        {{R::SessionFull, "full"}, E::SessionFull, "full"},
        {{R::BadHandshake, "bad"}, E::ProtocolError, "bad"},
        {{R::NameTooLong, "long"}, E::NameTooLong, "long"},
        {{R::NoIdentifiersLeft, "none"}, E::NoIdentifiersLeft, "none"},
        {WrongPasswordRefusal(), E::WrongPassword, "The password is wrong"},
        {BannedRefusal(60'001), E::Banned,
         "This address or player name is banned from the server for 2 more minutes"},
        {TooManyJoinsRefusal(1500, 5, 10'000), E::TooManyJoins,
         "Too many joins from this address (more than 5 in 10 s): try again in 2 s"},
        {BusyRefusal(), E::ServerBusy,
         "The server is busy with other connections: try again in a moment"},
        {LockoutRefusal(0), E::PasswordLockout,
         "Too many wrong passwords from this address: try again in 1 s"},
        {{static_cast<R>(200), "later"}, E::ProtocolError, "later"},
    };
    for (const auto& c : cases) {
        const Status status = StatusOfRefusal(c.refusal);
        EXPECT_EQ(status.code, c.code) << c.text;
        EXPECT_EQ(status.description, c.text);
    }
    EXPECT_EQ(UnprovenServerStatus(true, "h").code, ErrorCode::ServerUnproven);
    EXPECT_EQ(ErrorText(UnprovenServerStatus(false, "h")), "Error #15: The password is wrong");
}

// The rules together as the session meets them, each cause logged once and then summarised.
TEST(Admission, TheDoorRefusesTheFloodAndLetsTheHonestIn) {
    Admission door(Limits{});
    const AddressKey eve = Key("198.51.100.66"), ann = Key("198.51.100.7");
    std::vector<std::string> notices;
    std::vector<RefuseReason> refused;
    const auto note = [&](const Admission::Decision& d) {
        if (!d.notice.empty()) {
            notices.push_back(d.notice);
        }
        if (d.refusal) {
            refused.push_back(d.refusal->reason);
        }
        return !d.refusal;
    };
    for (int i = 0; i < 8; ++i) {  // one host joining and hanging up
        if (note(door.Greeted(eve, "Eve", false, i, 0))) {
            note(door.Joining(eve, i));
        }
    }
    EXPECT_TRUE(note(door.Greeted(ann, "Ann", false, 10, 0)) && note(door.Joining(ann, 10)));
    for (int i = 0; i < 4; ++i) {  // guessing from one host, answering beside it
        if (note(door.Answering(eve, 100 + i))) {
            note(door.Answered(eve, false, 100 + i));
        }
    }
    EXPECT_TRUE(note(door.Answering(ann, 104)) && note(door.Answered(ann, true, 104)));
    EXPECT_FALSE(note(door.Greeted(eve, "Eve", true, 20'000, 0)));  // still locked out
    std::vector<Admission::Opened> opened;
    for (int i = 0; i < 9; ++i) {
        opened.push_back(door.Connected(eve, 30'000 + i));
        note(opened.back().decision);
    }
    EXPECT_TRUE(note(door.Connected(ann, 30'010).decision));
    door.Bans().Add(eve, "Eve", 100'000);
    EXPECT_FALSE(note(door.Greeted(Key("198.51.100.67"), "Eve", false, 40'000, 50'000)));

    using R = RefuseReason;
    EXPECT_EQ(refused,
              (std::vector<R>{R::TooManyJoins, R::TooManyJoins, R::TooManyJoins, R::WrongPassword,
                              R::WrongPassword, R::PasswordLockout, R::PasswordLockout,
                              R::PasswordLockout, R::Busy, R::Banned}));
    EXPECT_EQ(notices,
              (std::vector<std::string>{
                  "Refused a join from 198.51.100.66: more than 5 joins in 10 s",
                  "Refused a connection from 198.51.100.66: wrong password",
                  "Locked out an address for 60 s after wrong passwords from 198.51.100.66",
                  "Refused a password from 198.51.100.66: the address is locked out",
                  "Refused a password from 198.51.100.66: the address is locked out",
                  "Turned away a connection from 198.51.100.66: 8 of its connections are "
                  "shaking hands",
                  "Refused a banned player from 198.51.100.67 (ban 1)"}));
}

}  // namespace
}  // namespace quorvex::session
