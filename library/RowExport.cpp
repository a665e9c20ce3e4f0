#include "library/RowExport.h"

#include <cstdio>
#include <ctime>

namespace fenlark::library {

namespace {

// Well-formed UTF-8 by its lead byte: the sequence's length and the range
// of its second byte; the bytes after that are all continuation bytes.
struct Utf8Lead {
    unsigned char first;
    unsigned char last;
    std::size_t length;
    unsigned char secondLow;
    unsigned char secondHigh;
};
constexpr unsigned char AsciiEnd = 0x80;
constexpr unsigned char ContinuationLow = 0x80;
constexpr unsigned char ContinuationHigh = 0xBF;
constexpr Utf8Lead Utf8Leads[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, // no overlong forms
    {0xE1, 0xEC, 3, 0x80, 0xBF}, {0xED, 0xED, 3, 0x80, 0x9F}, // no surrogates
    {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF}, // no overlong forms
    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F}, // nothing above U+10FFFF
};

// The length of the valid UTF-8 sequence at `i`, 0 when there is none.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    if (lead < AsciiEnd) {
        return 1;
    }
    for (const Utf8Lead& form : Utf8Leads) {
        if (lead < form.first || lead > form.last) {
            continue;
        }
        if (i + form.length > text.size() || byte(i + 1) < form.secondLow ||
            byte(i + 1) > form.secondHigh) {
            return 0;
        }
        for (std::size_t k = 2; k < form.length; ++k) {
            if (byte(i + k) < ContinuationLow || byte(i + k) > ContinuationHigh) {
                return 0;
            }
        }
        return form.length;
    }
    return 0;
}

void AppendJsonString(std::string& out, const std::string& raw) {
    const std::string text = ValidUtf8(raw);
    out += '"';
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

void AppendJsonStringOrNull(std::string& out, const std::string& text) {
    if (text.empty()) {
        out += "null";
    } else {
        AppendJsonString(out, text);
    }
}

void AppendCsvField(std::string& out, const std::string& raw) {
    const std::string text = ValidUtf8(raw);
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
}

std::string TeamScoresText(const DemoInfo& info) {
    if (!info.scoreRed || !info.scoreBlue) {
        return {};
    }
    return std::to_string(*info.scoreRed) + ":" + std::to_string(*info.scoreBlue);
}

} // namespace

std::string ValidUtf8(const std::string& text) {
    std::string valid;
    valid.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            valid += "\xEF\xBF\xBD";
            ++i;
        } else {
            valid.append(text, i, length);
            i += length;
        }
    }
    return valid;
}

std::string IsoDate(std::int64_t secondsSince1970) {
    const auto seconds = static_cast<std::time_t>(secondsSince1970);
    std::tm parts{};
    if (::gmtime_r(&seconds, &parts) == nullptr) {
        return {};
    }
    constexpr int TmYearBase = 1900;
    constexpr std::size_t TextBytes = 40; // room for any year an int holds
    char text[TextBytes];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.tm_year + TmYearBase,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

std::string JsonLine(const DemoRecord& record) {
    const DemoInfo& info = record.info;
    std::string out = "{\"path\":";
    AppendJsonString(out, record.location.path);
    out += ",\"archiveMember\":";
    AppendJsonStringOrNull(out, record.location.member);
    const std::pair<const char*, const std::string*> texts[] = {
        {"game", &info.game}, {"demoType", &info.demoType}, {"protocol", &info.protocol},
        {"map", &info.map},   {"server", &info.server},     {"mod", &info.mod}};
    for (const auto& [name, value] : texts) {
        out += ",\"";
        out += name;
        out += "\":";
        AppendJsonString(out, *value);
    }
    out += ",\"players\":[";
    for (std::size_t i = 0; i < info.players.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendJsonString(out, info.players[i]);
    }
    out += "],\"recorder\":";
    AppendJsonStringOrNull(out, info.recorder);
    out += ",\"durationMs\":";
    out += info.durationMs ? std::to_string(*info.durationMs) : "null";
    out += ",\"teamScores\":";
    if (info.scoreRed && info.scoreBlue) {
        out += "{\"red\":" + std::to_string(*info.scoreRed) +
               ",\"blue\":" + std::to_string(*info.scoreBlue) + "}";
    } else {
        out += "null";
    }
    out += ",\"winner\":";
    AppendJsonStringOrNull(out, info.winner);
    out += ",\"size\":" + std::to_string(record.size);
    out += ",\"date\":";
    AppendJsonString(out, IsoDate(record.date));
    out += ",\"dateSource\":";
    out += record.dateSource == DateSource::Demo ? "\"demo\"" : "\"file\"";
    out += ",\"missing\":";
    out += record.missing ? "true" : "false";
    out += '}';
    return out;
}

std::string CsvHeader() {
    return "path,archiveMember,game,demoType,protocol,map,server,mod,players,recorder,durationMs,"
           "teamScores,winner,size,date,dateSource,missing,message";
}

std::string CsvRow(const DemoRecord& record) {
    const DemoInfo& info = record.info;
    std::string players;
    for (const std::string& name : info.players) {
        players += (players.empty() ? "" : "; ") + name;
    }
    const std::string fields[] = {record.location.path,
                                  record.location.member,
                                  info.game,
                                  info.demoType,
                                  info.protocol,
                                  info.map,
                                  info.server,
                                  info.mod,
                                  players,
                                  info.recorder,
                                  info.durationMs ? std::to_string(*info.durationMs) : "",
                                  TeamScoresText(info),
                                  info.winner,
                                  std::to_string(record.size),
                                  IsoDate(record.date),
                                  record.dateSource == DateSource::Demo ? "demo" : "file",
                                  record.missing ? "true" : "false",
                                  info.message};
    std::string out;
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendCsvField(out, fields[i]);
    }
    return out;
}

} // namespace fenlark::library
