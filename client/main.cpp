#include <QApplication>

#include "client/window/client_session.h"
#include "client/window/client_window.h"
#include "protocol/session/limits.h"
#include "ui/qt_prompter.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvex-client"));
    quorvex::QtPrompter prompter;
    quorvex::client::ClientSession session(prompter, quorvex::session::kDefaultPort);
    quorvex::client::ClientWindow window(session);
    prompter.SetParent(&window);
    window.Start();
    if (session.Ended()) {
        // Start-up failed; the box has been shown and there is nothing to run.
        return 1;
    }
    return QApplication::exec();
}
