#pragma once

// The server's end of LAN discovery: answers our queries on a UDP port with what the hosting
// program says about itself. Foreign datagrams cost one failed parse; replies are capped per
// second per asking address and in all (DiscoveryQuota), so a flood of queries takes little
// from the game and one host's flood does not hide the server from the others.

#include <QElapsedTimer>
#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>

#include "protocol/session/discovery.h"
#include "protocol/session/discovery_quota.h"
#include "protocol/session/session_types.h"

class QUdpSocket;

namespace quorvex::session {

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
    QElapsedTimer clock_;
    DiscoveryQuota quota_;
    long ignored_ = 0;
};

}  // namespace quorvex::session
