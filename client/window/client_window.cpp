#include "client/window/client_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegion>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <optional>

#include "client/motion/frame_interval.h"
#include "client/motion/next_step.h"
#include "client/sound/volume.h"
#include "client/window/arena_backdrop.h"
#include "client/window/arena_painter.h"
#include "client/window/chat_view.h"
#include "client/window/fit_text.h"
#include "ui/seat_column.h"
#include "ui/twips.h"

namespace quorvex::client {
namespace {

constexpr arena::Line kLine1{0, kSeparatorY, 10320, kSeparatorY, arena::kWhite, arena::kSolid,
                             1, true};
constexpr arena::Line kLine2{5640, kSeparatorY, 5640, 9600, arena::kWhite, arena::kSolid, 1, true};
std::optional<motion::Way> WayOf(int key) {
    switch (key) {
        case Qt::Key_Left:
        case Qt::Key_A:
            return motion::kLeft;
        case Qt::Key_Right:
        case Qt::Key_D:
            return motion::kRight;
        default:
            return std::nullopt;
    }
}

// The key code the state knows: 13 for either Enter key, the key's own code where it fits in
// 16 bits, 0 for the rest.
int KeyCode(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        return kEnterKey;
    }
    return key >= 0 && key <= 0xFFFF ? key : 0;
}

}  // namespace

void PreferCopiedFrames() {
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) {
        qputenv("QT_XCB_NO_MITSHM", "1");
    }
}

ClientWindow::ClientWindow(HumanPlayer& player)
    : player_(player), link_(player.Link()), state_(player.State()) {
    BuildControls();
    chatView_ = std::make_unique<ChatView>(*txtChat);
    setMouseTracking(true);
    // Every paint covers its part whole, from the still parts' image.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowTitle(QString::fromUtf8(kStartingCaption));

    setFocusPolicy(Qt::StrongFocus);  // a click on the arena takes the keys from the chat line
    // Steering keys reach the arena wherever the focus is, except in the chat line.
    for (QWidget* control : findChildren<QWidget*>()) {
        control->installEventFilter(this);
    }
    clock_.start();

    frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer, &QTimer::timeout, this, &ClientWindow::Frame);
    auto* fullScreen = new QShortcut(QKeySequence(Qt::Key_F11), this);
    fullScreen->setContext(Qt::WindowShortcut);
    connect(fullScreen, &QShortcut::activated, this, &ClientWindow::ToggleFullScreen);
    player_.SetChangedCallback([this] { Sync(); });
    RefreshAll();
}

ClientWindow::~ClientWindow() {
    player_.SetChangedCallback(nullptr);
}

void ClientWindow::Start() {
    show();
    QApplication::processEvents();
    if (!link_.SessionInit()) {
        return;
    }
    setWindowTitle(QString::fromUtf8(kInitializedCaption));
    if (!link_.ConnectToHost()) {
        return;
    }
    setWindowTitle(QString::fromUtf8(kRunningCaption));
    Sync();
}

void ClientWindow::SetSound(sound::SoundOutput* sound,
                            std::function<void(bool muted, int volume)> changed) {
    sound_ = sound;
    soundChanged_ = std::move(changed);
    state_.RecordHappenings(sound_ != nullptr);
}

void ClientWindow::PlayHappenings() {
    for (const Happening& happening : state_.TakeHappenings()) {
        sound_->Play(sound::CueFor(happening));
    }
}

