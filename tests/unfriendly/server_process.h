#pragma once

// The soak server as a child process: started, asked for its heap, and ended.

#include <QProcess>

#include <optional>

namespace quorvex::soak {

class ServerProcess {
  public:
    ServerProcess();
    ~ServerProcess();
    // The port it hosts on; empty when it did not start.
    std::optional<quint16> Port() const { return port_; }
    bool Running() const { return process_.state() == QProcess::Running; }
    // The bytes its allocator holds for it now (runs the event loop while waiting).
    std::optional<long long> HeapBytes();

  private:
    std::optional<QByteArray> ReadLine(int timeoutMs);

    QProcess process_;
    std::optional<quint16> port_;
};

}  // namespace quorvex::soak
