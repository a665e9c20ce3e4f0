#include "extract/ExtractDefinitionInfo.h"

#include "core/Files.h"
#include "core/Session.h"
#include "core/TeamValue.h"
#include "core/TextCase.h"
#include "core/TextConversion.h"
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

// All the text one demo may put into the lists and details together. A
// definition whose expressions always match could otherwise fill memory
// with copies of the same bytes; at the bound the extraction ends as when a
// list is full, keeping what it has placed.
constexpr std::size_t MaxExtractedBytes = std::size_t{64} << 20U;

// A player is two bytes further on than the cursor position of the one before.
constexpr std::int32_t PlayerCursorStep = 2;

// The information section of the current definition, parsed once per file
// (LoadDefinitionFile keeps it until the file changes).
class InformationSection {
public:
    InformationSection(const std::string& definitionPath, std::string section)
        : section_(std::move(section)), file_(LoadDefinitionFile(definitionPath)) {}

    std::string value(const std::string& key) const {
        if (!file_) {
            return {};
        }
        const std::string* found = file_->find(section_, key);
        return found != nullptr ? *found : std::string();
    }

    // The numbers n, in ascending order, of every key of the section that
    // reads prefix + n + one of the suffixes (letter case ignored, n in
    // decimal without leading zeros).
    std::vector<std::int32_t> keyNumbers(std::string_view prefix,
                                         std::initializer_list<std::string_view> suffixes) const {
        std::vector<std::int32_t> numbers;
        if (!file_) {
            return numbers;
        }
        for (const std::string& name : file_->keys(section_)) {
            const std::string_view key = name;
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
    std::shared_ptr<const DefinitionFile> file_;
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

// Text a probe took from the demo, as the window shows it: each byte a
// Windows-1252 character. The "/" of a probe that found nothing stays "/".
std::string DemoText(const std::string& bytes) {
    return Windows1252ToUtf8(bytes);
}

void ExtractPlayers(Session& session, const InformationSection& keys, std::size_t& extracted) {
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
    const std::uintmax_t fileSize =
        session.demoBytes != nullptr
            ? session.demoBytes->size()
            : std::filesystem::file_size(PathFromUtf8(session.DemoPath), sizeError);
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
        bool overBound = false;
        for (std::int32_t m = 1; m <= *pairCount && !overBound; ++m) {
            if (next != pairs.end() && next->number == m) {
                details += '\\' + next->name + '\\' +
                           DemoText(ProbeDemo(session, next->expression, session.DemoPath));
                ++next;
            } else {
                // Neither key of this pair exists: an empty name and "/".
                details += "\\\\/";
            }
            overBound = extracted + details.size() > MaxExtractedBytes;
        }
        details += '\\';

        if (name == ProbeNotFound) {
            break;
        }
        const std::string shownName = DemoText(name);
        extracted += shownName.size() + details.size();
        if (overBound || extracted > MaxExtractedBytes) {
            break;
        }
        if (PlacePlayer(summary, shownName, team, details) == Placement::ListFull) {
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
    summary.txtMap = DemoText(probe(keys.value(definition::Map)));
    summary.txtMod = DemoText(probe(keys.value(definition::Mod)));
    summary.txtServername = DemoText(probe(keys.value(definition::ServerName)));
    summary.txtDemoProtocol = DemoText(probe(keys.value(definition::DemoProtocol)));
    std::size_t extracted = 0;

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
            summary.lstOtherInfo.rows.push_back({name, DemoText(value)});
            extracted += name.size() + summary.lstOtherInfo.rows.back().value.size();
        }
    }

    ExtractPlayers(session, keys, extracted);
}

} // namespace fenlark
