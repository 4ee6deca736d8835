// A person's client without its window, for comparing costs: the session, the client's state
// and rules, and the 100 ms paddle report, with a mouse that never moves. Usage:
//   bots_windowless_client PORT NAME

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <string>

#include "client/state/client_state.h"
#include "protocol/session/session_client.h"

namespace {

class Link : public quorvex::session::SessionEvents, public quorvex::Outbox {
  public:
    Link() : state(*this) { client.RegisterMessageHandler(this); }
    bool Send(const quorvex::Buffer& message) override { return client.Send(message).Ok(); }
    void Receive(quorvex::session::PlayerId, quorvex::ByteView message) override {
        state.HandleMessage(message);
    }
    void ConnectComplete(const quorvex::session::Status& result) override {
        if (!result.Ok()) {
            QCoreApplication::exit(1);
        }
    }
    void TerminateSession() override { QCoreApplication::exit(0); }

    quorvex::session::SessionClient client;
    quorvex::client::ClientState state;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PORT NAME\n", argv[0]);
        return 2;
    }
    Link link;
    if (!quorvex::session::ConnectScripted(link.client, argv[2], "127.0.0.1", std::stoi(argv[1]))
             .Ok()) {
        return 1;
    }
    QTimer timer2;
    QObject::connect(&timer2, &QTimer::timeout, [&] { link.state.Timer2_Timer(); });
    timer2.start(100);
    return QCoreApplication::exec();
}
