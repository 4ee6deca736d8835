#pragma once

// Dedicated mode: the game without its window. The same session, rules and clocks as with the
// console window; events go to standard output as log lines, commands come from standard
// input, and SIGINT or SIGTERM close the session.

#include "server/command_line.h"

namespace quorvex::server {

// Runs until `quit` or a stop signal; the program's exit code (1 when it could not host,
// kExitPortTaken when its port is someone else's). `arguments`, the command line as given, are
// read again with the settings file on SIGHUP. Needs a QCoreApplication.
int RunDedicatedServer(const ServerOptions& options, const QStringList& arguments = {});

}  // namespace quorvex::server
