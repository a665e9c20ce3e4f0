#include "core/Session.h"

#include "core/InstallLayout.h"

#include <utility>

namespace fenlark {

namespace {

constexpr unsigned TextNumberDigits = 3;

} // namespace

std::string LanguageTextId(std::int16_t languageNumber, LanguageText text) {
    std::string number = std::to_string(static_cast<unsigned>(text));
    if (number.size() < TextNumberDigits) {
        number.insert(0, TextNumberDigits - number.size(), '0');
    }
    return std::to_string(languageNumber) + number;
}

Session::Session(UserInterface& userInterface, LanguageTexts& languageTexts,
                 std::string programFolder)
    : ui(userInterface), language(languageTexts),
      lstBugFix1(std::make_unique<SystemFolderCanonicalizer>()),
      programFolder_(std::move(programFolder)),
      sharedFilesFolder_(SharedFilesFolder(programFolder_)) {
    definitionsFolder_ = sharedFilesFolder_ + "Data/";
}

void Session::setDefinitionsFolder(std::string folder) {
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    definitionsFolder_ = std::move(folder);
}

std::string Session::languageFolder() const {
    return sharedFilesFolder_;
}

std::string Session::currentDefinitionPath() const {
    const std::string name = lstKgd.selectedName();
    if (name.empty()) {
        return {};
    }
    return definitionsFolder_ + name;
}

std::optional<std::string> Session::languageText(LanguageText text) {
    return language.GetText(LanguageTextId(LanguageNumber, text), languageFolder());
}

void Session::showMessage(MessageIcon icon, const std::string& text,
                          std::optional<std::string> textId) {
    ui.showMessage(Message{icon, ApplicationTitle, text, std::move(textId)});
}

void Session::showLanguageMessage(MessageIcon icon, LanguageText text) {
    // A failed lookup is an error at the call site, which passes the step over.
    if (auto shown = languageText(text)) {
        showMessage(icon, *shown, LanguageTextId(LanguageNumber, text));
    }
}

void Session::endProgram() {
    programEnded = true;
    ui.endProgram();
    throw ProgramEnded{};
}

} // namespace fenlark
