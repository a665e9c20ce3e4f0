#include "app/EngineReportMerge.h"

#include "core/TextCase.h"
#include "core/TextConversion.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace fenlark {

namespace {

// What the extraction shows for a value its probe did not find.
constexpr std::string_view NotFound = "/";

// Readers give UTF-8, as the model holds it; a byte that is not part of a
// well-formed sequence becomes U+FFFD rather than reach the window.
std::string ModelText(std::string_view utf8) {
    if (IsValidUtf8(utf8)) {
        return std::string(utf8);
    }
    std::string text;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t length = Utf8SequenceLength(utf8, at);
        if (length == 0) {
            text += "\xEF\xBF\xBD";
            ++at;
        } else {
            text += utf8.substr(at, length);
            at += length;
        }
    }
    return text;
}

// A label or value of a details entry, free of the entry's separators.
std::string DetailsText(std::string_view utf8) {
    std::string text = ModelText(utf8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            text[i] = '/';
        } else if (text[i] == ';' && (i + 1 == text.size() || text[i + 1] == ';')) {
            text[i] = ',';
        }
    }
    return text;
}

void FillIfNotFound(std::string& field, const std::optional<std::string>& value) {
    if (field == NotFound && value && !value->empty()) {
        field = ModelText(*value);
    }
}

// The engine's teams in its order: the declared ones, then those only the
// players name.
std::vector<std::string> TeamOrder(const readers::EngineReport& report) {
    std::vector<std::string> order = report.teams;
    for (const readers::ReportedPlayer& player : report.players) {
        if (!player.spectator && !player.team.empty() &&
            std::ranges::find(order, player.team) == order.end()) {
            order.push_back(player.team);
        }
    }
    return order;
}

PlayerList& ListFor(DemoSummary& summary, const readers::ReportedPlayer& player,
                    const std::vector<std::string>& teamOrder) {
    if (player.spectator) {
        return summary.lstPlayersSpectators;
    }
    if (player.team.empty()) {
        return summary.lstPlayersBlue.items.empty() ? summary.lstPlayersBlue
                                                    : summary.lstPlayersRed;
    }
    if (EqualIgnoringCase(player.team, "blue")) {
        return summary.lstPlayersBlue;
    }
    if (EqualIgnoringCase(player.team, "red")) {
        return summary.lstPlayersRed;
    }
    return !teamOrder.empty() && teamOrder.front() == player.team ? summary.lstPlayersBlue
                                                                  : summary.lstPlayersRed;
}

void AppendOtherInfo(OtherInfoList& list, const readers::EngineReport& report) {
    for (const auto& [name, value] : report.otherInfo) {
        if (list.rows.size() >= PlayerList::MaxItems) {
            return;
        }
        std::string rowName = ModelText(name);
        const bool listed = std::ranges::any_of(list.rows, [&rowName](const OtherInfoRow& row) {
            return EqualIgnoringCase(row.name, rowName);
        });
        if (!listed) {
            list.rows.push_back({std::move(rowName), ModelText(value)});
        }
    }
}

} // namespace

std::string EngineDetailsEntry(const readers::ReportedPlayer& player) {
    std::string entry;
    for (const auto& [label, value] : player.details) {
        entry += '\\';
        entry += DetailsText(label);
        entry += '\\';
        entry += DetailsText(value);
    }
    entry += '\\';
    return entry;
}

void MergeEngineReport(DemoSummary& summary, const readers::EngineReport& report) {
    FillIfNotFound(summary.txtDemoProtocol, report.protocol);
    FillIfNotFound(summary.txtGameVersion, report.gameVersion);
    FillIfNotFound(summary.txtServername, report.serverName);
    FillIfNotFound(summary.txtMap, report.map);
    FillIfNotFound(summary.txtMod, report.mod);

    // The extraction reaches at most a name in the file's header; a reader
    // that found the players knows them better, with their teams.
    if (!report.players.empty()) {
        summary.lstPlayersBlue.clear();
        summary.lstPlayersRed.clear();
        summary.lstPlayersSpectators.clear();
    }
    const std::vector<std::string> teamOrder = TeamOrder(report);
    for (const readers::ReportedPlayer& player : report.players) {
        // A full list refuses the player and leaves the others to their lists.
        ListFor(summary, player, teamOrder)
            .append(ModelText(player.name), EngineDetailsEntry(player));
    }

    AppendOtherInfo(summary.lstOtherInfo, report);
}

} // namespace fenlark
