#include "app/Session.h"

#include <utility>

namespace fenlark {

std::string LanguageTextId(std::int16_t languageNumber, const std::string& number) {
    return std::to_string(languageNumber) + number;
}

Session::Session(UserInterface& userInterface, std::string programFolder)
    : ui(userInterface), lstBugFix1(std::make_unique<PosixFolderCanonicalizer>()),
      programFolder_(std::move(programFolder)) {
    definitionsFolder_ = programFolder_ + "/../Data/";
}

void Session::setDefinitionsFolder(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    definitionsFolder_ = std::move(folder);
}

std::string Session::languageFolder() const {
    return programFolder_ + "/../";
}

std::string Session::currentDefinitionPath() const {
    const std::string name = lstKgd.selectedName();
    if (name.empty())
        return {};
    return definitionsFolder_ + name;
}

std::optional<std::string> Session::languageText(const std::string& number) {
    return language.GetText(LanguageTextId(LanguageNumber, number), languageFolder());
}

void Session::showMessage(MessageIcon icon, const std::string& text,
                          std::optional<std::string> textId) {
    ui.showMessage(Message{icon, ApplicationTitle, text, std::move(textId)});
}

void Session::showLanguageMessage(MessageIcon icon, const std::string& number) {
    // A failed lookup is an error at the call site, which passes the step over.
    if (auto text = languageText(number))
        showMessage(icon, *text, LanguageTextId(LanguageNumber, number));
}

void Session::endProgram() {
    programEnded = true;
    ui.endProgram();
    throw ProgramEnded{};
}

} // namespace fenlark
