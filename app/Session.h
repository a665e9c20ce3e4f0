#pragma once
// The module state of one run of the tool: the current demo, the language,
// the matched definition and the probe cursor, together with the window model
// (DemoSummary) and the user interface the flow reports through. Every
// procedure of the core works on one Session, as the window's handlers do.

#include "app/DemoPath.h"
#include "app/DemoSummary.h"
#include "app/UserInterface.h"
#include "gamedef/DefinitionList.h"
#include "lang/Language.h"

#include <cstdint>
#include <memory>
#include <string>

namespace fenlark {

inline constexpr const char* ApplicationTitle = "Kalvenor - Fenlark v1.00";

class Session {
public:
    // programFolder: the folder of the program's executable (no trailing separator).
    Session(UserInterface& ui, std::string programFolder);

    UserInterface& ui;

    // Module state.
    std::string DemoPath;
    std::int16_t LanguageNumber = 0;
    std::string MatchedExtension;
    std::int32_t LastPosition = 0;
    DefinitionList lstKgd; // the definition files; selection = current definition
    std::unique_ptr<FolderCanonicalizer> lstBugFix1; // folder canonicaliser of NormalizeDemoPath
    Language language;
    DemoSummary summary;
    bool programEnded = false;

    const std::string& programFolder() const { return programFolder_; }
    // The folder of the definitions: "<program folder>/../Data/" unless replaced.
    const std::string& definitionsFolder() const { return definitionsFolder_; }
    void setDefinitionsFolder(std::string folder);
    // The folder handed to the language component: "<program folder>/../".
    std::string languageFolder() const;

    // Full path of the current definition, or "" when none is selected.
    std::string currentDefinitionPath() const;

    // Looks up a language text by its three-digit number ("184") for the
    // current LanguageNumber. std::nullopt when the component fails.
    std::optional<std::string> languageText(const std::string& number);

    // A message box with the application's title.
    void showMessage(MessageIcon icon, const std::string& text,
                     std::optional<std::string> textId = std::nullopt);
    // A message box whose text is a language text; skipped when the lookup fails.
    void showLanguageMessage(MessageIcon icon, const std::string& number);

    // Ends the program at once: tells the user interface, marks the session
    // and unwinds the flow with ProgramEnded.
    [[noreturn]] void endProgram();

private:
    std::string programFolder_;
    std::string definitionsFolder_;
};

// The text id of the language component: the language number in decimal
// followed by the three-digit text number (0 and "184" give "0184").
std::string LanguageTextId(std::int16_t languageNumber, const std::string& number);

} // namespace fenlark
