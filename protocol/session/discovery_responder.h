#pragma once

// The server's end of LAN discovery: answers our queries on a UDP port with what the hosting
// program says about itself. Foreign datagrams cost one failed parse; replies are capped per
// second, so a flood of queries takes little from the game.

#include <QElapsedTimer>
#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

#include "protocol/session/discovery.h"
#include "protocol/session/session_types.h"

class QUdpSocket;

namespace quorvex::session {

inline constexpr int kMaxDiscoveryRepliesPerSecond = 64;

class DiscoveryResponder : public QObject {
    Q_OBJECT
  public:
    // Fills in everything but the token, the instance and the address.
    using Describe = std::function<DiscoveryReply()>;

    explicit DiscoveryResponder(Describe describe, QObject* parent = nullptr);
    ~DiscoveryResponder() override;

    // Listens on `port` (0 picks a free one) for both IP families.
    Status Start(std::uint16_t port);
    std::uint16_t Port() const;

    long Ignored() const { return ignored_; }

  private:
    void OnReadyRead();

    Describe describe_;
    std::unique_ptr<QUdpSocket> socket_;
    std::uint32_t instance_;
    QElapsedTimer window_;
    int repliesInWindow_ = 0;
    long ignored_ = 0;
};

}  // namespace quorvex::session
