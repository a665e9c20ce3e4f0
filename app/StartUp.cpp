#include "app/StartUp.h"

#include "app/LoadDemo.h"
#include "core/Trim.h"
#include "core/WholeNumber.h"

namespace fenlark {

namespace {

// The language when the settings store has no value.
constexpr const char* DefaultLanguageSetting = "1";

} // namespace

std::optional<std::int16_t> ConvertLanguageSetting(const std::string& text) {
    return ConvertInt16(text);
}

void StartUp(Session& session, const std::string& argumentText,
             const std::optional<std::string>& languageSetting) {
    session.DemoPath = std::string(Trim(argumentText, Spaces));
    if (auto number = ConvertLanguageSetting(languageSetting.value_or(DefaultLanguageSetting))) {
        session.LanguageNumber = *number;
    }
    if (session.DemoPath.empty()) {
        return;
    }
    // A folder the canonicaliser refuses is ignored here: the path is joined
    // with the folder it had before.
    NormalizeDemoPath(session.DemoPath, *session.lstBugFix1);
    LoadDemo(session);
}

} // namespace fenlark
