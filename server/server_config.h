#pragma once

// The server's settings from every source: the command line, the settings file (INI, one key
// per command-line option: `players = 11`, `headless = true`), the password's file or the
// service manager's credential. The command line wins over the file. Read at start and again
// on SIGHUP, where a bad file is refused and the settings in force stay.

#include <QStringList>

#include <string>

#include "server/command_line.h"

namespace quorvex::server {

inline constexpr char kDefaultConfigFile[] = "/etc/quorvex/server.conf";

// Every option the settings file may hold, as `--name` after the key `name`; read from the
// table in server_config.cpp.
bool IsConfigKey(const std::string& key);

// The command line, then the settings file it names (or the default one in dedicated mode,
// when it exists), then the password's sources. A mistake in the file is told as
// "FILE:LINE: reason" with exit code 2; a password file or credential that cannot be read
// exits with kExitNoPassword.
CommandLine LoadServerOptions(const QStringList& arguments);

}  // namespace quorvex::server
