#include "server/dedicated/state_directory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdlib>
#include <cstring>

namespace quorvex::server {

std::string StateDirectory(const std::string& chosen) {
    if (!chosen.empty()) {
        return chosen;
    }
    if (const char* state = std::getenv("STATE_DIRECTORY"); state && *state) {
        return std::string(state, std::strcspn(state, ":"));
    }
    return {};
}

std::optional<std::string> ReadStateFile(const std::string& path, std::string* error) {
    QFile file(QString::fromStdString(path));
    if (!file.exists()) {
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + ": " + file.errorString().toStdString();
        return std::nullopt;
    }
    return file.readAll().toStdString();
}

bool WriteStateFile(const std::string& path, const std::string& text, std::string* error) {
    const QString name = QString::fromStdString(path);
    QDir().mkpath(QFileInfo(name).absolutePath());
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit()) {
        *error = path + ": " + file.errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace quorvex::server
