#include "extract/ExtractDefinitionInfo.h"

#include "core/Files.h"
#include "core/Session.h"
#include "core/TeamValue.h"
#include "core/TextCase.h"
#include "core/Trim.h"
#include "core/WholeNumber.h"
#include "extract/TextCleanup.h"
#include "gamedef/DefinitionNames.h"
#include "gamedef/DefinitionReader.h"
#include "gamedef/ProbeDemo.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

namespace fenlark {

namespace {

// More details pairs than this per player count as a broken definition, like
// a count that is not a number: every pair is written into each player's
// details entry, so an absurd count would only exhaust memory.
constexpr std::int32_t MaxDetailsPairs = 32767;

// A player is two bytes further on than the cursor position of the one before.
constexpr std::int32_t PlayerCursorStep = 2;

// The information section of the current definition, read from the file once
// per extraction. Every lookup applies the rules of ReadDefinitionValue to the
// text, so a value is what a read from the file would give.
class InformationSection {
public:
    InformationSection(const std::string& definitionPath, std::string section)
        : section_(std::move(section)) {
        if (auto content = ReadWholeFile(definitionPath)) {
            text_ = std::move(*content);
            available_ = true;
        }
    }

    std::string value(const std::string& key) const {
        if (!available_) {
            return {};
        }
        return ReadDefinitionValueFromText(text_, section_, key, "");
    }

