#include "gamedef/MatchDefinition.h"

#include "core/Session.h"
#include "core/TextCase.h"
#include "core/WholeNumber.h"
#include "gamedef/DefinitionNames.h"
#include "gamedef/DefinitionReader.h"
#include "gamedef/ProbeDemo.h"

#include <string_view>

namespace fenlark {

namespace {

constexpr std::string_view NoProbe = "none";
// A probe flag: the version is the character code of the first byte read,
// for headers that keep a version as one byte.
constexpr std::string_view CharacterCodeFlag = "ascc";
constexpr std::string_view FieldSeparator = "::";

// Examines one definition entry that equals the demo's extension. Returns the
// accepted candidate, or std::nullopt when its identification probe says "/".
// `informationType` keeps its value when the type does not convert.
std::optional<DefinitionMatch> ExamineCandidate(Session& session, const std::string& demoPath,
                                                const std::string& definitionPath,
                                                const std::string& entry,
                                                std::int16_t& informationType) {
    using namespace definition;
    const std::string probe =
        LowerCase(ReadDefinitionValue(definitionPath, GameSection, entry + ProbeKeySuffix, ""));
    DefinitionMatch candidate;
    candidate.versionText = LowerCase(ReadDefinitionValue(definitionPath, GameSection, entry, ""));
    // The version shows at once, so a candidate rejected later still leaves it there.
    session.summary.txtGameVersion = candidate.versionText;
    candidate.gameName = ReadDefinitionValue(definitionPath, GameSection, GameName, "");
    const std::string type = ReadDefinitionValue(definitionPath, InformationSectionPrefix + entry,
                                                 InformationTypeKey, "0");
    if (auto converted = ConvertInt16(type)) {
        informationType = *converted;
    }
    candidate.informationType = informationType;

    if (probe.empty() || probe == NoProbe) {
        return candidate;
    }
    const std::string result = ProbeDemo(session, probe, demoPath);
    if (result == ProbeNotFound) {
        return std::nullopt;
    }
    if (result == ProbeOk) {
        return candidate;
    }

    const std::size_t lastSeparator = probe.rfind(FieldSeparator);
    const bool characterCode =
        lastSeparator != std::string::npos &&
        probe.substr(lastSeparator + FieldSeparator.size()) == CharacterCodeFlag;
    if (!characterCode) {
        candidate.versionText = result;
    } else if (!result.empty()) {
        candidate.versionText = std::to_string(static_cast<unsigned char>(result.front()));
    }
    return candidate;
}

} // namespace

std::string DemoExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

std::string DemoTypeText(const DefinitionMatch& match, const std::string& extension) {
    return match.gameName + " " + match.versionText + " (." + extension + ")";
}

std::optional<DefinitionMatch> MatchDefinition(Session& session, const std::string& demoPath) {
    using namespace definition;
    const std::string extension = DemoExtension(demoPath);
    const std::string_view separator = ExtensionSeparator;
    std::int16_t informationType = 0;
    session.lstKgd.setFolder(session.definitionsFolder(), FileExtension);

    const auto& files = session.lstKgd.files();
    for (std::size_t index = 0; index < files.size(); ++index) {
        session.lstKgd.select(index);
        const std::string definitionPath = session.currentDefinitionPath();
        const std::string extensions =
            LowerCase(ReadDefinitionValue(definitionPath, GameSection, DemoExtensions, ""));
        // Entries end with ";;". The search resumes on the second character of
        // a found separator, so ";;;" yields the previous entry once more.
        std::size_t searchStart = 0;
        std::size_t entryStart = 0;
        for (std::size_t p = extensions.find(separator, searchStart); p != std::string::npos;
             p = extensions.find(separator, searchStart)) {
            if (p >= entryStart) {
                session.MatchedExtension = extensions.substr(entryStart, p - entryStart);
            }
            if (session.MatchedExtension == extension) {
                if (auto accepted = ExamineCandidate(session, demoPath, definitionPath,
                                                     session.MatchedExtension, informationType)) {
                    return accepted;
                }
            }
            searchStart = p + 1;
            entryStart = p + separator.size();
        }
    }
    return std::nullopt;
}

} // namespace fenlark
