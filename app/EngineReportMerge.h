#pragma once
// Merges what a built-in engine reader found into the window model, after the
// definition-driven extraction has filled it: the reader's players join the
// three lists, its values fill the fields the extraction left as "/", and its
// further rows follow the listed ones.

#include "core/DemoSummary.h"
#include "readers/EngineReport.h"

#include <string>
#include <string_view>

namespace fenlark {

// When the reader reports players, they replace those the extraction listed
// (a probe reaches at most a name in the header, without its team). Team
// placement of a reader's players:
//  - a spectator goes to Spectators;
//  - a team named "blue" or "red" (letter case ignored) goes to that list;
//  - any other team goes to Blue when it is the engine's first team, else to
//    Red (the engine's order is report.teams, then the teams that only the
//    players name, in the order they appear);
//  - a player without a team is placed like a team-0 player of a Quake III
//    demo: to Blue while Blue is empty, else to Red.
// Text stays UTF-8 (malformed bytes become U+FFFD). Lists stop growing at
// their limit.
void MergeEngineReport(DemoSummary& summary, const readers::EngineReport& report);

// The details entry of one player, "\label\value\...\" (without the ";;"
// that ends it in a list): "\" inside a label or value becomes "/" and a ";"
// that would form the entry separator becomes ",".
std::string EngineDetailsEntry(const readers::ReportedPlayer& player);

} // namespace fenlark
