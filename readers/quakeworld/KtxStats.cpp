#include "readers/quakeworld/KtxStats.h"

#include "readers/quake/QuakeText.h"
#include "readers/quakeworld/JsonValue.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace fenlark::readers::quakeworld {

namespace {

std::string Number(double value) {
    char text[32];
    if (std::fabs(value - std::round(value)) < 1e-9 && std::fabs(value) < 1e15) {
        std::snprintf(text, sizeof text, "%.0f", value);
    } else {
        std::snprintf(text, sizeof text, "%.1f", value);
    }
    return text;
}

std::optional<int> Whole(std::optional<double> value) {
    if (!value || !std::isfinite(*value) || std::fabs(*value) > 1e9) {
        return std::nullopt;
    }
    return static_cast<int>(std::lround(*value));
}

void AddNumber(DetailRows& rows, std::string label, std::optional<double> value) {
    if (value && std::isfinite(*value)) {
        rows.emplace_back(std::move(label), Number(*value));
    }
}

struct WeaponName {
    std::string_view key;
    std::string_view label;
};
constexpr std::array Weapons = {
    WeaponName{"sg", "SG"},   WeaponName{"ssg", "SSG"}, WeaponName{"ng", "NG"},
    WeaponName{"sng", "SNG"}, WeaponName{"gl", "GL"},   WeaponName{"rl", "RL"},
    WeaponName{"lg", "LG"},
};

KtxPlayerStats ReadPlayer(const JsonValue& player) {
    KtxPlayerStats stats;
    stats.name = player.stringAt("name").value_or("");
    stats.frags = Whole(player.numberAt({"stats", "frags"}));
    stats.deaths = Whole(player.numberAt({"stats", "deaths"}));
    DetailRows& rows = stats.details;
    AddNumber(rows, "Frags (server statistics)", player.numberAt({"stats", "frags"}));
    AddNumber(rows, "Kills", player.numberAt({"stats", "kills"}));
    AddNumber(rows, "Deaths", player.numberAt({"stats", "deaths"}));
    AddNumber(rows, "Suicides", player.numberAt({"stats", "suicides"}));
    AddNumber(rows, "Team kills", player.numberAt({"stats", "tk"}));
    AddNumber(rows, "Damage given", player.numberAt({"dmg", "given"}));
    AddNumber(rows, "Damage taken", player.numberAt({"dmg", "taken"}));
    AddNumber(rows, "Team damage", player.numberAt({"dmg", "team"}));
    AddNumber(rows, "Best spree", player.numberAt({"spree", "max"}));
    if (const JsonValue* weapons = player.member("weapons")) {
        for (const WeaponName& weapon : Weapons) {
            const JsonValue* entry = weapons->member(weapon.key);
            if (entry == nullptr) {
                continue;
            }
            const auto attacks = entry->numberAt({"acc", "attacks"});
            const auto hits = entry->numberAt({"acc", "hits"});
            if (attacks && hits && *attacks > 0) {
                char percent[32];
                std::snprintf(percent, sizeof percent, " (%.1f%%)", 100.0 * *hits / *attacks);
                rows.emplace_back("Accuracy " + std::string(weapon.label),
                                  Number(*hits) + "/" + Number(*attacks) + percent);
            }
        }
    }
    return stats;
}

} // namespace

std::optional<KtxMatchStats> ReadKtxStats(std::string_view json) {
    const auto document = ParseJson(json);
    if (!document || document->kind != JsonValue::Kind::Object) {
        return std::nullopt;
    }
    const JsonValue* players = document->member("players");
    if (players == nullptr || players->kind != JsonValue::Kind::Array) {
        return std::nullopt;
    }
    KtxMatchStats stats;
    if (const auto date = document->stringAt("date")) {
        stats.match.emplace_back("Match date", QuakeLineToUtf8(*date));
    }
    if (const auto mode = document->stringAt("mode")) {
        stats.match.emplace_back("Match mode", QuakeLineToUtf8(*mode));
    }
    AddNumber(stats.match, "Match duration (s)", document->numberAt({"duration"}));
    for (const JsonValue& player : players->items) {
        if (player.kind == JsonValue::Kind::Object) {
            stats.players.push_back(ReadPlayer(player));
        }
    }
    return stats;
}

} // namespace fenlark::readers::quakeworld
