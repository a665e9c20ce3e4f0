#include "app/PlayerDetails.h"
#include "cli/CliUserInterface.h"
#include "cli/Report.h"
#include "core/TextConversion.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <string_view>

namespace fenlark::cli {

namespace {

// The window model and the messages hold UTF-8.
QJsonValue Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QJsonValue Path(const std::string& path) {
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

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

// Readers that split lines on every Unicode line break (NEL, LINE SEPARATOR,
// PARAGRAPH SEPARATOR) would cut an object in two; JSON allows their escapes.
// In valid UTF-8 these byte sequences can only be those characters.
std::string EscapeUnicodeLineBreaks(std::string json) {
    struct Replacement {
        std::string_view bytes;
        std::string_view escape;
    };
    static constexpr std::array<Replacement, 3> Replacements = {{
        {"\xC2\x85", "\\u0085"},
        {"\xE2\x80\xA8", "\\u2028"},
        {"\xE2\x80\xA9", "\\u2029"},
    }};
    for (const Replacement& replacement : Replacements) {
        for (std::size_t at = json.find(replacement.bytes); at != std::string::npos;
             at = json.find(replacement.bytes, at + replacement.escape.size())) {
            json.replace(at, replacement.bytes.size(), replacement.escape);
        }
    }
    return json;
}

QJsonValue LogJson(const std::optional<DemoLogOutcome>& log) {
    if (!log) {
        return QJsonValue::Null;
    }
    return QJsonObject{
        {"ending", DemoLogEndingName(log->ending)},
        {"messagesRead", static_cast<qint64>(log->messagesRead)},
        {"created", log->created},
    };
}

QJsonObject PlayerListJson(const PlayerList& list) {
    QJsonArray items;
    QJsonArray details;
    for (std::size_t i = 0; i < list.items.size(); ++i) {
        items.append(Text(list.items[i]));
        auto text = PlayerDetailsText(list, i);
        details.append(text ? Text(*text) : QJsonValue(QJsonValue::Null));
    }
    return QJsonObject{{"items", items}, {"tag", Text(list.tag)}, {"details", details}};
}

QJsonObject OtherInfoJson(const OtherInfoList& list) {
    QJsonArray columns;
    for (const auto& column : list.columns) {
        columns.append(QJsonObject{{"text", Text(column.text)}, {"width", column.width}});
    }
    QJsonArray rows;
    for (const auto& row : list.rows) {
        rows.append(QJsonArray{Text(row.name), Text(row.value)});
    }
    QJsonValue selected = QJsonValue::Null;
    if (list.selectedRow) {
        selected = static_cast<qint64>(*list.selectedRow);
    }
    return QJsonObject{{"columns", columns}, {"rows", rows}, {"selectedRow", selected}};
}

QJsonArray MessagesJson(const std::vector<Message>& messages) {
    QJsonArray array;
    for (const auto& message : messages) {
        array.append(QJsonObject{
            {"icon", IconName(message.icon)},
            {"title", Text(message.title)},
            {"text", Text(message.text)},
            {"textId", message.textId ? Text(*message.textId) : QJsonValue(QJsonValue::Null)},
        });
    }
    return array;
}

} // namespace

std::string JsonReport(const Session& session, const std::vector<Message>& messages,
                       const std::optional<DemoLogOutcome>& log) {
    const DemoSummary& s = session.summary;
    const std::string definition = session.lstKgd.selectedName();
    QJsonObject object{
        {"demoPath", Path(session.DemoPath)},
        {"txtDemoType", Text(s.txtDemoType)},
        {"txtFileSize", Text(s.txtFileSize)},
        {"txtDemoProtocol", Text(s.txtDemoProtocol)},
        {"txtGameVersion", Text(s.txtGameVersion)},
        {"txtServername", Text(s.txtServername)},
        {"txtMap", Text(s.txtMap)},
        {"txtMod", Text(s.txtMod)},
        {"lstPlayersBlue", PlayerListJson(s.lstPlayersBlue)},
        {"lstPlayersRed", PlayerListJson(s.lstPlayersRed)},
        {"lstPlayersSpectators", PlayerListJson(s.lstPlayersSpectators)},
        {"lstOtherInfo", OtherInfoJson(s.lstOtherInfo)},
        {"cmdCreateDemoLog", QJsonObject{{"enabled", s.cmdCreateDemoLogEnabled}}},
        {"definition", definition.empty() ? QJsonValue(QJsonValue::Null) : Path(definition)},
        {"matchedExtension", Text(session.MatchedExtension)},
        {"lastPosition", static_cast<qint64>(session.LastPosition)},
        {"languageNumber", static_cast<int>(session.LanguageNumber)},
        {"messages", MessagesJson(messages)},
        {"programEnded", session.programEnded},
    };
    if (log) {
        object.insert("log", LogJson(log));
    }
    if (!IsValidUtf8(session.DemoPath)) {
        object.insert("demoPathBytes", QString::fromStdString(HexBytes(session.DemoPath)));
    }
    return EscapeUnicodeLineBreaks(
        QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString());
}

} // namespace fenlark::cli
