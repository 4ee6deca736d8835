#pragma once

// One framed TCP connection, the same at both ends of a session: it owns the socket, cuts what
// arrives into frames, keeps the clocks that tell a live peer from a gone one, and holds the
// frames not yet handed to the kernel within a bound. When they are handed over is the owner's
// choice (the server gathers them, the client sends at once).
//
// The socket is read and written with plain system calls when its notifiers (or the epoll set
// it shares) say it is ready: Qt's own buffered socket asks for the pending byte count before
// every read, one system call more per message than the read itself.

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <cstddef>
#include <functional>
#include <optional>

#include "protocol/session/frame.h"
#include "protocol/session/limits.h"

namespace quorvex::session {

class EpollSet;

class Connection : public QObject {
    Q_OBJECT
  public:
    // Each whole frame, in order of arrival; the payload is valid until the call returns.
    using FrameHandler = std::function<void(FrameKind kind, ByteView payload)>;
    // The link is gone: the peer closed it, it failed, or it sent bytes that are no frame.
    using LostHandler = std::function<void()>;

    // Takes over `descriptor`, a connected TCP socket, with frames of up to `maxBodyBytes`;
    // watched through `shared` (which must outlive the socket), or by notifiers of its own.
    Connection(int descriptor, const Limits& limits, std::size_t maxBodyBytes, EpollSet* shared,
               FrameHandler onFrame, LostHandler onLost, QObject* parent);
    // Closes at once; whatever is still queued is dropped.
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void SetMaxBodyBytes(std::size_t maxBodyBytes) { parser_.SetMaxBodyBytes(maxBodyBytes); }
    // The peer sent bytes that are no frame (or a frame over the bound).
    bool Malformed() const { return parser_.Failed(); }

    // Appends a whole frame to the queue: false, and nothing queued, when the queue would pass
    // Limits::maxPendingWriteBytes (a peer that stops reading must not grow our memory).
    bool Queue(ByteView frame);
    bool HasQueued() const { return written_ < queue_.size(); }
    // Hands the queue to the kernel; what the kernel cannot take yet follows as soon as it can.
    void HandOver();

    // Nothing sent for the keep-alive interval: the peer is owed a KeepAlive.
    bool KeepAliveDue() const { return sinceSent_.elapsed() >= limits_.heartbeatIntervalMs; }
    // Nothing received for the peer time-out: the peer is gone.
    bool PeerSilent() const { return sinceReceived_.elapsed() > limits_.peerTimeoutMs; }
    std::int64_t MsOpen() const { return sinceOpened_.elapsed(); }

    // At rest a client need not wake for each message: with `intervalMs` > 0 the socket is not
    // watched, and what arrived is read when ReadNow is called or, failing that, every
    // `intervalMs`; 0 reads as data arrives again, starting with what is waiting.
    void GatherReads(int intervalMs);
    // Reads and hands over whatever has arrived, without waiting.
    void ReadNow();

    // Ends the connection without losing what was queued: the queue goes out, then the end is
    // sent, and the socket closes once the peer has closed its end too (what it still sends is
    // read and dropped), at the latest after Limits::handshakeTimeoutMs. No handler is called
    // any more; the object deletes itself afterwards.
    void CloseAfterSending();
    // Ends it at once, dropping the queue; the object deletes itself on the next loop turn.
    void Abort();

  private:
    friend class EpollSet;
    void OnReadable();
    void ReadAvailable();
    void Deliver();
    void OnWritable();
    // Whether to be told when the socket can be read, and written.
    void Listen(bool read, bool write);
    void Write();
    void FinishClosing();
    void CloseDescriptor();

    enum class State { Open, Closing, Closed };

    int descriptor_;
    Limits limits_;
    FrameParser parser_;
    FrameHandler onFrame_;
    LostHandler onLost_;
    EpollSet* shared_;
    std::optional<QSocketNotifier> readable_;
    std::optional<QSocketNotifier> writable_;
    bool reading_ = true;
    bool writing_ = false;
    QTimer linger_;
    QTimer gather_;
    int gatherMs_ = 0;
    // Frames queued and not yet taken by the kernel, from written_ on; kept between flushes,
    // so that a busy peer costs no allocation per message.
    Buffer queue_;
    std::size_t written_ = 0;
    QElapsedTimer sinceOpened_;
    QElapsedTimer sinceReceived_;
    QElapsedTimer sinceSent_;
    State state_ = State::Open;
    bool delivering_ = false;  // frames are being handed to the owner
    bool readEnded_ = false;   // the peer's end is closed or broken
};

}  // namespace quorvex::session
