#include "app/qt/ProgramStart.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

namespace fenlark::gui {

std::string ProgramArgumentText(int argc, const char* const* argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            text += ' ';
        text += argv[i];
    }
    return text;
}

std::string ProgramFolder() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::canonical("/proc/self/exe", error);
    if (!error)
        return executable.parent_path().string();
    const QFileInfo fallback(QCoreApplication::applicationFilePath());
    return QFile::encodeName(fallback.canonicalPath()).toStdString();
}

} // namespace fenlark::gui
