#include "settings/LanguageSetting.h"

#include <QSettings>

namespace fenlark {

std::optional<std::string> ReadLanguageSetting() {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, SettingsOrganization,
                       SettingsApplication);
    settings.beginGroup("Settings");
    const QVariant value = settings.value("Language_L1");
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value.toString().toStdString();
}

} // namespace fenlark
