#include "app/RecordingTime.h"

#include <array>

namespace fenlark {

namespace {

// Server values that hold the wall-clock time of the recording, most telling first.
constexpr std::array<std::string_view, 2> RecordingTimeKeys = {"g_levelStartTime", "epoch"};

// 2000-01-01 and 2100-01-01, UTC: a value outside is a counter or garbage.
constexpr std::int64_t EarliestTime = 946684800;
constexpr std::int64_t LatestTime = 4102444800;

} // namespace

std::optional<std::int64_t> ParseRecordingTime(std::string_view text) {
    // Ten digits cover the whole range; more would overflow before the range check.
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    std::int64_t seconds = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        seconds = seconds * 10 + (c - '0');
    }
    if (seconds < EarliestTime || seconds >= LatestTime) {
        return std::nullopt;
    }
    return seconds;
}

std::optional<std::int64_t> RecordingTimeFromServerValues(const OtherInfoList& values) {
    for (const std::string_view key : RecordingTimeKeys) {
        for (const OtherInfoRow& row : values.rows) {
            if (row.name == key) {
                if (auto seconds = ParseRecordingTime(row.value)) {
                    return seconds;
                }
            }
        }
    }
    return std::nullopt;
}

} // namespace fenlark
