#include "tests/unfriendly/server_process.h"

#include "tests/support/wait.h"

namespace quorvex::soak {

ServerProcess::ServerProcess() {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(QUORVEX_SOAK_SERVER), {});
    if (!process_.waitForStarted(5000)) {
        return;
    }
    if (const auto line = ReadLine(5000); line && line->startsWith("PORT ")) {
        port_ = static_cast<quint16>(line->mid(5).trimmed().toUInt());
    }
}

ServerProcess::~ServerProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.write("quit\n");
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
}

std::optional<long long> ServerProcess::HeapBytes() {
    process_.write("heap\n");
    const auto line = ReadLine(5000);
    if (!line || !line->startsWith("HEAP ")) {
        return std::nullopt;
    }
    return line->mid(5).trimmed().toLongLong();
}

std::optional<QByteArray> ServerProcess::ReadLine(int timeoutMs) {
    // The players share this event loop: wait by running it, not by blocking on the pipe.
    if (!test::WaitUntil([this] { return process_.canReadLine(); }, timeoutMs)) {
        return std::nullopt;
    }
    return process_.readLine();
}

}  // namespace quorvex::soak
