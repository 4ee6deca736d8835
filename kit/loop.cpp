#include "kit/loop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace quorvex::kit {

// Looks at `done` between short bursts of events with a pause after each: the order in which
// tests see events from other programs rests on this pace.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::usleep(200);
    }
    return true;
}

// `done` is looked at whenever the loop is about to wait, so that nothing but the events
// themselves wakes it: a short timer of its own would add a turn and a kernel timer to every
// round trip a benchmark measures. The slow timer covers loops that never wait.
bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    const auto check = [&] {
        if (done() || clock.elapsed() > timeoutMs) {
            loop.quit();
        }
    };
    QTimer slow;
    QObject::connect(&slow, &QTimer::timeout, check);
    slow.start(std::min(timeoutMs, 50));
    const QMetaObject::Connection beforeWait = QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, check);
    if (!done()) {
        loop.exec();
    }
    QObject::disconnect(beforeWait);
    return done();
}

// The loop sleeps until an event comes, so that a benchmark's measured stretch leaves the
// processor to the programs it measures.
void Pump(int ms) {
    QElapsedTimer clock;
    clock.start();
    QTimer end;
    end.setTimerType(Qt::PreciseTimer);
    end.setSingleShot(true);
    end.start(ms);
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

}  // namespace quorvex::kit
