#pragma once

// The client window, frmMain: the arena above Line1, the chat bottom left, the seat table
// bottom right, and the lobby frame over the middle of the arena. A view over ClientState: it
// shows what the state holds and forwards pointer moves, keys, clicks and timer ticks to it.
// Between the server's reports it draws the ball and the other paddles moving (DrawnBall,
// DrawnPaddles), repainting at the screen's rate while anything moves and not at all while
// nothing on it changes; the state, and so every judgement, sees only what was reported. The
// window can take any size, and F11 makes it fill the screen: the surface scales.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

#include "client/link/human_player.h"
#include "client/motion/drawn_ball.h"
#include "client/motion/drawn_paddles.h"
#include "client/motion/key_steering.h"
#include "client/sound/sound_output.h"
#include "client/window/arena_backdrop.h"
#include "client/window/surface_scale.h"

class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace quorvex::client {

class ChatView;

inline constexpr char kStartingCaption[] = "Quorvex - Client";
inline constexpr char kInitializedCaption[] = "Quorvex - Client [Initialized]";
inline constexpr char kRunningCaption[] = "Quorvex V1.0 - by Marbeck";
inline constexpr double kLobbyPoints = 13.5;

// Called before the application object. A frame sends the X server only the small parts that
// moved; copied in the request they cost less than shared memory, which makes every frame
// wait for the server to confirm the last one (a round trip and two thread hand-offs). A
// choice already in the environment stands.
void PreferCopiedFrames();

class ClientWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ClientWindow(HumanPlayer& player);
    ~ClientWindow() override;

    // Form_Load: shows the window, creates the session, asks for host and name, connects.
    // Stops early when one of those failed and the program is ending.
    void Start();

    // Controls, named as the window calls them, for tests that look at what it shows.
    QPlainTextEdit* txtChat = nullptr;
    QLineEdit* txtSend = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QListWidget* PlayerIndex = nullptr;
    QListWidget* PlayerName = nullptr;
    QListWidget* PlayerWins = nullptr;
    QListWidget* PlayerMisses = nullptr;
    QGroupBox* frameInitRnd = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblGameType = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblLimit = nullptr;
    QWidget* LineNR1 = nullptr;
    QPushButton* cmdRdy = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lblPRdy = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* lblNOP = nullptr;
    QWidget* LineNR2 = nullptr;
    QPushButton* cmdJoin = nullptr;
    QPushButton* cmdSpectate = nullptr;
    // Shown, over a greyed arena, while the link tries to come back after a lost connection.
    QLabel* lblReconnecting = nullptr;
    // Repaints while something moves, once per refresh of the screen; idle otherwise.
    QTimer frameTimer;

    // Brings every control up to date with the state, whatever changed.
    void RefreshAll();

    // F11: fills the screen, or goes back to the state it had before.
    void ToggleFullScreen();

    // Makes what happens heard through `sound` (none: silent, as tests run), and lets M and
    // +/- change mute and volume while the chat line has no focus. `changed` is told each
    // change, to remember it.
    void SetSound(sound::SoundOutput* sound, std::function<void(bool muted, int volume)> changed);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void BuildLowerPanel();
    void BuildLobbyFrame();
    // Places and sizes every control, fonts included, for the window's present size.
    void ScaleControls();

    void Form_MouseMove(const QPointF& pixels);
    void Form_Unload();
    void cmdJoin_Click();
    void cmdRdy_Click();
    void cmdSpectate_Click();
    // True when the key was Enter and the line went out.
    bool txtSend_KeyDown(int keyCode);

    // Repaints what the state says has changed since the last call.
    void Sync();
    void ShowChanges(unsigned changes);
    void ShowSeats();
    void ShowLobby();
    void ShowText(QLabel* label, const std::string& text);

    // Left/Right or A/D, down or up; false for every other key. Repeats are swallowed.
    bool SteeringKey(const QKeyEvent& event);
    // M, + or -, pressed: true when it changed the sound.
    bool SoundKey(const QKeyEvent& event);
    void PlayHappenings();
    double NowMs() const;
    void StartFrames();
    void Frame();
    void RepaintMoved(double nowMs);
    // A box in twips of the natural surface as pixels of the window, widened by `marginPixels`
    // of the natural surface (a line's width) and a little for smoothing.
    QRect OnWindow(const QRectF& twips, double marginPixels) const;
    void SteerByKeys(double nowMs);
    bool Moving(double nowMs) const;

    HumanPlayer& player_;
    ServerLink& link_;
    ClientState& state_;
    std::unique_ptr<ChatView> chatView_;
    SurfaceScale scale_;
    QElapsedTimer clock_;
    motion::DrawnBall drawnBall_;
    motion::DrawnPaddles drawnPaddles_;
    motion::KeySteering keys_;
    std::size_t drawnSides_ = 0;
    // What the last paint put on the window, so that a frame repaints just around it; and the
    // room the next frame's paddles are worked out in, swapped with it.
    motion::Point paintedBall_;
    std::vector<arena::Line> paintedPaddles_;
    std::vector<arena::Line> framePaddles_;
    SideMarks marks_;
    ArenaBackdrop backdrop_;
    sound::SoundOutput* sound_ = nullptr;
    std::function<void(bool, int)> soundChanged_;
};

}  // namespace quorvex::client