bool ClientWindow::SoundKey(const QKeyEvent& event) {
    if (sound_ == nullptr || event.type() != QEvent::KeyPress ||
        (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0) {
        return false;
    }
    switch (event.key()) {
        case Qt::Key_M:
            sound_->SetMuted(!sound_->Muted());
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            sound_->SetVolume(sound::StepVolume(sound_->Volume(), 1));
            break;
        case Qt::Key_Minus:
            sound_->SetVolume(sound::StepVolume(sound_->Volume(), -1));
            break;
        default:
            return false;
    }
    if (soundChanged_) {
        soundChanged_(sound_->Muted(), sound_->Volume());
    }
    return true;
}

void ClientWindow::Sync() {
    // Sounds first: what is heard must not wait for the repaint.
    if (sound_ != nullptr) {
        PlayHappenings();
    }
    ShowChanges(state_.TakeChanges());
    if (link_.Ended()) {
        frameTimer.stop();
    }
    link_.SetAtRest(!frameTimer.isActive());
}

void ClientWindow::RefreshAll() {
    state_.TakeChanges();
    // The ball stands where it is until a report sets it going.
    ShowChanges(~0u & ~kBallChanged);
}

void ClientWindow::ShowChanges(unsigned changes) {
    if (changes & kChatChanged) {
        chatView_->Show(state_.Chat().Text());
    }
    if (changes & (kRosterChanged | kSeatsChanged)) {
        ShowSeats();
    }
    if (changes & kLobbyChanged) {
        ShowLobby();
    }
    if (changes & kLinkChanged) {
        lblReconnecting->setVisible(state_.Reconnecting());
        update();
    }
    if (changes & (kArenaChanged | kBallChanged)) {
        const double now = NowMs();
        if (changes & kBallChanged) {
            const ball::Ball& reported = state_.ReportedBall();
            drawnBall_.Report({reported.left, reported.top},
                              motion::NextStep(reported, state_.Arena(), state_.Seats().size(),
                                               {state_.OuterWidth(), kSeparatorY}),
                              now);
        }
        if (changes & kArenaChanged) {
            drawnPaddles_.Follow(state_.Arena().players, state_.PlayerID(), now);
            // A rebuild for another seat count redraws the whole arena; the paddles and the
            // ball redraw only where they were and are.
            if (state_.Arena().segments.size() != drawnSides_) {
                drawnSides_ = state_.Arena().segments.size();
                update();
            }
        }
        // While frames run, the next one draws what the message changed: a repaint of its
        // own would put a second paint between two frames the screen shows anyway.
        if (!frameTimer.isActive()) {
            RepaintMoved(now);
            StartFrames();
        }
    }
}

void ClientWindow::ShowText(QLabel* label, const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (label->text() != shown) {
        FitLabelText(*label, shown, kLobbyPoints * scale_.factor);
    }
}

double ClientWindow::NowMs() const {
    return static_cast<double>(clock_.nsecsElapsed()) / 1e6;
}

bool ClientWindow::Moving(double nowMs) const {
    return keys_.Held() || drawnBall_.Moving(nowMs) || drawnPaddles_.Moving(nowMs);
}

void ClientWindow::StartFrames() {
    if (frameTimer.isActive() || !Moving(NowMs())) {
        return;
    }
    const QScreen* shown = screen();
    frameTimer.start(motion::FrameIntervalMs(shown ? shown->refreshRate() : 0));
}

void ClientWindow::Frame() {
    const double now = NowMs();
    SteerByKeys(now);
    RepaintMoved(now);
    if (!Moving(now)) {
        frameTimer.stop();
        link_.SetAtRest(true);
    }
}

QRect ClientWindow::OnWindow(const QRectF& twips, double marginPixels) const {
    const double f = scale_.factor / kTwipsPerPixel;
    const QRectF pixels(twips.left() * f + scale_.offset.x(), twips.top() * f + scale_.offset.y(),
                        twips.width() * f, twips.height() * f);
    const double m = marginPixels * scale_.factor + 2;
    return pixels.adjusted(-m, -m, m, m).toAlignedRect();
}

// Only where the ball and the paddles were last painted and where they are to be painted now:
// at sixty frames a second the rest of the window stays as it is.
void ClientWindow::RepaintMoved(double nowMs) {
    const auto ballRect = [this](const motion::Point& at) {
        const ball::Ball& b = state_.Ball();
        return OnWindow(QRectF(at.x, at.y, b.width, b.height), 0);
    };
    const auto lineRect = [this](const arena::Line& line) {
        const QRectF box =
            QRectF(QPointF(line.x1, line.y1), QPointF(line.x2, line.y2)).normalized();
        return OnWindow(box, line.width + kOwnPaddleExtraWidth);
    };
    const auto sameLine = [](const arena::Line& a, const arena::Line& b) {
        return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 &&
               a.visible == b.visible && a.color == b.color && a.width == b.width;
    };
    QRegion dirty;
    const motion::Point ball = drawnBall_.At(nowMs);
    if (ball.x != paintedBall_.x || ball.y != paintedBall_.y) {
        dirty += ballRect(paintedBall_);
        dirty += ballRect(ball);
    }
    std::vector<arena::Line>& paddles = framePaddles_;
    drawnPaddles_.At(nowMs, paddles);
    for (std::size_t i = 0; i < std::max(paddles.size(), paintedPaddles_.size()); ++i) {
        const bool before = i < paintedPaddles_.size();
        const bool now = i < paddles.size();
        if (before && now && sameLine(paintedPaddles_[i], paddles[i])) {
            continue;
        }
        if (before) {
            dirty += lineRect(paintedPaddles_[i]);
        }
        if (now) {
            dirty += lineRect(paddles[i]);
        }
    }
    // Every paint, whole or in part, draws what is committed here, and every change of it has
    // marked both places: nothing is left behind where a paint covered only part.
    paintedBall_ = ball;
    paintedPaddles_.swap(paddles);
    if (!dirty.isEmpty()) {
        update(dirty);
    }
}

// Held keys move the paddle as a pointer gliding along the own side would.
void ClientWindow::SteerByKeys(double nowMs) {
    const double twips = keys_.Advance(nowMs);
    if (twips == 0 || state_.Exiting()) {
        return;
    }
    if (const auto to = motion::AlongOwnSide(state_.Arena(), state_.PlayerID(), twips)) {
        state_.Form_MouseMove(to->first, to->second);
        Sync();
    }
}

bool ClientWindow::SteeringKey(const QKeyEvent& event) {
    const auto way = WayOf(event.key());
    if (!way) {
        return false;
    }
    if (!event.isAutoRepeat()) {
        const double now = NowMs();
        if (event.type() == QEvent::KeyPress) {
            SteerByKeys(now);
            keys_.Press(*way, now);
        } else {
            SteerByKeys(now);
            keys_.Release(*way, now);
        }
        StartFrames();
    }
    return true;
}

void ClientWindow::keyPressEvent(QKeyEvent* event) {
    if (!SteeringKey(*event) && !SoundKey(*event)) {
        QWidget::keyPressEvent(event);
    }
}

void ClientWindow::keyReleaseEvent(QKeyEvent* event) {
    if (!SteeringKey(*event)) {
        QWidget::keyReleaseEvent(event);
    }
}

// A key let go while another window has the keyboard never comes back as a release.
void ClientWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        keys_.ReleaseAll();
    }
    QWidget::changeEvent(event);
}

