#include "server/server_config.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

namespace quorvex::server {
namespace {

struct ConfigKey {
    const char* name;
    bool flag;  // true/false in the file; present or absent on the command line
};

// One line per command-line option a file may set.
constexpr ConfigKey kConfigKeys[] = {
    {"players", false},    {"headless", true},    {"game", false},          {"limit", false},
    {"drop-after", false}, {"bots", false},       {"bot-skill", false},     {"password", false},
    {"port", false},       {"control", false},    {"password-file", false}, {"state-dir", false},
    {"no-stdin", true},    {"log-format", false}, {"motd", false},
};

const ConfigKey* FindKey(const std::string& key) {
    for (const auto& entry : kConfigKeys) {
        if (key == entry.name) {
            return &entry;
        }
    }
    return nullptr;
}

struct Entry {
    const ConfigKey* key;
    std::string value;
    int line;
};

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

CommandLine Refuse(const std::string& reason, int code = 2) {
    CommandLine result;
    result.exitCode = code;
    result.text = "quorvex-server: " + reason + "\n";
    return result;
}

// QSettings reads INI but tells neither where a file goes wrong nor keeps a value with commas
// whole (it makes a list of it), so each line is checked here and read here; QSettings still
// judges the file as a whole.
std::optional<std::string> ReadEntries(const std::string& path, std::vector<Entry>* entries) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return path + ": cannot read the settings file: " + file.errorString().toStdString();
    }
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0')) {
        return path + ": not a settings file (it holds binary data)";
    }
    std::map<std::string, int> seen;
    int number = 0;
    for (const QByteArray& raw : bytes.split('\n')) {
        ++number;
        const std::string line = Trimmed(raw.toStdString());
        const std::string where = path + ":" + std::to_string(number) + ": ";
        if (line.empty() || line[0] == '#' || line[0] == ';') {
            continue;
        }
        if (line[0] == '[') {
            if (line != "[server]" && line != "[General]") {
                return where + "unknown section " + line + " (the keys go under [server])";
            }
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            return where + "not a key = value line";
        }
        const std::string key = Trimmed(line.substr(0, equals));
        std::string value = Trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        const ConfigKey* known = FindKey(key);
        if (known == nullptr) {
            return where + "unknown key \"" + key + "\"";
        }
        if (const auto first = seen.find(key); first != seen.end()) {
            return where + key + " is given twice (first on line " + std::to_string(first->second) +
                   ")";
        }
        if (known->flag && value != "true" && value != "false") {
            return where + key + " takes true or false, not \"" + value + "\"";
        }
        seen[key] = number;
        entries->push_back({known, value, number});
    }
    const QSettings settings(QString::fromStdString(path), QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) {
        return path + ": not an INI file";
    }
    return std::nullopt;
}

bool OnCommandLine(const QStringList& arguments, const QString& option) {
    for (const QString& argument : arguments) {
        if (argument == option || argument.startsWith(option + "=")) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> ReadFirstLine(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    QByteArray line = file.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r')) {
        line.chop(1);
    }
    return line.toStdString();
}

// The password's file or, under a service manager, its credential; an empty credential (the
// unit's fallback when no password file is installed) means no password.
CommandLine ResolvePassword(CommandLine loaded) {
    ServerOptions& options = loaded.options;
    if (!options.passwordFile.empty()) {
        const auto password = ReadFirstLine(options.passwordFile);
        if (!password || password->empty()) {
            return Refuse("the password file " + options.passwordFile +
                              (password ? " is empty" : " cannot be read"),
                          kExitNoPassword);
        }
        options.password = *password;
    } else if (const char* credentials = std::getenv("CREDENTIALS_DIRECTORY");
               credentials && *credentials && options.password.empty()) {
        const std::string path = std::string(credentials) + "/password";
        if (QFileInfo::exists(QString::fromStdString(path))) {
            const auto password = ReadFirstLine(path);
            if (!password) {
                return Refuse("the password credential " + path + " cannot be read",
                              kExitNoPassword);
            }
            options.password = *password;
        }
    }
    return loaded;
}

}  // namespace

bool IsConfigKey(const std::string& key) {
    return FindKey(key) != nullptr;
}

CommandLine LoadServerOptions(const QStringList& arguments) {
    CommandLine first = ParseServerCommandLine(arguments);
    if (first.exitCode == 0 || first.options.command) {
        return first;  // help, version, or a client of a running server
    }
    // Read from the arguments themselves: the command line alone may not parse yet (the
    // player count may be in the file).
    std::string path;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--config" && i + 1 < arguments.size()) {
            path = arguments[i + 1].toStdString();
        } else if (arguments[i].startsWith("--config=")) {
            path = arguments[i].mid(9).toStdString();
        }
    }
    if (path.empty() && arguments.contains("--headless") && QFileInfo::exists(kDefaultConfigFile)) {
        path = kDefaultConfigFile;
    }
    if (path.empty()) {
        return first.exitCode ? first : ResolvePassword(first);
    }
    std::vector<Entry> entries;
    if (const auto error = ReadEntries(path, &entries)) {
        return Refuse(*error);
    }
    // The file's options go first, so that the command line's own check of each value
    // applies, and are left out where the command line gives them.
    QStringList merged{arguments.value(0)};
    std::vector<const Entry*> used;
    for (const Entry& entry : entries) {
        const QString option = QStringLiteral("--") + entry.key->name;
        if (OnCommandLine(arguments, option) || (entry.key->flag && entry.value == "false")) {
            continue;
        }
        used.push_back(&entry);
        merged << option;
        if (!entry.key->flag) {
            merged << QString::fromStdString(entry.value);
        }
    }
    merged += arguments.mid(1);
    CommandLine result = ParseServerCommandLine(merged);
    if (result.exitCode) {
        // Told against the line of the first option from the file the complaint names; a
        // mistake of the command line's own is told as it is.
        std::size_t at = std::string::npos;
        const Entry* culprit = nullptr;
        for (const Entry* entry : used) {
            const auto found = result.text.find(std::string("--") + entry->key->name + " ");
            if (found < at) {
                at = found;
                culprit = entry;
            }
        }
        if (culprit == nullptr) {
            return result;
        }
        constexpr std::string_view kPrefix = "quorvex-server: ";
        const std::string reason =
            result.text.substr(kPrefix.size(), result.text.find('\n') - kPrefix.size());
        return Refuse(path + ":" + std::to_string(culprit->line) + ": " + reason);
    }
    result.options.config = path;
    return ResolvePassword(result);
}

}  // namespace quorvex::server
