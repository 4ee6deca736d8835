#include <QApplication>

#include "client/bot/bot_main.h"
#include "client/window/client_session.h"
#include "client/window/client_window.h"
#include "protocol/session/limits.h"
#include "ui/qt_prompter.h"

int main(int argc, char** argv) {
    // A computer player has no window: it runs on its own event loop before any is made.
    if (const auto botExit = quorvex::client::bot::BotMain(argc, argv)) {
        return *botExit;
    }
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
