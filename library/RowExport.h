#pragma once
// The library's rows as text for scripts and spreadsheets: one JSON object
// per line, or CSV with a header line. Both carry the same fields.

#include "library/DemoRecord.h"

#include <cstdint>
#include <string>

namespace fenlark::library {

// One JSON object (no line end) with the fields path, archiveMember, game,
// demoType, protocol, map, server, mod, players, recorder, durationMs,
// teamScores, winner, size, date, dateSource, missing.
std::string JsonLine(const DemoRecord& record);

// The CSV header and one row (RFC 4180 quoting, no line end). The fields of
// JsonLine, players joined with "; ", then the message text.
std::string CsvHeader();
std::string CsvRow(const DemoRecord& record);

// "2026-12-05T23:12:00Z".
std::string IsoDate(std::int64_t secondsSince1970);

// Text as valid UTF-8: every byte sequence that is not becomes U+FFFD.
std::string ValidUtf8(const std::string& text);

} // namespace fenlark::library
