#include "server/bots/bot_launcher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

#include "protocol/bot_skill.h"

namespace quorvex::server {
namespace {

constexpr char kClientName[] = "quorvex-client";
constexpr int kStartTimeoutMs = 5000;

bool Executable(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

}  // namespace

BotLauncher::BotLauncher(QString program)
    : program_(program.isEmpty() ? FindClientProgram() : std::move(program)) {}

BotLauncher::~BotLauncher() {
    StopAll();
}

QString BotLauncher::FindClientProgram() {
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString& candidate :
         {here.filePath(kClientName), here.filePath(QStringLiteral("../client/") + kClientName)}) {
        if (Executable(candidate)) {
            return QDir::cleanPath(candidate);
        }
    }
    return QStandardPaths::findExecutable(kClientName);
}

std::optional<std::string> BotLauncher::Add(std::uint16_t port, int skill, std::string* error) {
    const auto fail = [error](std::string why) -> std::optional<std::string> {
        if (error) {
            *error = std::move(why);
        }
        return std::nullopt;
    };
    if (program_.isEmpty()) {
        return fail(std::string(kClientName) + " was not found beside this program or on PATH");
    }
    if (port == 0) {
        return fail("the server is not hosting");
    }
    if (password_.find('\n') != std::string::npos) {
        return fail("a password with a line break cannot be passed on");
    }
    // Those that have ended make room.
    std::erase_if(processes_, [](const auto& p) { return p->state() == QProcess::NotRunning; });
    const std::string name = "CPU " + std::to_string(nextNumber_);
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    QStringList arguments({"--bot", "--host", "127.0.0.1", "--port", QString::number(port),
                           "--name", QString::fromStdString(name), "--skill",
                           QString::number(std::clamp(skill, kLowestBotSkill, kHighestBotSkill))});
    if (!password_.empty()) {
        arguments.append("--password-stdin");
    }
    process->start(program_, arguments);
    if (!process->waitForStarted(kStartTimeoutMs)) {
        return fail(program_.toStdString() + ": " + process->errorString().toStdString());
    }
    // A pipe only the two of us hold, read once; an environment variable would stay readable
    // in /proc for the child's whole life and pass on to anything it starts.
    if (!password_.empty()) {
        process->write(password_.data(), static_cast<qint64>(password_.size()));
        process->write("\n", 1);
        process->waitForBytesWritten(kStartTimeoutMs);
    }
    process->closeWriteChannel();
    ++nextNumber_;
    processes_.push_back(std::move(process));
    return name;
}

int BotLauncher::Running() const {
    return static_cast<int>(std::count_if(processes_.begin(), processes_.end(), [](const auto& p) {
        return p->state() != QProcess::NotRunning;
    }));
}

void BotLauncher::StopAll(int timeoutMs) {
    for (auto& p : processes_) {
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
        }
    }
    const QDeadlineTimer deadline(timeoutMs);
    for (auto& p : processes_) {
        if (p->state() != QProcess::NotRunning &&
            !p->waitForFinished(static_cast<int>(std::max<qint64>(0, deadline.remainingTime())))) {
            p->kill();
            p->waitForFinished(1000);
        }
    }
    processes_.clear();
}

}  // namespace quorvex::server
