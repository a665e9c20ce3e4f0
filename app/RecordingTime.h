#pragma once
// The time a demo was recorded, where the demo itself says so. Some servers
// put the wall-clock time into their server values: Quake Live servers send
// "g_levelStartTime" (the start of the level the demo was recorded in) and
// QuakeWorld KTX servers "epoch" (when the server demo began), both as
// seconds since 1970, UTC. Other formats carry no recording time.

#include "core/DemoSummary.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace fenlark {

// The recording time named by the server values of the window's two-column
// list, or std::nullopt when none is there or the value is not a plausible
// time (digits only, between 2000 and 2100).
std::optional<std::int64_t> RecordingTimeFromServerValues(const OtherInfoList& values);

// One value as a recording time, with the same rules.
std::optional<std::int64_t> ParseRecordingTime(std::string_view text);

} // namespace fenlark
