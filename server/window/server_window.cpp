#include "server/window/server_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <cstdio>

#include "protocol/bot_skill.h"
#include "protocol/numeric.h"
#include "server/game/console_text.h"
#include "server/game/limit_text.h"
#include "server/game/peer_number.h"
#include "ui/control_names.h"
#include "ui/seat_column.h"
#include "ui/twips.h"

namespace quorvex::server {
namespace {

constexpr char kLostSuffix[] = " (lost)";
// The window's ban: long enough for the evening's troublemaker to give up.
constexpr int kWindowBanMinutes = 10;

// The operator's answer: a whole number (a fraction is rounded); anything else is refused.
session::Status ParsePlayerCount(const std::optional<std::string>& answer, std::int32_t& count) {
    const auto value = answer ? StrictNumber(*answer) : std::nullopt;
    if (!value) {
        return session::Status::Failure(
            session::ErrorCode::InvalidParameter,
            "The number of clients must be a number, not \"" + answer.value_or("") + "\"");
    }
    const auto whole = ToInt32(*value);
    if (!whole) {
        return session::Status::Failure(session::ErrorCode::InvalidParameter,
                                        "The number of clients is far too large");
    }
    count = *whole;
    return session::Status::Success();
}

template <class W>
W* Place(QWidget* parent, int left, int top, int width, int height) {
    auto* widget = new W(parent);
    widget->setGeometry(TwipRect(left, top, width, height));
    return widget;
}

QLabel* Caption(QWidget* parent, const char* text, int left, int top, int width, int height) {
    auto* label = Place<QLabel>(parent, left, top, width, height);
    label->setText(QString::fromUtf8(text));
    return label;
}

QGroupBox* Frame(QWidget* parent, const char* caption, int top, int height) {
    auto* frame = Place<QGroupBox>(parent, 0, top, 4695, height);
    frame->setTitle(QString::fromUtf8(caption));
    return frame;
}

}  // namespace

ServerWindow::ServerWindow(GameHost& host, Prompter& prompter, std::int32_t port,
                           std::optional<std::int32_t> players)
    : tmrBallHandler(host.Game(), {}, [this] { Refresh(); }),
      host_(host),
      prompter_(prompter),
      port_(port),
      players_(players) {
    setObjectName("frmMain");
    setFont(QFont(QStringLiteral("Sans Serif"), 8));
    setFixedSize(TwipsToPixels(4710), TwipsToPixels(8760));
    BuildControls();
    tmrUptime.setInterval(1000);
    connect(&tmrUptime, &QTimer::timeout, this, &ServerWindow::tmrUptime_Timer);
    host_.SetChangedCallback([this] { Refresh(); });
    Refresh();
}

void ServerWindow::BuildControls() {
    lblUptime = Caption(this, "Uptime: 00:00:00", 120, 60, 4455, 255);
    Text1 = Place<QPlainTextEdit>(this, 0, 360, 4695, 615);
    Text1->setPlainText(QStringLiteral("IP/Hostname\n"));
    Text1->viewport()->installEventFilter(this);

    auto* settings = Frame(this, "Game Settings", 1020, 1335);
    Option1 = Place<QRadioButton>(settings, 120, 300, 1455, 300);
    Option2 = Place<QRadioButton>(settings, 120, 640, 1455, 300);
    Option3 = Place<QRadioButton>(settings, 120, 980, 1455, 300);
    Option1->setText(QStringLiteral("Points"));
    Option2->setText(QStringLiteral("Survivor"));
    Option3->setText(QStringLiteral("Free 4 All"));
    connect(Option1, &QRadioButton::clicked, this, [this] { OptionClicked(GameType::Points); });
    connect(Option2, &QRadioButton::clicked, this, [this] { OptionClicked(GameType::Survivor); });
    connect(Option3, &QRadioButton::clicked, this, [this] { OptionClicked(GameType::FreeForAll); });
    Caption(settings, "Miss Limit: ", 2040, 600, 1095, 300);
    Limit = Place<QLineEdit>(settings, 3240, 560, 615, 375);
    Limit->setText(QStringLiteral("0"));
    connect(Limit, &QLineEdit::textChanged, this, &ServerWindow::LimitChanged);
    // Empty, as at start, lets anyone join; the session asks newcomers for what stands here.
    Caption(settings, "Password: ", 2040, 960, 1095, 300);
    txtPassword = Place<QLineEdit>(settings, 3240, 920, 1335, 375);
    txtPassword->setEchoMode(QLineEdit::Password);
    connect(txtPassword, &QLineEdit::textChanged, this,
            [this](const QString& text) { host_.SetPassword(text.toStdString()); });

    chkWatchPage = Place<QCheckBox>(settings, 2040, 240, 2535, 300);
    chkWatchPage->setText(QStringLiteral("Watch page (web)"));
    chkWatchPage->setEnabled(false);
    connect(chkWatchPage, &QCheckBox::toggled, this, &ServerWindow::WatchPageToggled);

    auto* ball = Frame(this, "Ball Data", 2400, 975);
    Caption(ball, "Ball Left =  Ball Top =", 120, 300, 2175, 255);
    lblBallLeft = Caption(ball, "5235", 2400, 300, 855, 255);
    lblBallTop = Caption(ball, "3750", 3360, 300, 855, 255);
    Caption(ball, "Ball Angle = ", 120, 600, 1335, 255);
    lblBallAngle = Caption(ball, "0", 2400, 600, 855, 255);

    auto* players = Frame(this, "Player List", 3420, 4785);
    Caption(players, "ID", 120, 240, 1140, 255);
    Caption(players, "Name", 1320, 240, 1500, 255);
    Caption(players, "Wins", 2880, 240, 780, 255);
    Caption(players, "Misses", 3720, 240, 855, 255);
    PlayerIndex = Place<QListWidget>(players, 120, 480, 1140, 3240);
    PlayerName = Place<QListWidget>(players, 1320, 480, 1500, 3240);
    PlayerWins = Place<QListWidget>(players, 2880, 480, 780, 3240);
    PlayerMisses = Place<QListWidget>(players, 3720, 480, 855, 3240);
    for (auto* box : {PlayerIndex, PlayerName, PlayerWins, PlayerMisses}) {
        box->setSelectionMode(QAbstractItemView::SingleSelection);
    }
    // Off by default: with the window, the operator's kick stays the way to remove a player.
    chkRemoveDropped = Place<QCheckBox>(players, 120, 3780, 4455, 300);
    chkRemoveDropped->setText(
        QStringLiteral("Remove dropped players after %1 s").arg(kDefaultDropGraceMs / 1000));
    connect(chkRemoveDropped, &QCheckBox::toggled, this, [this](bool on) {
        host_.SetDropGrace(on ? std::optional<std::chrono::milliseconds>(kDefaultDropGraceMs)
                              : std::nullopt);
    });
    cmdKick = Place<QPushButton>(players, 120, 4140, 2895, 495);
    cmdKick->setText(QStringLiteral("Kick Selected Player (ID)"));
    connect(cmdKick, &QPushButton::clicked, this, &ServerWindow::cmdKick_Click);
    // The same kick, and the player's address and name are refused for a while after it.
    cmdKickBan = Place<QPushButton>(players, 3075, 4140, 1500, 495);
    cmdKickBan->setText(QStringLiteral("Kick and ban"));
    cmdKickBan->setToolTip(
        QStringLiteral("Kick the selected player and refuse its address and name for %1 minutes")
            .arg(kWindowBanMinutes));
    connect(cmdKickBan, &QPushButton::clicked, this, &ServerWindow::cmdKickBan_Click);
    // Under the player list: a computer player of the chosen skill joins like anyone else.
    cmdAddComputer = Place<QPushButton>(this, 120, 8250, 3015, 435);
    cmdAddComputer->setText(QStringLiteral("Add computer player"));
    connect(cmdAddComputer, &QPushButton::clicked, this, &ServerWindow::cmdAddComputer_Click);
    ComputerSkill = Place<QSpinBox>(this, 3240, 8250, 1335, 435);
    ComputerSkill->setRange(kLowestBotSkill, kHighestBotSkill);
    ComputerSkill->setValue(kDefaultBotSkill);
    ComputerSkill->setPrefix(QStringLiteral("Skill "));
    NameControls({
        {lblUptime, "lblUptime"},
        {Text1, "Text1"},
        {Option1, "Option1"},
        {Option2, "Option2"},
        {Option3, "Option3"},
        {Limit, "Limit"},
        {txtPassword, "txtPassword"},
        {lblBallLeft, "lblBallLeft"},
        {lblBallTop, "lblBallTop"},
        {lblBallAngle, "lblBallAngle"},
        {PlayerIndex, "PlayerIndex"},
        {PlayerName, "PlayerName"},
        {PlayerWins, "PlayerWins"},
        {PlayerMisses, "PlayerMisses"},
        {cmdKick, "cmdKick"},
        {cmdKickBan, "cmdKickBan"},
        {chkRemoveDropped, "chkRemoveDropped"},
        {chkWatchPage, "chkWatchPage"},
        {cmdAddComputer, "cmdAddComputer"},
        {ComputerSkill, "ComputerSkill"},
    });
}

void ServerWindow::Start() {
    setWindowTitle(QStringLiteral("Quorvex Server [Initilizing]"));
    show();
    QApplication::processEvents();
    if (const auto error = InitServer()) {
        prompter_.ShowCritical("InitServer", *error);
    }
    setWindowTitle(QStringLiteral("Quorvex Server [Server running]"));
    startTime_.start();
    tmrUptime.start();
    Text1_Click();
    host_.Game().StartUpBallDirection();
    Refresh();
}

std::optional<std::string> ServerWindow::InitServer() {
    std::int32_t players = 0;
    if (players_) {
        players = *players_;
    } else {
        const auto answer =
            prompter_.AskText("Please enter the number of Clients (include +1 for server)",
                              "Number of Clients Required", "11");
        if (const auto status = ParsePlayerCount(answer, players); !status.Ok()) {
            return session::ErrorText(status);
        }
    }
    return host_.Host(players, port_);
}

void ServerWindow::Refresh() {
    ServerGame& game = host_.Game();
    const auto& seats = game.Seats();
    ShowColumn(PlayerIndex, seats, &SeatRow::playerIndex, &SeatRow::playerIndex);
    ShowColumn(PlayerWins, seats, &SeatRow::playerWins, &SeatRow::playerIndex);
    ShowColumn(PlayerMisses, seats, &SeatRow::playerMisses, &SeatRow::playerIndex);
    ShowDroppedPlayers();
    lblBallLeft->setText(QString::fromStdString(game.BallLeft()));
    lblBallTop->setText(QString::fromStdString(game.BallTop()));
    lblBallAngle->setText(QString::fromStdString(game.BallAngle()));
    {
        QSignalBlocker block(Limit);
        const QString limit = QString::fromStdString(game.Limit());
        if (Limit->text() != limit) {
            Limit->setText(limit);
        }
    }
    Option1->setChecked(game.SelectedGameType() == GameType::Points);
    Option2->setChecked(game.SelectedGameType() == GameType::Survivor);
    Option3->setChecked(game.SelectedGameType() == GameType::FreeForAll);
}

// A player whose connection is gone keeps its rows, greyed, with "(lost)" after its name. Only
// this list shows it: the seat table sent to the clients is unchanged.
void ServerWindow::ShowDroppedPlayers() {
    const ServerGame& game = host_.Game();
    if (!game.AnyDropped()) {
        // Nothing to grey: a lost player's rows went with its removal, which rebuilt every box.
        ShowColumn(PlayerName, game.Seats(), &SeatRow::playerName, &SeatRow::playerIndex);
        return;
    }
    std::vector<SeatRow> shown = game.Seats();
    std::vector<bool> lost(shown.size(), false);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const auto id = PeerInt32(shown[i].playerIndex);
        lost[i] = id && game.IsDropped(*id);
        if (lost[i]) {
            shown[i].playerName += kLostSuffix;
        }
    }
    ShowColumn(PlayerName, shown, &SeatRow::playerName, &SeatRow::playerIndex);
    const QBrush grey = palette().brush(QPalette::Disabled, QPalette::Text);
    for (auto* box : {PlayerIndex, PlayerName, PlayerWins, PlayerMisses}) {
        for (int i = 0; i < box->count() && i < static_cast<int>(lost.size()); ++i) {
            box->item(i)->setForeground(lost[static_cast<std::size_t>(i)] ? grey : QBrush());
        }
    }
}

