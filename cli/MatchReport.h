#pragma once
// The match facts of fenlark-info --match: a JSON object for the JSON Lines
// output and a few lines for the text report.

#include "cli/JsonWriter.h"
#include "core/MatchFacts.h"

#include <optional>
#include <string>

namespace fenlark::cli {

// The "match" value: null when the demo has no analysis, else an object
// whose unknown facts are null.
void WriteMatch(JsonWriter& json, const std::optional<MatchFacts>& facts);

// Duration, recorder, game type, score and winner, players and how the
// reading ended, one line each.
std::string MatchText(const std::optional<MatchFacts>& facts);

} // namespace fenlark::cli
