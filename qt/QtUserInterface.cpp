#include "qt/QtUserInterface.h"

#include "qt/FenlarkWindow.h"
#include "qt/WaitWindow.h"

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>
#include <QStyle>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace fenlark::gui {

QString DisplayText(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QStringList NameFiltersFromCore(const std::string& filter) {
    const QStringList parts = DisplayText(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == "*.*") {
                pattern = "*";
            }
        }
        filters.append(parts[i] + " (" + patterns.join(' ') + ")");
    }
    return filters;
}

// The preset name is a path (the platform's encoding), not display text.
QString PathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

FileDialogSetup OpenDialogSetup(const FileDialogRequest& request) {
    return {QFileDialog::AcceptOpen, DisplayText(request.title),
            NameFiltersFromCore(request.filter), PathText(request.initialName)};
}

FileDialogSetup SaveDialogSetup(const FileDialogRequest& request) {
    return {QFileDialog::AcceptSave, DisplayText(request.title),
            NameFiltersFromCore(request.filter), PathText(request.initialName)};
}

void ConfigureFileDialog(QFileDialog& dialog, const FileDialogSetup& setup) {
    dialog.setWindowTitle(setup.title);
    dialog.setAcceptMode(setup.acceptMode);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Qt's own dialog on every desktop, so the filter options below apply.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    // The descriptions carry their patterns already ("Demos (*.*)"); the
    // patterns Qt matches with are appended and hidden.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(setup.nameFilters);
    if (!setup.initialName.isEmpty()) {
        dialog.selectFile(setup.initialName);
    }
}

void FitMessageBoxToTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) {
        return;
    }
    // The title bar is drawn by the desktop; its font is taken to be the
    // application's, and three title-bar buttons plus the icon are left free.
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    const int titleBarButton = std::max(
        metrics.height(), box.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &box));
    const int wanted = metrics.horizontalAdvance(box.windowTitle()) + 4 * titleBarButton;
    grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

QtUserInterface::QtUserInterface() = default;

QtUserInterface::~QtUserInterface() {
    // Owned here only when no main window took it.
    delete wait_.data();
}

WaitWindow& QtUserInterface::waitWindow() {
    if (wait_.isNull()) {
        wait_ = new WaitWindow(window_);
    }
    return *wait_;
}

QWidget* QtUserInterface::dialogParent() const {
    if (window_ != nullptr && window_->isVisible()) {
        return window_;
    }
    return nullptr;
}

void QtUserInterface::showMessage(const Message& message) {
    if (window_ != nullptr) {
        window_->refresh();
    }
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (message.icon) {
    case MessageIcon::Critical:
        icon = QMessageBox::Critical;
        break;
    case MessageIcon::Warning:
        icon = QMessageBox::Warning;
        break;
    case MessageIcon::Information:
        break;
    }
    QString text = DisplayText(message.text);
    text.replace("\r\n", "\n");
    execMessageBox(icon, DisplayText(message.title), text);
}

void QtUserInterface::showWait() {
    // Every load starts here and clears the fields: the window rebuilds its
    // lists on the next refresh.
    if (window_ != nullptr) {
        window_->markFieldsCleared();
    }
    waitWindow().showAndPaint();
}

void QtUserInterface::hideWait() {
    if (wait_) {
        wait_->hide();
    }
}

std::optional<std::string> QtUserInterface::askOpenFile(const FileDialogRequest& request) {
    return askFile(OpenDialogSetup(request));
}

std::optional<std::string> QtUserInterface::askSaveFile(const FileDialogRequest& request) {
    return askFile(SaveDialogSetup(request));
}

std::optional<std::string> QtUserInterface::askFile(const FileDialogSetup& setup) {
    const std::optional<QString> chosen = execFileDialog(setup);
    if (!chosen) {
        return std::nullopt;
    }
    return QFile::encodeName(*chosen).toStdString();
}

void QtUserInterface::endProgram() {
    hideWait();
    exitProcess();
}

void QtUserInterface::execMessageBox(QMessageBox::Icon icon, const QString& title,
                                     const QString& text) {
    QMessageBox box(icon, title, text, QMessageBox::Ok, dialogParent());
    FitMessageBoxToTitle(box);
    box.exec();
}

std::optional<QString> QtUserInterface::execFileDialog(const FileDialogSetup& setup) {
    QFileDialog dialog(dialogParent());
    ConfigureFileDialog(dialog, setup);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) {
        return std::nullopt;
    }
    return files.front();
}

void QtUserInterface::exitProcess() {
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace fenlark::gui
