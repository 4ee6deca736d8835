#pragma once

// The client's end of LAN discovery: asks every target once a second while it runs and keeps
// the servers that answered recently, one entry per server however many routes reach it.

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "protocol/session/discovery.h"

class QUdpSocket;

namespace quorvex::session {

inline constexpr int kDiscoveryAskIntervalMs = 1000;
// A server unheard for this long has gone (three asks missed, with room for a slow answer).
inline constexpr int kDiscoveryForgetMs = 3500;

struct FoundServer {
    DiscoveryReply reply;
    // The reply's address, or where the reply came from when the server could not say or
    // named a link-local address, which needs our own interface to be reached.
    std::string connectAddress;
    qint64 lastHeardMs = 0;
};

class DiscoveryBrowser : public QObject {
    Q_OBJECT
  public:
    // Where to ask, worked out again before every ask: an interface may come up (or get its
    // carrier) while the prompt is open. DiscoveryTargets in the program.
    using Targets = std::function<QList<QHostAddress>()>;

    // Asks on `port` of each of `targets()`.
    explicit DiscoveryBrowser(Targets targets, std::uint16_t port = kDiscoveryPort,
                              QObject* parent = nullptr);
    ~DiscoveryBrowser() override;

    void Start();
    void Stop();
    bool Running() const { return asking_.isActive(); }
    // In the order first heard.
    const std::vector<FoundServer>& Servers() const { return servers_; }
    // Runs whenever Servers() changed.
    void SetChangedCallback(std::function<void()> changed) { changed_ = std::move(changed); }

  private:
    void Ask();
    void OnReadyRead(QUdpSocket& socket);
    void Changed();

    Targets targets_;
    std::uint16_t port_;
    std::unique_ptr<QUdpSocket> v4_;
    std::unique_ptr<QUdpSocket> v6_;
    std::uint32_t token_ = 0;
    QTimer asking_;
    QElapsedTimer since_;
    std::vector<FoundServer> servers_;
    std::function<void()> changed_;
};

}  // namespace quorvex::session
