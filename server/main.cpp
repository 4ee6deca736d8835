#include <QApplication>

#include "protocol/session/limits.h"
#include "server/host/server_session.h"
#include "server/window/server_window.h"
#include "ui/qt_prompter.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvex-server"));
    quorvex::server::ServerSession session;
    quorvex::QtPrompter prompter;
    quorvex::server::ServerWindow window(session, prompter, quorvex::session::kDefaultPort);
    prompter.SetParent(&window);
    window.Start();
    return QApplication::exec();
}
