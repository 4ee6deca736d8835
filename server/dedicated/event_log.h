#pragma once

// The dedicated server's log: one line per event on a stream (standard output), each with the
// local date and time. Names come from the players and may hold anything, so they are quoted
// and escaped (LogQuoted): one event stays one line. A flood of one kind of event writes a
// burst and then a few lines a second, and says how many it left out.

#include <QTimer>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "server/game/game_events.h"
#include "server/game/log_text.h"
#include "server/game/log_throttle.h"
#include "server/game/server_game.h"

namespace quorvex::server {

class EventLog : public GameEvents {
  public:
    // Milliseconds on a monotonic clock, for holding back floods.
    using Clock = std::function<std::int64_t()>;

    EventLog(const ServerGame& game, std::FILE* out, Clock clock = {});

    // One line, time stamp first, never held back (the operator's commands and their answers);
    // written through at once, as a pipe would otherwise hold it. `event` names its kind in the
    // JSON form.
    void Line(std::string_view text, std::string_view event = "console");
    // For log shippers: each line becomes one JSON object instead,
    //   {"time":"2026-05-01T20:15:00.123Z","event":"joined","player":3,"text":"joined: 3 \"Ann\""}
    // `time` in UTC, `event` the line's kind (joined, left, kicked, connection lost, seats,
    // settings, round ended, ignored: ..., notice: ..., console), `player` the identifier when
    // the line is about one player, `text` the text line as it would have been written.
    void SetJson(bool json) { json_ = json; }
    // Every line written from now on is also handed to `copy` (none: no longer), as text: what
    // an operator's command caused, for its reply over the control socket.
    void SetCopy(std::function<void(const std::string&)> copy) { copy_ = std::move(copy); }
    // A line from the session or the host, held back with others of its kind in a flood.
    void Notice(std::string_view text);
    // Writes the count of what each cause held back, once the cause has room again.
    void WriteSummaries();

    void PlayerJoined(const RosterEntry& player) override;
    void PlayerRemoved(const RosterEntry& player, RemoveCause cause) override;
    void PlayerDropped(const RosterEntry& player) override;
    void ConnectionClosed(std::int32_t id) override;
    void SeatsChanged() override;
    void SettingsChanged() override;
    void RoundEnded(const std::vector<SeatRow>& result) override;
    void RequestIgnored(std::int32_t player, IgnoredRequest what) override;

  private:
    void Write(const std::string& cause, std::string_view text);
    std::string Player(std::int32_t id) const;

    const ServerGame& game_;
    std::FILE* out_;
    Clock clock_;
    bool json_ = false;
    std::function<void(const std::string&)> copy_;
    LogThrottle throttle_;
    QTimer summaries_;  // runs while lines are held back
};

}  // namespace quorvex::server
