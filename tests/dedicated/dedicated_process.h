// quorvex-server as a real process, its log read line by line as it comes.

#pragma once

#include <QProcess>

#include <string>

#include "tests/support/wait.h"

namespace quorvex::test {

struct Dedicated {
    explicit Dedicated(const QStringList& arguments) {
        process.start(QStringLiteral(QUORVEX_SERVER), arguments);
        process.waitForStarted(5000);
    }
    ~Dedicated() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(3000);
        }
    }
    // Waits for a log line holding `text` after the last one found: the lines' order counts.
    bool Next(const std::string& text, int timeoutMs = 5000) {
        const auto found = [&] {
            log += process.readAllStandardOutput().toStdString();
            const auto at = log.find(text, seen);
            seen = at == std::string::npos ? seen : at + text.size();
            return at != std::string::npos;
        };
        return WaitUntil(found, timeoutMs);
    }
    quint16 Port() {
        Next("on TCP port ");
        return static_cast<quint16>(std::stoi(log.substr(seen)));
    }
    void Command(const std::string& line) { process.write((line + "\n").c_str()); }
    bool Exited(int timeoutMs = 5000) {
        return WaitUntil([&] { return process.state() == QProcess::NotRunning; }, timeoutMs);
    }

    QProcess process;
    std::string log;
    std::size_t seen = 0;
};

}  // namespace quorvex::test
