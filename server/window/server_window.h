#pragma once

// The server console, frmMain: settings, ball data, the player list with the kick button,
// the host address and the uptime. A view over the game state; it keeps none of its own.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>

#include "server/bots/bot_launcher.h"
#include "server/host/ball_clock.h"
#include "server/host/game_host.h"
#include "server/watch/watch_service.h"
#include "ui/prompter.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace quorvex::server {

class ServerWindow : public QWidget {
    Q_OBJECT
  public:
    // `players`: the maximum number of players given on the command line; without it Start()
    // asks the operator.
    ServerWindow(GameHost& host, Prompter& prompter, std::int32_t port,
                 std::optional<std::int32_t> players = std::nullopt);

    // Form_Load: shows the window, hosts the session, starts the clock.
    void Start();

    // Controls, named as the console calls them, for tests that look at what it shows.
    QLabel* lblUptime = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QLineEdit* Limit = nullptr;
    QLineEdit* txtPassword = nullptr;
    QLabel* lblBallLeft = nullptr;
    QLabel* lblBallTop = nullptr;
    QLabel* lblBallAngle = nullptr;
    QListWidget* PlayerIndex = nullptr;
    QListWidget* PlayerName = nullptr;
    QListWidget* PlayerWins = nullptr;
    QListWidget* PlayerMisses = nullptr;
    QPushButton* cmdKick = nullptr;
    QPushButton* cmdKickBan = nullptr;
    QCheckBox* chkRemoveDropped = nullptr;
    // Serves the watch page while ticked (off unless the command line asked for it).
    QCheckBox* chkWatchPage = nullptr;
    QPushButton* cmdAddComputer = nullptr;
    QSpinBox* ComputerSkill = nullptr;
    BallClock tmrBallHandler;  // gated by the uptime tick
    QTimer tmrUptime;

    void Text1_Click();
    void cmdKick_Click();
    void cmdKickBan_Click();
    void cmdAddComputer_Click();
    BotLauncher& Bots() { return bots_; }
    // The watch page the check box turns on and off, on `port` (loopback only when
    // `loopbackOnly`); `on`: ticked at once.
    void SetWatchPage(watch::WatchService* page, quint16 port, bool loopbackOnly, bool on);
    void Refresh();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    // Hosts for the player count from the command line or the operator's answer; a failure as
    // "Error #<n>: <description>" for the box.
    std::optional<std::string> InitServer();
    void OptionClicked(GameType type);
    void LimitChanged(const QString& text);
    void tmrUptime_Timer();
    void ShowDroppedPlayers();
    void WatchPageToggled(bool on);

    GameHost& host_;
    Prompter& prompter_;
    std::int32_t port_;
    std::optional<std::int32_t> players_;
    QElapsedTimer startTime_;
    BotLauncher bots_;
    watch::WatchService* watchPage_ = nullptr;
    quint16 watchPort_ = 0;
    bool watchLoopbackOnly_ = false;
};

}  // namespace quorvex::server