void ServerWindow::OptionClicked(GameType type) {
    host_.Game().PickGameType(type);
    Refresh();
}

void ServerWindow::LimitChanged(const QString& text) {
    if (!host_.Game().SetLimitText(text.toStdString())) {
        prompter_.ShowMessage(std::string(kLimitWarning));
        Limit->setText(QStringLiteral("0"));
    }
}

void ServerWindow::Text1_Click() {
    const auto address = host_.HostAddressText();
    std::string text = host_.IsHosting() && address ? HostAddressBoxText(*address)
                                                    : std::string(kHostAddressError);
    if (watchPage_ != nullptr && watchPage_->IsRunning()) {
        text += "\nWatch: " + watchPage_->Url();
    }
    Text1->setPlainText(QString::fromStdString(text));
}

void ServerWindow::SetWatchPage(watch::WatchService* page, quint16 port, bool loopbackOnly,
                                bool on) {
    watchPage_ = page;
    watchPort_ = port;
    watchLoopbackOnly_ = loopbackOnly;
    chkWatchPage->setEnabled(page != nullptr);
    chkWatchPage->setChecked(page != nullptr && on);
}

void ServerWindow::WatchPageToggled(bool on) {
    if (watchPage_ == nullptr) {
        return;
    }
    if (!on) {
        watchPage_->Stop();
    } else if (const auto error = watchPage_->Start(watchPort_, watchLoopbackOnly_)) {
        prompter_.ShowMessage("The watch page could not start: " + *error);
        const QSignalBlocker quiet(chkWatchPage);
        chkWatchPage->setChecked(false);
    } else {
        std::fprintf(stdout, "watch page: %s\n", watchPage_->Url().c_str());
        std::fflush(stdout);
    }
    Text1_Click();
}