    // The numbers n, in ascending order, of every line of the file whose key
    // reads prefix + n + one of the suffixes (letter case ignored, n in
    // decimal without leading zeros). A superset of the numbered keys of the
    // section: a number not listed here names no such key.
    std::vector<std::int32_t> keyNumbers(std::string_view prefix,
                                         std::initializer_list<std::string_view> suffixes) const {
        std::vector<std::int32_t> numbers;
        std::size_t lineStart = 0;
        while (lineStart < text_.size()) {
            std::size_t lineEnd = text_.find('\n', lineStart);
            if (lineEnd == std::string::npos) {
                lineEnd = text_.size();
            }
            const std::string_view line =
                TrimLine(std::string_view(text_).substr(lineStart, lineEnd - lineStart));
            lineStart = lineEnd + 1;
            const std::size_t equals = line.find('=');
            if (equals == std::string_view::npos) {
                continue;
            }
            const std::string_view key = TrimLine(line.substr(0, equals));
            if (key.size() <= prefix.size() ||
                !EqualIgnoringCase(key.substr(0, prefix.size()), prefix)) {
                continue;
            }
            const std::string_view rest = key.substr(prefix.size());
            if (rest.front() == '0') {
                continue;
            }
            std::int32_t number = 0;
            const auto [end, error] =
                std::from_chars(rest.data(), rest.data() + rest.size(), number);
            if (error != std::errc() || number <= 0) {
                continue;
            }
            const std::string_view suffix =
                rest.substr(static_cast<std::size_t>(end - rest.data()));
            for (std::string_view wanted : suffixes) {
                if (EqualIgnoringCase(suffix, wanted)) {
                    numbers.push_back(number);
                    break;
                }
            }
        }
        std::sort(numbers.begin(), numbers.end());
        numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
        return numbers;
    }

private:
    std::string section_;
    std::string text_;
    bool available_ = false;
};

// A count of entries: a whole number, 0 or less meaning none. std::nullopt
// when the text is not a number, which ends the extraction.
std::optional<std::int32_t> ReadCount(const std::string& text) {
    return ConvertInt32(text);
}

std::string RemovePlayerColorCodes(std::string name) {
    while (name.find('^') != std::string::npos) {
        const std::string before = name;
        if (StripColorCodes(name) == before) {
            break;
        }
    }
    return name;
}

// The details pairs of one player, as the definition names them.
struct DetailsPair {
    std::int32_t number;
    std::string name;
    std::string expression;
};

enum class Placement { Placed, ListFull };

// Places a player by its team value: "1" Blue, "2" Red, "0" by the duel rule,
// anything else with the spectators.
Placement PlacePlayer(DemoSummary& summary, const std::string& name, const std::string& team,
                      const std::string& details) {
    PlayerList& blue = summary.lstPlayersBlue;
    PlayerList& red = summary.lstPlayersRed;
    PlayerList* target = &summary.lstPlayersSpectators;
    if (team == teams::Blue) {
        target = &blue;
    } else if (team == teams::Red) {
        target = &red;
    } else if (team == teams::Free) {
        // Two players without a team are a duel, one on each side; a third
        // makes it a free-for-all, so the duel's Red player joins Blue first.
        if (blue.items.size() == 1 && red.items.size() == 1) {
            blue.items.push_back(red.items.front());
            blue.tag += red.tag;
            red.clear();
            target = &blue;
        } else if (blue.items.size() == 1) {
            target = &red;
        } else {
            target = &blue;
        }
    }
    return target->append(name, details) ? Placement::Placed : Placement::ListFull;
}

void ExtractPlayers(Session& session, const InformationSection& keys) {
    DemoSummary& summary = session.summary;
    session.LastPosition = 1;
    const bool removeColorCodes =
        keys.value(definition::PlayerFilter) == definition::ColourCodeFilter;
    if (keys.value(definition::Player).empty()) {
        return;
    }

    // The definition is read once, so the count and the pairs are the same
    // for every player. Only pairs that the file names can have a name or an
    // expression; every other pair is an empty name with the value "/".
    const std::optional<std::int32_t> pairCount =
        ReadCount(keys.value(definition::PlayerInfoCount));
    std::vector<DetailsPair> pairs;
    if (pairCount && *pairCount <= MaxDetailsPairs) {
        for (std::int32_t m :
             keys.keyNumbers(definition::PlayerInfoPrefix, {definition::NameSuffix, ""})) {
            if (m > *pairCount) {
                break;
            }
            const std::string key = definition::PlayerInfoPrefix + std::to_string(m);
            pairs.push_back({m, keys.value(key + definition::NameSuffix), keys.value(key)});
        }
    }

    // The players end when "Player" probes to "/". Every player is a record of
    // the demo, so a demo of S bytes holds at most S of them: an expression
    // that never gives "/" stops there, or when a list is full.
    std::error_code sizeError;
    const std::uintmax_t fileSize = std::filesystem::file_size(session.DemoPath, sizeError);
    const std::uintmax_t maxPlayers = sizeError ? 0 : fileSize;
    std::uintmax_t placed = 0;

    const std::string playerExpression = keys.value(definition::Player);
    const std::string teamExpression = keys.value(definition::Team);
    while (true) {
        std::string name = ProbeDemo(session, playerExpression, session.DemoPath);
        if (removeColorCodes) {
            name = RemovePlayerColorCodes(name);
        }
        const std::string team = ProbeDemo(session, teamExpression, session.DemoPath);
        if (!pairCount || *pairCount > MaxDetailsPairs) {
            return;
        }

        std::string details;
        auto next = pairs.begin();
        for (std::int32_t m = 1; m <= *pairCount; ++m) {
            if (next != pairs.end() && next->number == m) {
                details += '\\' + next->name + '\\' +
                           ProbeDemo(session, next->expression, session.DemoPath);
                ++next;
            } else {
                // Neither key of this pair exists: an empty name and "/".
                details += "\\\\/";
            }
        }
        details += '\\';

        if (name == ProbeNotFound) {
            break;
        }
        if (PlacePlayer(summary, name, team, details) == Placement::ListFull) {
            break;
        }
        ++placed;
        if (session.LastPosition > std::numeric_limits<std::int32_t>::max() - PlayerCursorStep) {
            break;
        }
        session.LastPosition += PlayerCursorStep;
        if (placed >= maxPlayers) {
            break;
        }
    }
    summary.cmdCreateDemoLogEnabled = false;
}

} // namespace

void ExtractDefinitionInfo(Session& session) {
    DemoSummary& summary = session.summary;
    const InformationSection keys(session.currentDefinitionPath(),
                                  definition::InformationSectionPrefix + session.MatchedExtension);
    auto probe = [&session](const std::string& expression) {
        return ProbeDemo(session, expression, session.DemoPath);
    };

    summary.lstOtherInfo.resetColumns();
    summary.txtMap = probe(keys.value(definition::Map));
    summary.txtMod = probe(keys.value(definition::Mod));
    summary.txtServername = probe(keys.value(definition::ServerName));
    summary.txtDemoProtocol = probe(keys.value(definition::DemoProtocol));

    const std::optional<std::int32_t> infoCount = ReadCount(keys.value(definition::InfoCount));
    if (!infoCount) {
        return;
    }
    // Numbers without an "Info n" key would probe to "/" and be dropped, so
    // only the numbers that the file names are visited.
    for (std::int32_t n : keys.keyNumbers(definition::InfoPrefix, {""})) {
        if (n > *infoCount) {
            break;
        }
        const std::string key = definition::InfoPrefix + std::to_string(n);
        const std::string name = keys.value(key + definition::NameSuffix);
        const std::string value = probe(keys.value(key));
        if (value != ProbeNotFound) {
            summary.lstOtherInfo.rows.push_back({name, value});
        }
    }

    ExtractPlayers(session, keys);
}

} // namespace fenlark
