#include "gamedef/IdentifyDemo.h"
#include "gamedef/TextCase.h"

#include "app/Session.h"
#include "extract/ExtractDefinitionInfo.h"
#include "gamedef/DefinitionReader.h"
#include "gamedef/ProbeDemo.h"
#include "gamedef/WholeNumber.h"
#include "q3reader/QuakeDemo.h"
#include "q3reader/QuakeReader.h"

namespace fenlark {

namespace {

struct Candidate {
    std::string versionText;
    std::string gameName;
};

// Examines one definition entry that equals the demo's extension. Returns the
// accepted candidate, or std::nullopt when its identification probe says "/".
std::optional<Candidate> ExamineCandidate(Session& session, const std::string& demoPath,
                                          const std::string& definition, const std::string& entry,
                                          std::int16_t& informationType) {
    const std::string probe =
        LowerCase(ReadDefinitionValue(definition, GameSection, entry + "-id", ""));
    Candidate candidate;
    candidate.versionText = LowerCase(ReadDefinitionValue(definition, GameSection, entry, ""));
    // The version shows at once, so a candidate rejected later still leaves it there.
    session.summary.txtGameVersion = candidate.versionText;
    candidate.gameName = ReadDefinitionValue(definition, GameSection, "Game Name", "");
    const std::string type =
        ReadDefinitionValue(definition, InformationSectionPrefix + entry, "Fenlark Type", "0");
    if (auto converted = ConvertInt16(type))
        informationType = *converted;

    if (probe.empty() || probe == "none")
        return candidate;
    const std::string result = ProbeDemo(session, probe, demoPath);
    if (result == "/")
        return std::nullopt;
    if (result == "ok")
        return candidate;

    // The "ascc" flag: the version becomes the character code of the first
    // character the probe read, for headers that keep a version as one byte.
    const std::size_t lastSeparator = probe.rfind("::");
    const bool characterCode =
        lastSeparator != std::string::npos && probe.substr(lastSeparator + 2) == "ascc";
    if (!characterCode)
        candidate.versionText = result;
    else if (!result.empty())
        candidate.versionText = std::to_string(static_cast<unsigned char>(result.front()));
    return candidate;
}

} // namespace

std::string DemoExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

void RunQuakeReader(Session& session) {
    try {
        ReadDemoInformation(session, session.DemoPath);
    } catch (const ReadingError&) {
        // The reading stopped; what it showed stays and matching goes on.
        return;
    }
    session.summary.cmdCreateDemoLogEnabled = true;
}

void IdentifyDemo(Session& session, const std::string& demoPath) {
    const std::string extension = DemoExtension(demoPath);
    std::int16_t informationType = 0;
    session.lstKgd.setFolder(session.definitionsFolder());

    std::optional<Candidate> accepted;
    const auto& files = session.lstKgd.files();
    for (std::size_t index = 0; index < files.size() && !accepted; ++index) {
        session.lstKgd.select(index);
        const std::string definition = session.currentDefinitionPath();
        const std::string extensions =
            LowerCase(ReadDefinitionValue(definition, GameSection, "Demo Extensions", ""));
        // Entries end with ";;". The search resumes on the second character of
        // a found separator, so ";;;" yields the previous entry once more.
        std::size_t searchStart = 0;
        std::size_t entryStart = 0;
        for (std::size_t p = extensions.find(";;", searchStart); p != std::string::npos;
             p = extensions.find(";;", searchStart)) {
            if (p >= entryStart)
                session.MatchedExtension = extensions.substr(entryStart, p - entryStart);
            if (session.MatchedExtension == extension) {
                accepted = ExamineCandidate(session, demoPath, definition, session.MatchedExtension,
                                            informationType);
                if (accepted)
                    break;
            }
            searchStart = p + 1;
            entryStart = p + 2;
        }
    }

    if (!accepted) {
        session.showLanguageMessage(MessageIcon::Warning, "086");
        session.ui.hideWait();
        return;
    }

    session.summary.txtDemoType =
        accepted->gameName + " " + accepted->versionText + " (." + extension + ")";

    switch (informationType) {
    case 1:
        session.summary.cmdCreateDemoLogEnabled = true;
        ExtractDefinitionInfo(session);
        break;
    case 2:
        session.summary.cmdCreateDemoLogEnabled = true;
        RunQuakeReader(session);
        break;
    default:
        session.summary.cmdCreateDemoLogEnabled = false;
        session.showLanguageMessage(MessageIcon::Critical, "185");
        session.ui.hideWait();
        return;
    }

    if (!session.summary.lstOtherInfo.rows.empty())
        session.summary.lstOtherInfo.selectedRow = 0;
    session.ui.hideWait();
}

} // namespace fenlark
