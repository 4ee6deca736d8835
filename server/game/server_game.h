#pragma once

// The server's game: the roster, the seat table, the ready count, the game settings and the
// ball, with every rule that changes them. The console window shows this state and forwards
// the operator's clicks; the host forwards the session's notifications. Every message goes to
// all players through the outbox.
//
// Operations that return bool give true when they ran to their end, false when they stopped
// early: a message that was dropped or ignored, or a send that failed. A failed send keeps
// what was changed before it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/buffer.h"
#include "protocol/outbox.h"
#include "protocol/session/rate_budget.h"
#include "server/game/chat_allowance.h"
#include "server/game/drop_record.h"
#include "server/game/game_events.h"
#include "server/game/game_types.h"
#include "server/game/random_source.h"

namespace quorvex::server {

class ServerGame {
  public:
    explicit ServerGame(Outbox& outbox, RandomSource random = MakeDefaultRandomSource(),
                        Capacity capacity = {});

    // The observer of what happens in the game; none by default (nullptr: none again).
    void SetEvents(GameEvents* events);
    // Told of every player taken off the roster, after the game's own observer: the host ends
    // a kicked player's connection from here. Unlike an observer it may act on the session.
    void SetRemovalHook(std::function<void(std::int32_t id, RemoveCause cause)> hook) {
        removalHook_ = std::move(hook);
    }

    // --- Session notifications (times: milliseconds of the host's monotonic clock) ---

    // The first player the session reports is the server's own: it is only remembered as
    // HostPlayerId. Every later one joins the game (AddPlayer).
    bool OnCreatePlayer(std::int32_t id, const std::string& name);
    // The session lost the player's connection at `nowMs`. It stays on the roster and in its
    // seats until its drop grace runs out (RemoveLapsedDrops) or RemovePlayer takes it off;
    // false when the identifier is not on the roster (a player that left or was kicked before
    // its connection went).
    bool OnDestroyPlayer(std::int32_t id, std::int64_t nowMs);
    // One received message, type Byte first. Types other than 1, 3, 6, 7, 9, 10 are ignored,
    // and so is a message too short for its type. Its sender unknown, it counts as the message
    // alone says; OnReceiveFrom knows the sender: that player's Ready counts once per lobby, and
    // its withdrawal takes back only a ready it gave.
    bool OnReceive(ByteView bytes);
    // What a message from `sender` claims for someone else (a PlayerLeft or SeatRequest naming
    // another player, a miss for a seat the sender does not hold, a bounce from a player without
    // a seat, a Chat line under another name than the sender's), for the log; nothing when it
    // speaks only for its sender. Such a message is to be ignored.
    std::optional<std::string> ForeignClaim(std::int32_t sender, ByteView bytes) const;
    // One message from the player `sender`, received at `nowMs`: a chat line over the sender's
    // allowance and a claim for another player (ForeignClaim) are dropped, with `notice` set
    // when a line for the log is due; anything else goes to OnReceive.
    bool OnReceiveFrom(std::int32_t sender, ByteView bytes, std::int64_t nowMs,
                       std::optional<std::string>& notice);
    // Chat lines each player may send; without this call, any number.
    void SetChatAllowance(double linesPerSecond, double burst) {
        chat_ = ChatAllowance(linesPerSecond, burst);
    }
    // Messages ignored so far because they claimed something for another player.
    std::int64_t IgnoredClaims() const { return ignoredClaims_.Total(); }

    // --- Players whose connection is gone ---
    bool IsDropped(std::int32_t id) const { return drops_.Contains(id); }
    bool AnyDropped() const { return !drops_.Empty(); }
    // How long such a player stays; none, the default: until the operator kicks it.
    void SetDropGrace(std::optional<std::int64_t> graceMs) { drops_.SetGrace(graceMs); }
    std::optional<std::int64_t> DropGrace() const { return drops_.Grace(); }
    // Removes, as a kick would, every one whose grace has run out at `nowMs`; how many.
    int RemoveLapsedDrops(std::int64_t nowMs);
    // With the roster (lost players included) at the session's player maximum, removes the
    // player lost longest ago, as its grace running out would, so that players who connect and
    // hang up cannot grow the roster past the maximum; true when one went.
    bool MakeRoomForNewcomer();
    // When RemoveLapsedDrops has work next; none while no grace can run out.
    std::optional<std::int64_t> NextDropRemovalMs() const { return drops_.NextLapseMs(); }

    // --- Message handlers (bytes: the whole message, type Byte first) ---
    bool RelayChat(ByteView bytes);
    bool RelayPaddle(ByteView bytes);
    // `sender`: the player the message came from, when known (see OnReceive).
    bool HandleSeatRequest(ByteView bytes, std::optional<std::int32_t> sender = std::nullopt);
    bool HandleReady(ByteView bytes, std::optional<std::int32_t> sender = std::nullopt);
    bool HandleBallEvent(ByteView bytes);

