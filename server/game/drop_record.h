#pragma once

// Players whose connection is gone while they are still on the roster: when each went, and
// whose grace time has run out. Times are milliseconds of the host's monotonic clock, passed
// in: the game keeps no clock of its own.

#include <cstdint>
#include <optional>
#include <vector>

namespace quorvex::server {

// The grace dedicated mode gives by default, and the console window's check box offers.
inline constexpr std::int64_t kDefaultDropGraceMs = 30000;
// How long a player whose connection went may come back as itself, in both modes.
inline constexpr std::int64_t kDefaultResumeGraceMs = 60000;

class DropRecord {
  public:
    // The player's connection went at `atMs`; false when it was already recorded.
    bool Add(std::int32_t id, std::int64_t atMs);
    void Remove(std::int32_t id);
    bool Contains(std::int32_t id) const;
    bool Empty() const { return drops_.empty(); }
    // The player lost longest ago, if any.
    std::optional<std::int32_t> Oldest() const;

    // How long a lost player stays; none (the default): until it is removed some other way. A
    // change counts for players already lost, from when they dropped.
    void SetGrace(std::optional<std::int64_t> graceMs) { graceMs_ = graceMs; }
    std::optional<std::int64_t> Grace() const { return graceMs_; }
    // How long a lost player may still come back by itself: a grace never removes it sooner.
    void SetResumeGrace(std::int64_t graceMs) { resumeGraceMs_ = graceMs; }
    // The players whose grace has run out at `nowMs`, in the order they dropped.
    std::vector<std::int32_t> Lapsed(std::int64_t nowMs) const;
    // When the next grace runs out; none without a grace or a lost player.
    std::optional<std::int64_t> NextLapseMs() const;

  private:
    struct Drop {
        std::int32_t id;
        std::int64_t atMs;
    };
    std::vector<Drop> drops_;  // in the order they dropped
    std::optional<std::int64_t> graceMs_;
    std::int64_t resumeGraceMs_ = 0;
    // The grace that applies: none, or the longer of the two.
    std::optional<std::int64_t> Effective() const;
};

}  // namespace quorvex::server
