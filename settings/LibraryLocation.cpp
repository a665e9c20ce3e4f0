#include "settings/LibraryLocation.h"

#include "settings/LanguageSetting.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace fenlark {

std::string DefaultLibraryDatabase() {
    // The data folder is named after the organisation and the application.
    QCoreApplication::setOrganizationName(SettingsOrganization);
    QCoreApplication::setApplicationName(QStringLiteral("Fenlark"));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    return QFile::encodeName(QDir(folder).filePath(QStringLiteral("library.sqlite"))).toStdString();
}

} // namespace fenlark
