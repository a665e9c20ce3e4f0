#include "q3reader/ServerInfo.h"

#include "core/Session.h"
#include "core/TeamValue.h"
#include "core/TextCase.h"
#include "extract/TextCleanup.h"
#include "gamedef/DefinitionNames.h"
#include "gamedef/DefinitionReader.h"
#include "q3reader/QuakeDemo.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>
#include <vector>

namespace fenlark {

namespace {

struct FieldKey {
    const char* definitionKey;
    const char* defaultCvar;
    std::string DemoSummary::*field;
};

// Tried in this order for every pair.
const std::array<FieldKey, 5> FieldKeys{{
    {definition::DemoProtocol, "protocol", &DemoSummary::txtDemoProtocol},
    {definition::GameVersion, "gameversion", &DemoSummary::txtGameVersion},
    {definition::Servername, "sv_hostname", &DemoSummary::txtServername},
    {definition::MapCvar, "mapname", &DemoSummary::txtMap},
    {definition::ModCvar, "fs_game", &DemoSummary::txtMod},
}};

const char* DetailLabel(const std::string& key) {
    if (key == "model") {
        return "Model";
    }
    if (key == "hmodel") {
        return "Head Model";
    }
    if (key == "hc") {
        return "Handicap";
    }
    return nullptr;
}

} // namespace

InfoPairs SplitInfoString(const std::string& text) {
    // Tokens are taken in turn as keys and values straight into the pairs;
    // a token left over after the last backslash-ended pair is a key without
    // a value.
    InfoPairs result;
    std::size_t start = text.empty() || text.front() != '\\' ? 0 : 1;
    std::string_view key;
    bool haveKey = false;
    const std::string_view all(text);
    for (std::size_t end = all.find('\\', start); end != std::string_view::npos;
         end = all.find('\\', start)) {
        const std::string_view token = all.substr(start, end - start);
        if (haveKey) {
            result.pairs.emplace_back(std::string(key), std::string(token));
        } else {
            key = token;
        }
        haveKey = !haveKey;
        start = end + 1;
    }
    result.incompleteLastPair = haveKey;
    return result;
}

void ShowServerInfo(Session& session, const std::string& text) {
    // The cvar names are read once per configstring; the definition does not
    // change during a reading. A key may name alternatives ("protocol;;
    // com_protocol"): the first one the server sends wins.
    const std::string definition = session.currentDefinitionPath();
    const std::string section = definition::InformationSectionPrefix + session.MatchedExtension;
    std::array<std::vector<std::string>, FieldKeys.size()> cvars;
    for (std::size_t i = 0; i < FieldKeys.size(); ++i) {
        cvars[i] = DefinitionAlternatives(LowerCase(ReadDefinitionValue(
            definition, section, FieldKeys[i].definitionKey, FieldKeys[i].defaultCvar)));
    }

    DemoSummary& summary = session.summary;
    constexpr std::size_t NoneSeen = std::numeric_limits<std::size_t>::max();
    std::array<std::size_t, FieldKeys.size()> bestSeen{};
    bestSeen.fill(NoneSeen);
    for (auto& [key, value] : SplitInfoString(text + "\\").pairs) {
        const std::string lowerKey = LowerCase(key);
        for (std::size_t i = 0; i < FieldKeys.size(); ++i) {
            const auto found = std::find(cvars[i].begin(), cvars[i].end(), lowerKey);
            const auto rank = static_cast<std::size_t>(found - cvars[i].begin());
            if (found != cvars[i].end() && rank <= bestSeen[i]) {
                bestSeen[i] = rank;
                summary.*(FieldKeys[i].field) = value;
            }
        }
        summary.lstOtherInfo.rows.push_back({key, value});
    }
}

void AddPlayer(Session& session, const std::string& text) {
    InfoPairs info = SplitInfoString("\\" + text + "\\");
    if (info.incompleteLastPair) {
        throw ReadingError("player text without a value for its last key");
    }

    std::string name;
    std::optional<std::string> team;
    std::string details;
    for (auto& [key, value] : info.pairs) {
        if (value.find('^') != std::string::npos) {
            StripColorCodes(value);
        }
        if (key == "n") {
            name = value;
        } else if (key == "t") {
            team = value;
        } else {
            const char* label = DetailLabel(key);
            details += "\\";
            details += label != nullptr ? label : key;
            details += "\\";
            details += value;
        }
    }
    details += "\\";

    DemoSummary& summary = session.summary;
    PlayerList* list = nullptr;
    if (team == teams::Free) {
        list =
            summary.lstPlayersBlue.items.empty() ? &summary.lstPlayersBlue : &summary.lstPlayersRed;
    } else if (team == teams::Blue) {
        list = &summary.lstPlayersBlue;
    } else if (team == teams::Red) {
        list = &summary.lstPlayersRed;
    } else if (team == teams::Spectator) {
        list = &summary.lstPlayersSpectators;
    }
    if (list != nullptr) {
        list->append(name, details);
    }
}

} // namespace fenlark
