#include "client/link/remembered_choices.h"

#include <QSettings>

#include <memory>

namespace quorvex::client {
namespace {

constexpr char kHostKey[] = "lastHost";
constexpr char kNameKey[] = "lastName";

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
