#include "qt/LibraryLauncher.h"

#include "app/LibraryDescriber.h"
#include "app/LoadDemo.h"
#include "core/Session.h"
#include "lang/Language.h"
#include "library/ArchiveMembers.h"
#include "library/DemoExtensions.h"
#include "library/LibraryScanner.h"
#include "qt/FenlarkWindow.h"
#include "settings/LibraryLocation.h"

#include <QFile>
#include <QMessageBox>

#include <optional>
#include <set>
#include <vector>

namespace fenlark::gui {

LibraryLauncher::LibraryLauncher(Session& session, FenlarkWindow& mainWindow)
    : session_(session), mainWindow_(mainWindow) {}

LibraryLauncher::~LibraryLauncher() {
    if (memberBytes_ && session_.demoBytes == memberBytes_.get()) {
        session_.demoBytes = nullptr;
    }
}

bool LibraryLauncher::open(const QStringList& folders) {
    if (!library_) {
        LibraryFlowSettings flow;
        flow.programFolder = session_.programFolder();
        flow.definitionsFolder = session_.definitionsFolder();
        flow.languageNumber = session_.LanguageNumber;
        flow.makeLanguage = [] { return std::make_unique<Language>(); };
        auto extensions = std::make_shared<const std::set<std::string>>(
            library::DemoExtensionsOf(session_.definitionsFolder()));

        LibraryWindowSetup setup;
        setup.databasePath = DefaultLibraryDatabase();
        setup.describers = LibraryFlowDescribers(std::move(flow));
        setup.isDemoExtension = [extensions](const std::string& extension) {
            return extensions->contains(extension);
        };
        try {
            library_ = std::make_unique<LibraryWindow>(std::move(setup));
        } catch (const library::LibraryError& error) {
            QMessageBox::critical(&mainWindow_, QString::fromUtf8(ApplicationTitle),
                                  QString::fromUtf8(error.what()));
            return false;
        }
        connect(library_.get(), &LibraryWindow::openRequested, this, &LibraryLauncher::openDemo);
    }
    if (!folders.isEmpty()) {
        library_->scanFolders(folders);
    }
    library_->show();
    library_->raise();
    library_->activateWindow();
    return true;
}

void LibraryLauncher::openDemo(const QString& path, const QString& member) {
    if (member.isEmpty()) {
        mainWindow_.loadDroppedFile(path);
    } else if (!loadMember(QFile::encodeName(path).toStdString(), member.toStdString())) {
        QMessageBox::warning(library_.get(), QString::fromUtf8(ApplicationTitle),
                             QStringLiteral("%1 is no longer in %2.").arg(member, path));
        return;
    }
    mainWindow_.show();
    mainWindow_.raise();
    mainWindow_.activateWindow();
}

bool LibraryLauncher::loadMember(const std::string& archive, const std::string& member) {
    std::optional<std::vector<std::uint8_t>> bytes;
    library::ArchiveCallbacks callbacks;
    callbacks.wanted = [&](const std::string& name) { return !bytes && name == member; };
    callbacks.member = [&](library::ArchiveMember&& found) { bytes = std::move(found.bytes); };
    callbacks.skipped = [](const std::string& /*name*/, const std::string& /*reason*/) {};
    callbacks.cancelled = [&] { return bytes.has_value(); };
    library::ReadArchiveMembers(archive, library::ScanOptions::DefaultMaxMemberBytes, callbacks);
    if (!bytes) {
        return false;
    }
    // The flow reads the member's bytes; the name keeps the member's
    // extension for the definitions.
    auto source = std::make_unique<MemorySource>(std::move(*bytes));
    session_.DemoPath = archive + "/" + member;
    session_.demoBytes = source.get();
    memberBytes_ = std::move(source);
    LoadDemo(session_);
    mainWindow_.refresh();
    return true;
}

} // namespace fenlark::gui
