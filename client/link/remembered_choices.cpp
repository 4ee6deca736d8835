#include "client/link/remembered_choices.h"

#include <signal.h>

#include <QCoreApplication>
#include <QSettings>

#include <algorithm>
#include <memory>

namespace quorvex::client {
namespace {

constexpr char kHostKey[] = "lastHost";
constexpr char kNameKey[] = "lastName";
// One entry per server, under its "host:port" in hexadecimal (QSettings gives ':' and '/' in
// keys meanings of their own).
constexpr char kTicketGroup[] = "resume/";

QString TicketKey(const std::string& server) {
    return QLatin1String(kTicketGroup) +
           QString::fromLatin1(QByteArray::fromStdString(server).toHex());
}
constexpr char kMutedKey[] = "soundMuted";
constexpr char kVolumeKey[] = "soundVolume";
constexpr int kMaxVolume = 10;

// ~/.config/Quorvex/quorvex-client.conf on Linux (XDG_CONFIG_HOME moves it).
std::unique_ptr<QSettings> OpenSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Quorvex"), QStringLiteral("quorvex-client"));
}

}  // namespace

RememberedChoices LoadRememberedChoices() {
    const auto settings = OpenSettings();
    // An empty stored host (edited by hand) would open the prompt empty; the default is better.
    const QString host = settings->value(QLatin1String(kHostKey)).toString();
    const QVariant name = settings->value(QLatin1String(kNameKey));
    return {host.isEmpty() ? std::string(kDefaultHost) : host.toStdString(),
            name.isValid() ? name.toString().toStdString() : std::string(kDefaultName)};
}

void RememberHost(const std::string& host) {
    OpenSettings()->setValue(QLatin1String(kHostKey), QString::fromStdString(host));
}

void RememberName(const std::string& name) {
    OpenSettings()->setValue(QLatin1String(kNameKey), QString::fromStdString(name));
}

std::optional<StoredTicket> LoadTicket(const std::string& server) {
    const QStringList parts = OpenSettings()->value(TicketKey(server)).toStringList();
    if (parts.size() != 6) {
        return std::nullopt;
    }
    bool instanceOk = false;
    bool graceOk = false;
    bool idOk = false;
    StoredTicket stored;
    stored.ticket.instance = parts[0].toULongLong(&instanceOk, 16);
    stored.ticket.graceMs = parts[1].toUInt(&graceOk);
    stored.id = parts[2].toInt(&idOk);
    const QByteArray token = QByteArray::fromHex(parts[3].toLatin1());
    if (!instanceOk || !graceOk || !idOk ||
        token.size() != static_cast<qsizetype>(stored.ticket.token.size())) {
        return std::nullopt;
    }
    std::copy(token.begin(), token.end(), stored.ticket.token.begin());
    stored.name = parts[4].toStdString();
    // Another client of ours still plays with it (two windows on one machine): not ours to take.
    const qint64 owner = parts[5].toLongLong();
    if (owner > 0 && owner != QCoreApplication::applicationPid() &&
        ::kill(static_cast<pid_t>(owner), 0) == 0) {
        return std::nullopt;
    }
    return stored;
}

void SaveTicket(const std::string& server, const std::optional<StoredTicket>& ticket) {
    const auto settings = OpenSettings();
    if (!ticket) {
        settings->remove(TicketKey(server));
        return;
    }
    const auto& token = ticket->ticket.token;
    settings->setValue(
        TicketKey(server),
        QStringList{QString::number(ticket->ticket.instance, 16),
                    QString::number(ticket->ticket.graceMs), QString::number(ticket->id),
                    QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(token.data()),
                                                   static_cast<qsizetype>(token.size()))
                                            .toHex()),
                    QString::fromStdString(ticket->name),
                    QString::number(QCoreApplication::applicationPid())});
}

RememberedSound LoadRememberedSound() {
    const auto settings = OpenSettings();
    RememberedSound sound;
    sound.muted = settings->value(QLatin1String(kMutedKey), sound.muted).toBool();
    bool number = false;
    const int volume = settings->value(QLatin1String(kVolumeKey)).toInt(&number);
    if (number) {
        sound.volume = std::clamp(volume, 0, kMaxVolume);
    }
    return sound;
}

void RememberSound(const RememberedSound& sound) {
    const auto settings = OpenSettings();
    settings->setValue(QLatin1String(kMutedKey), sound.muted);
    settings->setValue(QLatin1String(kVolumeKey), sound.volume);
}

StartOptions RememberingStartOptions() {
    const RememberedChoices remembered = LoadRememberedChoices();
    StartOptions options;
    options.hostDefault = remembered.host;
    options.nameDefault = remembered.name;
    options.nameTyped = RememberName;
    options.hostConnected = RememberHost;
    options.loadTicket = LoadTicket;
    options.saveTicket = SaveTicket;
    return options;
}

}  // namespace quorvex::client
