#include "app/LibraryDescriber.h"

#include "app/LoadDemo.h"
#include "app/RecordingTime.h"
#include "core/Session.h"
#include "demoreader/Protocol.h"
#include "gamedef/DefinitionNames.h"
#include "gamedef/DefinitionReader.h"
#include "q3match/MatchAnalysis.h"

#include <algorithm>
#include <array>

namespace fenlark {

namespace {

// Message boxes become text; dialogs are cancelled; nothing waits for a user.
class CollectingInterface : public UserInterface {
public:
    void showMessage(const Message& message) override { messages.push_back(message.text); }
    void showWait() override {}
    void hideWait() override {}
    std::optional<std::string> askOpenFile(const FileDialogRequest& /*request*/) override {
        return std::nullopt;
    }
    std::optional<std::string> askSaveFile(const FileDialogRequest& /*request*/) override {
        return std::nullopt;
    }
    void endProgram() override {}

    std::vector<std::string> messages;
};

// Message boxes break lines with CR LF; a row keeps one message per line.
std::string OneLine(const std::string& text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        line += (text[i] == '\n' || text[i] == '\r') ? ' ' : text[i];
    }
    return line;
}

// The extensions of the demos the match analysis reads: ".dm3" and ".dm_NN"
// of a protocol the reader has tables for.
bool IsQuakeThreeDemo(const std::string& extension) {
    if (extension == "dm3") {
        return true;
    }
    const std::string prefix = "dm_";
    if (extension.rfind(prefix, 0) != 0) {
        return false;
    }
    const std::string digits = extension.substr(prefix.size());
    const auto& known = demoreader::KnownProtocols;
    return std::any_of(known.begin(), known.end(),
                       [&](int protocol) { return digits == std::to_string(protocol); });
}

// The match columns: what the analysis found, and players the window's
// lists do not name after those that they do.
void AddMatchFacts(const MatchFacts& facts, library::DemoInfo& info) {
    info.durationMs = facts.durationMs;
    if (facts.recorder) {
        info.recorder = facts.recorder->name;
    }
    if (facts.teamScores) {
        info.scoreRed = facts.teamScores->red;
        info.scoreBlue = facts.teamScores->blue;
    }
    if (facts.winner) {
        info.winner = *facts.winner;
    }
    for (const MatchPlayer& player : facts.players) {
        if (!player.name.empty() && std::find(info.players.begin(), info.players.end(),
                                              player.name) == info.players.end()) {
            info.players.push_back(player.name);
        }
    }
    for (const MatchChatLine& line : facts.chat) {
        info.chat += line.sender + ": " + line.text + "\n";
    }
}

class FlowDescriber final : public library::DemoDescriber {
public:
    explicit FlowDescriber(const LibraryFlowSettings& settings)
        : matchAnalysis_(settings.matchAnalysis), language_(settings.makeLanguage()),
          session_(interface_, *language_, settings.programFolder) {
        if (!settings.definitionsFolder.empty()) {
            session_.setDefinitionsFolder(settings.definitionsFolder);
        }
        session_.LanguageNumber = settings.languageNumber;
    }

    library::DemoInfo describe(ByteSource& bytes, const library::DemoLocation& location,
                               const std::string& extension) override {
        library::DemoInfo info;
        interface_.messages.clear();
        session_.programEnded = false;
        const DefinitionReadScope definitions;
        // The flow reads the bytes the scanner opened. A member exists only in
        // memory, and its name (archive path, then member) carries the
        // member's extension.
        session_.DemoPath =
            location.inArchive() ? location.path + "/" + location.member : location.path;
        session_.demoBytes = &bytes;
        LoadDemo(session_);
        session_.demoBytes = nullptr;

        const DemoSummary& summary = session_.summary;
        // The game is the one the matched definition names; the window's
        // "game version" field holds what the server sends (often the mod's
        // own name and version), which the demo type and mod columns cover.
        if (!summary.txtDemoType.empty() && !session_.currentDefinitionPath().empty()) {
            info.game = ReadDefinitionValue(session_.currentDefinitionPath(),
                                            definition::GameSection, definition::GameName, "");
        }
        info.demoType = summary.txtDemoType;
        info.protocol = summary.txtDemoProtocol;
        info.map = summary.txtMap;
        info.server = summary.txtServername;
        info.mod = summary.txtMod;
        for (const PlayerList* list :
             {&summary.lstPlayersBlue, &summary.lstPlayersRed, &summary.lstPlayersSpectators}) {
            for (const std::string& name : list->items) {
                info.players.push_back(name);
            }
        }
        info.demoTime = RecordingTimeFromServerValues(summary.lstOtherInfo);
        if (matchAnalysis_ && !info.demoType.empty()) {
            if (IsQuakeThreeDemo(extension)) {
                AddMatchFacts(
                    q3match::AnalyseDemo(bytes, demoreader::ProtocolFromPath(session_.DemoPath)),
                    info);
            } else if (const readers::EngineReaderEntry* reader = FindBuiltInReader(session_)) {
                // The other engines' facts come from the whole-file reading of
                // the built-in reader the definition names, as in the Match
                // window.
                AddMatchFacts(reader->read(bytes, readers::ReadDepth::WholeFile).match, info);
            }
        }
        for (const std::string& message : interface_.messages) {
            info.message += (info.message.empty() ? "" : "\n") + OneLine(message);
        }
        return info;
    }

private:
    bool matchAnalysis_;
    CollectingInterface interface_;
    std::unique_ptr<LanguageTexts> language_;
    Session session_;
};

} // namespace

library::DescriberFactory LibraryFlowDescribers(LibraryFlowSettings settings) {
    return [settings = std::move(settings)] { return std::make_unique<FlowDescriber>(settings); };
}

} // namespace fenlark
