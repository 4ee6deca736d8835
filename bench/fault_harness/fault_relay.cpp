// A TCP relay that makes a perfect link imperfect, for machines without the kernel's netem:
// every chunk read from one side is written to the other after a delay with jitter, never
// before an earlier chunk (TCP keeps its order), and a "lost" chunk waits for its
// retransmission as well: the minimum retransmission time-out plus another trip.
//   fault_relay <target host> <target port> <delay ms> <jitter ms> <loss percent> <seed>
// Listens on 127.0.0.1 and prints "PORT <n>".

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <random>

namespace {

constexpr qint64 kMinRetransmitMs = 200;  // Linux's TCP_RTO_MIN

struct Impairment {
    qint64 delayMs = 0;
    qint64 jitterMs = 0;
    double lossPercent = 0;
};

// One direction of one connection.
class Lane : public QObject {
  public:
    Lane(QTcpSocket* from, QTcpSocket* to, const Impairment& impairment, std::mt19937& random,
         QElapsedTimer& clock)
        : QObject(from), to_(to), impairment_(impairment), random_(random), clock_(clock) {
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        connect(from, &QTcpSocket::readyRead, this, [this, from] { Take(from->readAll()); });
        connect(&timer_, &QTimer::timeout, this, [this] { Release(); });
    }

  private:
    void Take(QByteArray bytes) {
        std::uniform_int_distribution<qint64> jitter(-impairment_.jitterMs, impairment_.jitterMs);
        std::uniform_real_distribution<double> roll(0, 100);
        qint64 due = clock_.elapsed() + std::max<qint64>(0, impairment_.delayMs + jitter(random_));
        if (roll(random_) < impairment_.lossPercent) {
            due += kMinRetransmitMs + impairment_.delayMs;
        }
        due = std::max(due, lastDue_);
        lastDue_ = due;
        queue_.push_back({due, std::move(bytes)});
        Schedule();
    }
    void Release() {
        while (!queue_.empty() && queue_.front().first <= clock_.elapsed()) {
            if (to_->isOpen()) {
                to_->write(queue_.front().second);
            }
            queue_.pop_front();
        }
        Schedule();
    }
    void Schedule() {
        if (!queue_.empty() && !timer_.isActive()) {
            timer_.start(
                static_cast<int>(std::max<qint64>(0, queue_.front().first - clock_.elapsed())));
        }
    }

    QTcpSocket* to_;
    const Impairment& impairment_;
    std::mt19937& random_;
    QElapsedTimer& clock_;
    QTimer timer_;
    std::deque<std::pair<qint64, QByteArray>> queue_;
    qint64 lastDue_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 7) {
        std::fprintf(stderr, "usage: fault_relay host port delay jitter loss seed\n");
        return 2;
    }
    const QString host = QString::fromLocal8Bit(argv[1]);
    const auto port = static_cast<quint16>(std::atoi(argv[2]));
    Impairment impairment{std::atoll(argv[3]), std::atoll(argv[4]), std::atof(argv[5])};
    std::mt19937 random(static_cast<unsigned>(std::atoi(argv[6])));
    QElapsedTimer clock;
    clock.start();
    QTcpServer listener;
    if (!listener.listen(QHostAddress::LocalHost, 0)) {
        return 1;
    }
    QObject::connect(&listener, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* inside = listener.nextPendingConnection()) {
            auto* outside = new QTcpSocket(inside);
            inside->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            outside->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            new Lane(inside, outside, impairment, random, clock);
            new Lane(outside, inside, impairment, random, clock);
            // Either end closing closes the other: the relay hides nothing.
            QObject::connect(outside, &QTcpSocket::disconnected, inside, &QTcpSocket::abort);
            QObject::connect(inside, &QTcpSocket::disconnected, outside, &QTcpSocket::abort);
            QObject::connect(outside, &QTcpSocket::errorOccurred, inside, &QTcpSocket::abort);
            outside->connectToHost(host, port);
        }
    });
    std::printf("PORT %u\n", static_cast<unsigned>(listener.serverPort()));
    std::fflush(stdout);
    return app.exec();
}