void ClientWindow::ShowSeats() {
    const SeatTable& seats = state_.Seats();
    marks_.names.clear();
    for (const auto& row : seats) {
        marks_.names.push_back(QString::fromStdString(row.PlayerName));
    }
    update();  // the names beside the sides
    ShowColumn(PlayerIndex, seats, &SeatTableRow::PlayerIndex, &SeatTableRow::PlayerIndex);
    ShowColumn(PlayerName, seats, &SeatTableRow::PlayerName, &SeatTableRow::PlayerIndex);
    ShowColumn(PlayerWins, seats, &SeatTableRow::PlayerWins, &SeatTableRow::PlayerIndex);
    ShowColumn(PlayerMisses, seats, &SeatTableRow::PlayerMisses, &SeatTableRow::PlayerIndex);
}

void ClientWindow::ShowLobby() {
    const client::Lobby& lobby = state_.Lobby();
    ShowText(lblGameType, lobby.lblGameType);
    ShowText(lblLimit, lobby.lblLimit);
    ShowText(lblPRdy, lobby.lblPRdy);
    ShowText(lblNOP, lobby.lblNOP);
    cmdRdy->setEnabled(lobby.cmdRdyEnabled);
    cmdJoin->setEnabled(lobby.cmdJoinEnabled);
    cmdSpectate->setEnabled(lobby.cmdSpectateEnabled);
    frameInitRnd->setEnabled(lobby.frameEnabled);
    frameInitRnd->setVisible(lobby.frameVisible);
}

