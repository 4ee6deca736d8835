#pragma once

// Everything the client knows and decides, without a window: the roster and own identifier,
// the seat table, the lobby, the chat log, the arena with its paddles, the ball, and the exit
// delay. A window renders this state and feeds events in; every send goes to the Outbox.
// All entry points run one at a time on the window's thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "client/arena/arena.h"
#include "client/ball/ball_status.h"
#include "client/state/chat_log.h"
#include "client/state/exit_timer.h"
#include "client/state/happening.h"
#include "client/state/lobby.h"
#include "client/state/own_seat.h"
#include "protocol/buffer.h"
#include "protocol/messages.h"
#include "protocol/outbox.h"

namespace quorvex::client {

inline constexpr int kEnterKey = 13;
inline constexpr int kTimer2Interval = 100;  // ms between paddle reports
inline constexpr float kSeparatorY = 7560;   // Y1 of Line1, under the arena
// The ball's right edge: the window's outer width at its natural size, a drawing surface of
// 10350 twips in a frame one pixel (15 twips) wide on either side, as a plain desktop frames
// it. One number whatever the window's state (resized, maximised, full screen), the window
// manager or whether a computer player judges: every seated client bounces the ball at the
// same edge, and the server takes whichever report comes last.
inline constexpr double kOuterWidth = 10350 + 2 * 15;

// What changed since the window last asked (TakeChanges), so it repaints only that.
enum Change : unsigned {
    kChatChanged = 1u << 0,
    kRosterChanged = 1u << 1,
    kSeatsChanged = 1u << 2,
    kLobbyChanged = 1u << 3,
    kArenaChanged = 1u << 4,
    kBallChanged = 1u << 5,
    kLinkChanged = 1u << 6,  // the link went to trying to come back, or came back
};

class ClientState {
  public:
    explicit ClientState(Outbox& outbox);

    // Start-up and window facts.
    void SetMyName(std::string name);  // the answer to the name prompt, unchanged (may be empty)
    void SetOuterWidth(double twips);  // the ball's right edge, kOuterWidth unless set

    // Session notifications.
    void OnConnectComplete(bool ok);  // the notice only on success; the window reports failure
    void OnTerminateSession();
    // The connection was lost and the link tries to come back: everything stays as it is.
    void OnReconnecting();
    // It came back as player `id` (a restarted client learns its identifier here). What the
    // server sends next brings the state up to date; until its seat table has come, no ball
    // report is judged, as the arena may be one from before the gap.
    void OnResumed(std::int32_t id);
    bool Reconnecting() const { return reconnecting_; }
    void HandleMessage(ByteView bytes);  // Receive: types 1, 2, 3, 4, 5, 7, 8, 10

    // Lobby and chat. A click on a button the user cannot reach (frame hidden or disabled,
    // button disabled) changes nothing, as does every click once the program is closing.
    void cmdJoin_Click();
    void cmdRdy_Click();
    void cmdSpectate_Click();
    // A key in txtSend holding `typed`. True when the window must empty txtSend: only after
    // Enter whose chat line went out.
    bool txtSend_KeyDown(int keyCode, std::string_view typed);

    // Arena. True when the own paddle moved.
    bool Form_MouseMove(float x, float y);
    // Every 100 ms: reports the own paddle while seated. True when a PaddleUpdate went out.
    bool Timer2_Timer();

    // Form_Unload: PlayerLeft (a refusal is ignored), the exit notice, then Timer1 runs.
    // From here on nothing but that one PlayerLeft is ever sent.
    void BeginExit();
    // Timer1's tick; true when the session must close and the program end now.
    bool Timer1_Timer();
    std::int32_t Timer1Interval() const { return exitTimer_.Interval(); }  // ms
    bool Exiting() const { return exiting_; }

    // The own seat (row of the seat table holding MyID), -1 when not seated.
    int PlayerID() const;

    const std::string& MyName() const { return myName_; }
    std::int32_t MyID() const { return myId_; }  // 0 until the first Roster
    const std::vector<msg::RosterEntry>& PlayerRoster() const { return roster_; }
    const SeatTable& Seats() const { return seats_; }
    const client::Lobby& Lobby() const { return lobby_; }
    const ChatLog& Chat() const { return chat_; }
    const arena::Arena& Arena() const { return arena_; }
    const ball::Ball& Ball() const { return ball_; }
    // The ball as the last BallUpdate put it, before this client's judgement turned it.
    const ball::Ball& ReportedBall() const { return reportedBall_; }
    bool ArenaReady() const { return arena_.ready; }
    bool Timer2Running() const { return timer2Running_; }
    double OuterWidth() const { return outerWidth_; }

    // The Change bits set since the last call, cleared by it.
    unsigned TakeChanges();

    // Off by default, so that a player nobody listens to keeps no list. Once on, what happened
    // since the last call, in order; nothing is recorded after the exit began.
    void RecordHappenings(bool on) { recording_ = on; }
    std::vector<Happening> TakeHappenings();

  private:
    void HandleChat(ByteView bytes);
    void HandleRoster(ByteView bytes);
    void HandlePlayerLeft(ByteView bytes);
    void HandleScoreboard(ByteView bytes);
    void HandleBallUpdate(ByteView bytes);
    void HandlePaddleUpdate(ByteView bytes);
    void HandleGameSettings(ByteView bytes);
    void HandleReady(ByteView bytes);
    void ForgetPlayer(std::int32_t id);

    void AddChatLine(std::string_view line);
    void RebuildArena();
    void PlaceOwnPaddle();

    bool SendChat(const std::string& line);
    bool SendSeatRequest(std::uint8_t request);
    bool SendReady();
    void SendLeave();
    // Sends an encoded message; false when encoding failed, the Outbox refused it, or the
    // program is closing.
    bool Deliver(const std::optional<Buffer>& message);

    // Whether a click on a lobby button that has `enabled` can reach the state at all.
    bool Clickable(bool enabled) const;
    void Mark(Change change) { changes_ |= change; }
    void Note(HappeningKind kind, float x = 0);
    // The sounds of one BallUpdate: edges newly reached, the own hit among `events` (bounces
    // beyond one per edge), a turn nobody here explains.
    void NoteBall(const std::vector<ball::Event>& events, const std::string& reportedDirection);
    void NoteMisses(const SeatTable& before);

    Outbox& outbox_;
    std::string myName_;
    std::int32_t myId_ = 0;
    std::vector<msg::RosterEntry> roster_;
    SeatTable seats_;
    client::Lobby lobby_;
    ChatLog chat_;
    arena::Arena arena_;
    ball::Ball ball_;
    ball::Ball reportedBall_;
    bool timer2Running_ = false;
    double outerWidth_ = kOuterWidth;
    // The last pointer position; until the first move the own side's midpoint stands in.
    std::optional<std::pair<float, float>> lastPointer_;
    bool exiting_ = false;
    bool reconnecting_ = false;
    bool catchingUp_ = false;  // resumed, the fresh seat table not yet here
    ExitTimer exitTimer_;
    unsigned changes_ = 0;
    bool recording_ = false;
    std::vector<Happening> happenings_;
    unsigned wallsReached_ = 0;                 // one bit per wall of the last report
    std::optional<std::string> lastDirection_;  // as the server last sent it
    bool turnExplained_ = true;                 // the next change of direction is no one else's hit
    bool roundStarting_ = false;
};

}  // namespace quorvex::client
