#pragma once

// Computer players for this server: each one is `quorvex-client --bot` in a child process,
// connected over loopback like any other player, so the game cannot tell it from a person.
// They end by themselves when kicked or when the session goes; the launcher's end stops any
// that are still running.

#include <QProcess>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvex::server {

class BotLauncher {
  public:
    // `program`: the client to start; empty finds it (FindClientProgram).
    explicit BotLauncher(QString program = {});
    ~BotLauncher();
    BotLauncher(const BotLauncher&) = delete;
    BotLauncher& operator=(const BotLauncher&) = delete;

    // Starts "CPU n" (n counting up from 1) with `skill` (protocol/bot_skill.h) against
    // 127.0.0.1:`port`. The name it was given, or nothing with `error` saying why it could not
    // start.
    std::optional<std::string> Add(std::uint16_t port, int skill, std::string* error = nullptr);

    // The client to start from now on (a test's build of it).
    void SetProgram(QString program) { program_ = std::move(program); }
    // The server's password, for those started from now on; empty: none. It reaches them
    // through their standard input, never their command line, which any user can read.
    void SetPassword(std::string password) { password_ = std::move(password); }
    // The computer players still running.
    int Running() const;
    // Asks every one still running to leave (SIGTERM: it says goodbye as a person would), waits
    // up to `timeoutMs` for all together, and kills what is left.
    void StopAll(int timeoutMs = 3000);

    // quorvex-client beside this program, else where a build tree keeps it (../client), else
    // on PATH; empty when there is none.
    static QString FindClientProgram();

  private:
    QString program_;
    std::string password_;
    std::vector<std::unique_ptr<QProcess>> processes_;
    int nextNumber_ = 1;
};

}  // namespace quorvex::server
