#include "client/window/client_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "client/window/arena_painter.h"
#include "client/window/chat_view.h"
#include "client/window/fit_text.h"
#include "ui/seat_column.h"
#include "ui/twips.h"

namespace quorvex::client {
namespace {

constexpr arena::Line kLine1{0, 7560, 10320, 7560, arena::kWhite, arena::kSolid, 1, true};
constexpr arena::Line kLine2{5640, 7560, 5640, 9600, arena::kWhite, arena::kSolid, 1, true};

void ShowText(QLabel* label, const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (label->text() != shown) {
        FitLabelText(*label, shown, kLobbyPoints);
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

ClientWindow::ClientWindow(ClientSession& session) : session_(session), state_(session.State()) {
    BuildControls();
    chatView_ = std::make_unique<ChatView>(*txtChat);
    setMouseTracking(true);
    setWindowTitle(QString::fromUtf8(kStartingCaption));

    Timer1.setTimerType(Qt::PreciseTimer);
    Timer2.setInterval(kTimer2Interval);
    connect(&Timer1, &QTimer::timeout, this, &ClientWindow::Timer1_Timer);
    connect(&Timer2, &QTimer::timeout, this, &ClientWindow::Timer2_Timer);
    session_.SetChangedCallback([this] { Sync(); });
    RefreshAll();
}

ClientWindow::~ClientWindow() {
    session_.SetChangedCallback(nullptr);
}

void ClientWindow::Start() {
    show();
    QApplication::processEvents();
    if (!session_.SessionInit()) {
        return;
    }
    setWindowTitle(QString::fromUtf8(kInitializedCaption));
    if (!session_.ConnectToHost()) {
        return;
    }
    setWindowTitle(QString::fromUtf8(kRunningCaption));
    Sync();
}

void ClientWindow::Sync() {
    ShowChanges(state_.TakeChanges());
    const bool running = !session_.Ended() && state_.Timer2Running();
    if (running && !Timer2.isActive()) {
        Timer2.start();
    }
}

void ClientWindow::RefreshAll() {
    state_.TakeChanges();
    ShowChanges(~0u);
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
    if (changes & (kArenaChanged | kBallChanged)) {
        update();
    }
}

void ClientWindow::ShowSeats() {
    const SeatTable& seats = state_.Seats();
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

void ClientWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    PaintArena(painter, state_.Arena(), state_.Ball());
    painter.save();
    painter.scale(1.0 / kTwipsPerPixel, 1.0 / kTwipsPerPixel);
    PaintLine(painter, kLine1);
    PaintLine(painter, kLine2);
    painter.restore();
}

// Every move counts, with or without a button held; the frame's controls over the arena pass
// their moves on to here.
void ClientWindow::mouseMoveEvent(QMouseEvent* event) {
    Form_MouseMove(event->position());
    event->accept();
}

void ClientWindow::Form_MouseMove(const QPointF& pixels) {
    state_.Form_MouseMove(static_cast<float>(pixels.x() * kTwipsPerPixel),
                          static_cast<float>(pixels.y() * kTwipsPerPixel));
    Sync();
}

void ClientWindow::closeEvent(QCloseEvent* event) {
    if (session_.Ended()) {
        event->accept();
        return;
    }
    // The window stays, showing the farewell, until Timer1 has given PlayerLeft its time and
    // ended the program.
    Form_Unload();
    event->ignore();
}

void ClientWindow::Form_Unload() {
    if (state_.Exiting()) {
        return;
    }
    state_.BeginExit();
    Sync();
    Timer1.start(state_.Timer1Interval());
}

void ClientWindow::Timer1_Timer() {
    if (!state_.Timer1_Timer()) {
        Timer1.setInterval(state_.Timer1Interval());
        return;
    }
    Timer1.stop();
    Timer2.stop();
    session_.CloseSession();
    session_.EndProgram(0);
}

void ClientWindow::Timer2_Timer() {
    if (session_.Ended()) {
        Timer2.stop();
        return;
    }
    state_.Timer2_Timer();
    Sync();
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
    if (watched == txtSend && event->type() == QEvent::KeyPress) {
        const int code = KeyCode(*static_cast<QKeyEvent*>(event));
        txtSend_KeyDown(code);
        // Enter is ours; every other key edits the line as usual.
        return code == kEnterKey;
    }
    return QWidget::eventFilter(watched, event);
}

void ClientWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateOuterWidth();
}

void ClientWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateOuterWidth();
}

void ClientWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    UpdateOuterWidth();
}

void ClientWindow::UpdateOuterWidth() {
    state_.SetOuterWidth(static_cast<double>(frameGeometry().width()) * kTwipsPerPixel);
}

}  // namespace quorvex::client