void ServerWindow::cmdKick_Click() {
    host_.Game().Kick(SelectedRow(PlayerIndex));
    Refresh();
}

void ServerWindow::cmdKickBan_Click() {
    const auto row = SelectedRow(PlayerIndex);
    const auto& seats = host_.Game().Seats();
    if (row && *row >= 0 && static_cast<std::size_t>(*row) < seats.size()) {
        if (const auto id = PeerInt32(seats[static_cast<std::size_t>(*row)].playerIndex)) {
            host_.Ban(*id, kWindowBanMinutes);
        }
    }
    Refresh();
}

void ServerWindow::cmdAddComputer_Click() {
    std::string error;
    bots_.SetPassword(txtPassword->text().toStdString());
    if (!bots_.Add(host_.Port(), ComputerSkill->value(), &error)) {
        prompter_.ShowMessage("The computer player could not start: " + error);
    }
}

void ServerWindow::tmrUptime_Timer() {
    // To the nearest second: a coarse timer may tick a little early, and flooring would then
    // show the previous second all along.
    lblUptime->setText(QString::fromStdString(UptimeAfter(startTime_.elapsed())));
    tmrBallHandler.Gate();
}

void ServerWindow::closeEvent(QCloseEvent* event) {
    tmrBallHandler.Stop();
    tmrUptime.stop();
    host_.CloseServer();
    // They leave by themselves once the session is gone; this waits for them.
    bots_.StopAll();
    event->accept();
}

bool ServerWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text1->viewport() && event->type() == QEvent::MouseButtonPress) {
        Text1_Click();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace quorvex::server
