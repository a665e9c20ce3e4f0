#include "app/Commands.h"

#include <new>

#include "app/LoadDemo.h"
#include "core/DemoPath.h"
#include "demolog/LogWriting.h"
#include "q3reader/QuakeDemo.h"

namespace fenlark {

void LoadDemoCommand(Session& session) {
    FileDialogRequest request;
    request.filter = "Demos (*.*)|*.*";
    request.initialName = "*.*";
    auto title = session.languageText(LanguageText::LoadDemoTitle);
    if (!title) {
        return;
    }
    request.title = *title;
    auto chosen = session.ui.askOpenFile(request);
    if (chosen) {
        LoadChosenDemo(session, *chosen);
    }
}

void LoadChosenDemo(Session& session, const std::string& chosenPath) {
    session.DemoPath = chosenPath;
    // A chosen file is read from disk, not from the bytes of a demo shown before.
    session.demoBytes = nullptr;
    // Here a folder that cannot be entered ends the command: the chosen path
    // stays as it was and nothing is loaded.
    std::string path = chosenPath;
    if (!NormalizeDemoPath(path, *session.lstBugFix1)) {
        return;
    }
    session.DemoPath = path;
    LoadDemo(session);
}

std::optional<DemoLogOutcome> CreateDemoLogCommand(Session& session) {
    try {
        auto title = session.languageText(LanguageText::SaveDemoLogTitle);
        if (!title) {
            return std::nullopt;
        }
        FileDialogRequest request;
        request.title = *title;
        request.filter = "Text Documents (*.txt)|*.txt";
        request.initialName = session.DemoPath + ".txt";
        if (session.demoBytes != nullptr) {
            // A demo read from memory (an archive's member) has no folder of
            // its own to write into: offer its name alone.
            const std::size_t slash = session.DemoPath.find_last_of(PathSeparators);
            request.initialName =
                (slash == std::string::npos ? session.DemoPath
                                            : session.DemoPath.substr(slash + 1)) +
                ".txt";
        }
        auto chosen = session.ui.askSaveFile(request);
        if (!chosen) {
            return std::nullopt;
        }
        session.ui.showWait();
        DemoLogOutcome outcome;
        try {
            outcome = WriteDemoLog(session, session.DemoPath, *chosen);
        } catch (const ReadingError&) {
            // The lines written before stay in the file.
        } catch (const std::bad_alloc&) {
            ReportOutOfMemory(session);
        }
        session.ui.hideWait();
        return outcome;
    } catch (const ProgramEnded&) {
    }
    return std::nullopt;
}

} // namespace fenlark
