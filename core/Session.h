#pragma once
// The module state of one run of the tool: the current demo, the language,
// the matched definition and the probe cursor, together with the window model
// (DemoSummary), the user interface the flow reports through and the language
// component. Every procedure works on one Session, as the window's handlers do.
//
// Naming key: names that come from the window's design keep its spelling, so
// that a reader can put the code beside the design: controls with their kind
// prefix (lstKgd, lstBugFix1, txtMap, cmdCreateDemoLog, frmWait), the module
// state (DemoPath, LanguageNumber, MatchedExtension, LastPosition) and the
// procedures of the design (LoadDemo, NormalizeDemoPath, ProbeDemo,
// ExtractDefinitionInfo, ShowServerInfo, AddPlayer, AppendLogLine). Every
// other name is ordinary C++ of our own: types and free functions in
// CamelCase, members and locals in camelCase, constants in CamelCase.

#include "core/ByteSource.h"
#include "core/DemoPath.h"
#include "core/DemoSummary.h"
#include "core/FileList.h"
#include "core/LanguageTexts.h"
#include "core/UserInterface.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace fenlark {

inline constexpr const char* ApplicationTitle = "Kalvenor - Fenlark v1.00";

class Session {
public:
    // programFolder: the folder of the program's executable (no trailing separator).
    Session(UserInterface& ui, LanguageTexts& language, std::string programFolder);

    UserInterface& ui;
    LanguageTexts& language;

    // Module state.
    std::string DemoPath;
    std::int16_t LanguageNumber = 0;
    std::string MatchedExtension;
    std::int32_t LastPosition = 0;
    FileList lstKgd; // the definition files; selection = current definition
    std::unique_ptr<FolderCanonicalizer> lstBugFix1; // folder canonicaliser of NormalizeDemoPath
    DemoSummary summary;
    bool programEnded = false;
    // When set, the flow reads the demo from these bytes instead of the file
    // DemoPath names; DemoPath then only names the demo (its extension still
    // picks the definitions). The demo library reads members of archives so.
    ByteSource* demoBytes = nullptr;

    const std::string& programFolder() const { return programFolder_; }
    // The folder of the definitions: Data/ in the shared-files folder
    // (core/InstallLayout.h) unless replaced.
    const std::string& definitionsFolder() const { return definitionsFolder_; }
    void setDefinitionsFolder(std::string folder);
    // The folder handed to the language component: the shared-files folder,
    // which holds the language table.
    std::string languageFolder() const;

    // Full path of the current definition, or "" when none is selected.
    std::string currentDefinitionPath() const;

    // Looks up a language text for the current LanguageNumber. std::nullopt
    // when the component fails.
    std::optional<std::string> languageText(LanguageText text);

    // A message box with the application's title.
    void showMessage(MessageIcon icon, const std::string& text,
                     std::optional<std::string> textId = std::nullopt);
    // A message box whose text is a language text; skipped when the lookup fails.
    void showLanguageMessage(MessageIcon icon, LanguageText text);

    // Ends the program at once: tells the user interface, marks the session
    // and unwinds the flow with ProgramEnded.
    [[noreturn]] void endProgram();

private:
    std::string programFolder_;
    std::string sharedFilesFolder_;
    std::string definitionsFolder_;
};

} // namespace fenlark
