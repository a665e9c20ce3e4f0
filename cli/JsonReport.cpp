#include "app/PlayerDetails.h"
#include "cli/CliUserInterface.h"
#include "cli/JsonWriter.h"
#include "cli/MatchReport.h"
#include "cli/Report.h"
#include "core/TextConversion.h"

namespace fenlark::cli {

namespace {

std::string HexBytes(const std::string& bytes) {
    static constexpr char Digits[] = "0123456789abcdef";
    constexpr unsigned HighNibble = 4;
    constexpr unsigned LowNibbleMask = 0x0F;
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += Digits[byte >> HighNibble];
        hex += Digits[byte & LowNibbleMask];
    }
    return hex;
}

void WriteLog(JsonWriter& json, const DemoLogOutcome& log) {
    json.beginObject();
    json.key("ending");
    json.string(DemoLogEndingName(log.ending));
    json.key("messagesRead");
    json.number(static_cast<std::int64_t>(log.messagesRead));
    json.key("created");
    json.boolean(log.created);
    json.endObject();
}

void WritePlayerList(JsonWriter& json, const PlayerList& list) {
    json.beginObject();
    json.key("items");
    json.beginArray();
    for (const std::string& item : list.items) {
        json.string(item);
    }
    json.endArray();
    json.key("tag");
    json.string(list.tag);
    json.key("details");
    json.beginArray();
    for (std::size_t i = 0; i < list.items.size(); ++i) {
        if (auto text = PlayerDetailsText(list, i)) {
            json.string(*text);
        } else {
            json.null();
        }
    }
    json.endArray();
    json.endObject();
}

void WriteOtherInfo(JsonWriter& json, const OtherInfoList& list) {
    json.beginObject();
    json.key("columns");
    json.beginArray();
    for (const auto& column : list.columns) {
        json.beginObject();
        json.key("text");
        json.string(column.text);
        json.key("width");
        json.number(column.width);
        json.endObject();
    }
    json.endArray();
    json.key("rows");
    json.beginArray();
    for (const auto& row : list.rows) {
        json.beginArray();
        json.string(row.name);
        json.string(row.value);
        json.endArray();
    }
    json.endArray();
    json.key("selectedRow");
    if (list.selectedRow) {
        json.number(static_cast<std::int64_t>(*list.selectedRow));
    } else {
        json.null();
    }
    json.endObject();
}

void WriteMessages(JsonWriter& json, const std::vector<Message>& messages) {
    json.beginArray();
    for (const auto& message : messages) {
        json.beginObject();
        json.key("icon");
        json.string(IconName(message.icon));
        json.key("title");
        json.string(message.title);
        json.key("text");
        json.string(message.text);
        json.key("textId");
        if (message.textId) {
            json.string(*message.textId);
        } else {
            json.null();
        }
        json.endObject();
    }
    json.endArray();
}

void WriteText(JsonWriter& json, std::string_view name, const std::string& text) {
    json.key(name);
    json.string(text);
}

} // namespace

std::string JsonReport(const Session& session, const std::vector<Message>& messages,
                       const std::optional<DemoLogOutcome>& log, const MatchSection* match) {
    const DemoSummary& s = session.summary;
    JsonWriter json;
    json.beginObject();
    WriteText(json, "demoPath", session.DemoPath);
    if (!IsValidUtf8(session.DemoPath)) {
        // The text above shows U+FFFD where the path is not UTF-8; the bytes
        // let a script find the file.
        WriteText(json, "demoPathBytes", HexBytes(session.DemoPath));
    }
    WriteText(json, "txtDemoType", s.txtDemoType);
    WriteText(json, "txtFileSize", s.txtFileSize);
    WriteText(json, "txtDemoProtocol", s.txtDemoProtocol);
    WriteText(json, "txtGameVersion", s.txtGameVersion);
    WriteText(json, "txtServername", s.txtServername);
    WriteText(json, "txtMap", s.txtMap);
    WriteText(json, "txtMod", s.txtMod);
    json.key("lstPlayersBlue");
    WritePlayerList(json, s.lstPlayersBlue);
    json.key("lstPlayersRed");
    WritePlayerList(json, s.lstPlayersRed);
    json.key("lstPlayersSpectators");
    WritePlayerList(json, s.lstPlayersSpectators);
    json.key("lstOtherInfo");
    WriteOtherInfo(json, s.lstOtherInfo);
    json.key("cmdCreateDemoLog");
    json.beginObject();
    json.key("enabled");
    json.boolean(s.cmdCreateDemoLogEnabled);
    json.endObject();
    json.key("definition");
    if (const std::string definition = session.lstKgd.selectedName(); !definition.empty()) {
        json.string(definition);
    } else {
        json.null();
    }
    WriteText(json, "matchedExtension", session.MatchedExtension);
    json.key("lastPosition");
    json.number(session.LastPosition);
    json.key("languageNumber");
    json.number(session.LanguageNumber);
    json.key("messages");
    WriteMessages(json, messages);
    json.key("programEnded");
    json.boolean(session.programEnded);
    if (log) {
        json.key("log");
        WriteLog(json, *log);
    }
    if (match != nullptr) {
        json.key("match");
        WriteMatch(json, match->facts);
    }
    json.endObject();
    return json.take();
}

} // namespace fenlark::cli