    // --- Players and seats ---
    bool AddPlayer(const std::string& name, std::int32_t id);
    // Whether a newcomer of that name fits: the roster with it still goes out in one Roster.
    bool CanAddPlayer(const std::string& name) const;
    // The session's player maximum, the server's own player included, once hosting knows it.
    // A player's first seat is always given while the Scoreboard can carry it; a further one
    // only while the table holds fewer rows than this.
    void SetPlayerMaximum(std::int32_t players);
    // Drops every roster entry with the identifier; for each one all its seats go, Scoreboard
    // follows when it had any, then PlayerLeft.
    bool RemovePlayer(std::int32_t id, RemoveCause cause = RemoveCause::Left);
    bool SeatPlayer(std::int32_t id);
    // Gives up the first seat of the identifier.
    bool UnseatPlayer(std::int32_t id);
    bool SendScoreboard();
    bool SendPlayerLeft(std::int32_t id);

    // --- Rounds ---
    // Adds one miss to the seat and applies the round-end rule; false for a seat that does not
    // exist (nothing counted).
    bool CountMiss(int seat);
    bool CheckRoundEnd();

    // --- Game settings ---
    // Sets the ready count to 0 and tells everyone the game type and limit.
    bool SendGameSettings();
    // The operator picks a game type: "Points" raises a limit below 1 to "1"; then
    // SendGameSettings and every seat's misses back to "0". Wins stay.
    bool PickGameType(GameType type);
    // The operator edited the limit box. An invalid text is refused and the limit falls back
    // to "0"; the window then shows kLimitWarning and puts Limit() back into the box.
    bool SetLimitText(std::string_view text);

    // --- Lobby resend ---
    // Whether a seat taken while the lobby waits for Ready (Points or Survivor, ball stopped)
    // sends the settings again, so that the newcomer sees the lobby too. Off by default: with
    // the console window the operator picks the game type again; dedicated mode turns it on.
    void SetLobbyResend(bool on) { lobbyResend_ = on; }
    // A seat was taken in the waiting lobby since the last ResendLobby, and it still waits.
    // The host resends once the notifications at hand are done, so that newcomers arriving
    // together hear the settings once.
    bool LobbyResendDue() const { return lobbyResendDue_ && !ballTimerRunning_; }
    // When due: the settings again, as picking the same game type sends them. True when sent.
    bool ResendLobby();

    // --- Ball ---
    // One tick of tmrBallHandler: one step of 255 units along the direction, then BallUpdate.
    bool BallStep();
    // Start position and a new random direction; sends nothing.
    void ResetBall();
    // The direction the ball has when the server starts.
    void StartUpBallDirection();
    // The once-a-second check whether the ball may run; the result is whether tmrBallHandler
    // should now be running.
    bool BallGate();

    // --- Console ---
    // Removes the player of the selected PlayerIndex row; nothing when no row is selected.
    bool Kick(std::optional<int> selectedRow);

    // --- State the window shows ---
    const PlayerRoster& Roster() const { return roster_; }
    // The roster entry of the identifier; nullptr when it is not on the roster.
    const RosterEntry* FindPlayer(std::int32_t id) const;
    const std::vector<SeatRow>& Seats() const { return seats_; }
    std::int16_t ReadyCount() const { return readyCount_; }
    GameType SelectedGameType() const { return gameType_; }
    const std::string& Limit() const { return limit_; }
    const std::string& BallLeft() const { return ballLeft_; }
    const std::string& BallTop() const { return ballTop_; }
    const std::string& BallAngle() const { return ballAngle_; }
    std::int32_t HostPlayerId() const { return hostPlayerId_; }
    bool BallTimerRunning() const { return ballTimerRunning_; }

  private:
    bool SendRoster();
    void NoteSeatTaken(std::int32_t id);
    bool SeatTableHasRoom() const;
    bool HoldsSeat(std::int32_t id) const;
    // Removes the last seat row of a player who holds an earlier one too, if there is one.
    void DropLatestExtraSeat();
    bool Dispatch(ByteView bytes, std::optional<std::int32_t> sender);
    // Reports the seats with the round's wins and the misses that ended it, clears the misses
    // and sends the settings that open the next round.
    bool EndRound();
    // Removes every seat row of the identifier; how many went.
    std::size_t RemoveAllSeats(std::int32_t id);
    // The first seat row whose PlayerIndex has the identifier's value.
    std::vector<SeatRow>::iterator FindSeat(std::int32_t id);

    Outbox& outbox_;
    RandomSource random_;
    Capacity capacity_;
    GameEvents* events_ = nullptr;  // set in the constructor, never null

    PlayerRoster roster_;
    std::vector<SeatRow> seats_;
    DropRecord drops_;
    std::function<void(std::int32_t, RemoveCause)> removalHook_;
    ChatAllowance chat_;
    session::DropTally ignoredClaims_;
    std::int16_t readyCount_ = 0;
    // The players whose Ready counts in this lobby; emptied with every settings message.
    std::set<std::int32_t> readyGiven_;
    // The players on the roster when the settings last went out: they know the lobby.
    std::set<std::int32_t> heardLobby_;
    std::size_t playerMaximum_ = std::numeric_limits<std::size_t>::max();
    GameType gameType_ = GameType::FreeForAll;
    std::string limit_ = "0";
    std::string ballLeft_{kBallStartLeft};
    std::string ballTop_{kBallStartTop};
    std::string ballAngle_ = "0";
    std::int32_t hostPlayerId_ = 0;
    bool hostPlayerKnown_ = false;
    bool ballTimerRunning_ = false;
    bool lobbyResend_ = false;
    bool lobbyResendDue_ = false;
};

}  // namespace quorvex::server
