#include "app/PlayerDetails.h"
#include "cli/CliUserInterface.h"
#include "cli/Report.h"
#include "core/TextConversion.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace fenlark::cli {

namespace {

// Bytes of demos and definitions are one character per byte.
QJsonValue Text(const std::string& bytes) {
    const std::string text = Latin1ToUtf8(bytes);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QJsonValue Path(const std::string& path) {
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
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

std::string JsonReport(const Session& session, const std::vector<Message>& messages) {
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
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

} // namespace fenlark::cli
