#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QSpinBox>

#include <cstdio>

#include "protocol/session/control_socket.h"
#include "server/command_line.h"
#include "server/dedicated/dedicated_server.h"
#include "server/host/game_host.h"
#include "server/server_config.h"
#include "server/window/server_window.h"
#include "ui/qt_prompter.h"

namespace {

QStringList Arguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

}  // namespace

int main(int argc, char** argv) {
    // Read before any application object exists: dedicated mode must not need a display.
    const QStringList arguments = Arguments(argc, argv);
    const auto commandLine = quorvex::server::LoadServerOptions(arguments);
    if (commandLine.exitCode) {
        std::fputs(commandLine.text.c_str(), *commandLine.exitCode == 0 ? stdout : stderr);
        return *commandLine.exitCode;
    }
    const auto& options = commandLine.options;
    if (options.command) {
        // A client of the running server: one command, its reply, an error as the exit code.
        std::string reply;
        std::string path =
            options.control.empty() ? quorvex::session::DefaultControlPath() : options.control;
        // No server of this user's: the installed service's, as root or its user reaches it.
        if (options.control.empty() && !QFileInfo::exists(QString::fromStdString(path))) {
            path = "/run/quorvex/control";
        }
        if (!quorvex::session::SendControlCommand(path, *options.command, &reply)) {
            std::fprintf(stderr, "quorvex-server: %s\n", reply.c_str());
            return 1;
        }
        std::fputs(reply.c_str(), stdout);
        return reply.starts_with("error: ") || reply.find("\nerror: ") != std::string::npos ? 1 : 0;
    }
    if (options.headless) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("quorvex-server"));
        return quorvex::server::RunDedicatedServer(options, arguments);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvex-server"));
    quorvex::server::GameHost host;
    quorvex::server::ApplyStartSettings(options, host.Game());
    quorvex::QtPrompter dialogs;
    quorvex::server::ServerWindow window(host, dialogs, options.port, options.players);
    dialogs.SetParent(&window);
    window.txtPassword->setText(QString::fromStdString(options.password));
    window.Start();
    window.ComputerSkill->setValue(options.botSkill);
    for (int i = 0; host.IsHosting() && i < options.bots; ++i) {
        window.cmdAddComputer_Click();
    }
    return QApplication::exec();
}
