#include "client/link/remembered_choices.h"

#include <QSettings>

#include <algorithm>
#include <memory>

namespace quorvex::client {
namespace {

constexpr char kHostKey[] = "lastHost";
constexpr char kNameKey[] = "lastName";
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
    return options;
}

}  // namespace quorvex::client