void ClientWindow::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    marks_.ownSeat = state_.PlayerID();
    const QPixmap& still = backdrop_.For(size(), devicePixelRatioF(), scale_, state_.Arena(),
                                         marks_, palette().color(backgroundRole()));
    // Whole, and clipped to the part to repaint: pixel for pixel at any pixel ratio, a
    // fractional one too.
    painter.setClipRegion(event->region());
    painter.drawPixmap(QPointF(0, 0), still);
    painter.translate(scale_.offset);
    painter.scale(scale_.factor, scale_.factor);
    painter.save();
    painter.setClipRect(kArenaSurface, Qt::IntersectClip);
    PaintMoving(painter, state_.Arena(), paintedPaddles_, state_.Ball(),
                static_cast<float>(paintedBall_.x), static_cast<float>(paintedBall_.y), marks_);
    painter.restore();
    painter.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
    PaintLine(painter, kLine1);
    PaintLine(painter, kLine2);
    // Nothing moves while the link is away: the arena says so without a box in the way.
    if (state_.Reconnecting()) {
        painter.resetTransform();
        painter.fillRect(rect(), QColor(128, 128, 128, 110));
    }
}

// Every move counts, with or without a button held; the frame's controls over the arena pass
// their moves on to here.
void ClientWindow::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove(event->position());
    event->accept();
}

void ClientWindow::Form_MouseMove(const QPointF& pixels) {
    const QPointF twips = scale_.ToTwips(pixels);
    state_.Form_MouseMove(static_cast<float>(twips.x()), static_cast<float>(twips.y()));
    Sync();
}

void ClientWindow::closeEvent(QCloseEvent* event) {
    if (link_.Ended()) {
        event->accept();
        return;
    }
    // The window stays, showing the farewell, until Timer1 has given PlayerLeft its time and
    // ended the program.
    Form_Unload();
    event->ignore();
}

void ClientWindow::Form_Unload() {
    link_.Leave();
}

void ClientWindow::cmdJoin_Click() {
    state_.cmdJoin_Click();
    Sync();
}

void ClientWindow::cmdRdy_Click() {
    state_.cmdRdy_Click();
    Sync();
}

void ClientWindow::cmdSpectate_Click() {
    state_.cmdSpectate_Click();
    Sync();
}

bool ClientWindow::txtSend_KeyDown(int keyCode) {
    const bool sent = state_.txtSend_KeyDown(keyCode, txtSend->text().toStdString());
    if (sent) {
        txtSend->clear();
    }
    Sync();
    return sent;
}

bool ClientWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool press = event->type() == QEvent::KeyPress;
    if (!press && event->type() != QEvent::KeyRelease) {
        return QWidget::eventFilter(watched, event);
    }
    auto& key = *static_cast<QKeyEvent*>(event);
    if (watched != txtSend) {
        return SteeringKey(key) || SoundKey(key) || QWidget::eventFilter(watched, event);
    }
    if (!press) {
        // A steering key held into the chat line must still stop when let go; A and D type.
        if (WayOf(key.key()) && !key.isAutoRepeat()) {
            keys_.ReleaseAll();
        }
        return false;
    }
    const int code = KeyCode(key);
    txtSend_KeyDown(code);
    if (key.key() == Qt::Key_Escape) {
        setFocus(Qt::ShortcutFocusReason);  // the keys go to the arena again
        return true;
    }
    // Enter is ours; every other key edits the line as usual.
    return code == kEnterKey;
}

void ClientWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ScaleControls();
}

void ClientWindow::ToggleFullScreen() {
    setWindowState(windowState() ^ Qt::WindowFullScreen);
}

}  // namespace quorvex::client
