// The exports read back: JSON Lines through Qt's JSON parser, CSV through a
// small reader of quoted fields.

#include "library/RowExport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <gtest/gtest.h>

namespace fenlark::library {
namespace {

DemoRecord Tricky() {
    DemoRecord record;
    record.location = {"/demos/a \"quoted\", name.zip", "inner/x.dm_68"};
    record.info.game = "Quake III";
    record.info.map = "q3dm17";
    record.info.server = "line\nbreak\ttab\x01";
    record.info.mod = std::string("bad \xff byte");
    record.info.players = {"Blue, One", "Red\"Two"};
    record.info.durationMs = 61000;
    record.info.scoreRed = 2;
    record.info.scoreBlue = 7;
    record.info.winner = "blue";
    record.info.message = "a message";
    record.size = 4096;
    record.date = 1700000000;
    record.dateSource = DateSource::Demo;
    record.missing = true;
    return record;
}

// Splits CSV text (RFC 4180) into records of fields.
std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                records.back().back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                records.back().back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            records.back().emplace_back();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            records.emplace_back(1);
        } else {
            records.back().back() += c;
        }
    }
    if (records.back().size() == 1 && records.back()[0].empty())
        records.pop_back();
    return records;
}

TEST(RowExportTest, JsonLineHasExactlyTheFieldsAndReadsBack) {
    const std::string line = JsonLine(Tricky());
    EXPECT_EQ(line.find('\n'), std::string::npos);
    QJsonParseError error{};
    const QJsonObject object =
        QJsonDocument::fromJson(QByteArray::fromStdString(line), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << line;
    const QStringList expected = {"path",       "archiveMember", "game",   "demoType", "protocol",
                                  "map",        "server",        "mod",    "players",  "recorder",
                                  "durationMs", "teamScores",    "winner", "size",     "date",
                                  "dateSource", "missing"};
    QStringList keys = object.keys();
    QStringList sortedExpected = expected;
    keys.sort();
    sortedExpected.sort();
    EXPECT_EQ(keys, sortedExpected);
    EXPECT_EQ(object["path"].toString().toStdString(), "/demos/a \"quoted\", name.zip");
    EXPECT_EQ(object["archiveMember"].toString(), "inner/x.dm_68");
    EXPECT_EQ(object["server"].toString(), "line\nbreak\ttab\x01");
    EXPECT_EQ(object["mod"].toString(), QString::fromUtf8("bad \xef\xbf\xbd byte"));
    EXPECT_EQ(object["players"].toArray().size(), 2);
    EXPECT_EQ(object["players"].toArray()[1].toString(), "Red\"Two");
    EXPECT_TRUE(object["recorder"].isNull());
    EXPECT_EQ(object["durationMs"].toInteger(), 61000);
    EXPECT_EQ(object["teamScores"].toObject()["blue"].toInt(), 7);
    EXPECT_EQ(object["size"].toInteger(), 4096);
    EXPECT_EQ(object["date"].toString(), "2023-11-14T22:13:20Z");
    EXPECT_EQ(object["dateSource"].toString(), "demo");
    EXPECT_TRUE(object["missing"].toBool());

    DemoRecord plain;
    plain.location.path = "/x.dm_68";
    const QJsonObject bare =
        QJsonDocument::fromJson(QByteArray::fromStdString(JsonLine(plain))).object();
    EXPECT_TRUE(bare["archiveMember"].isNull());
    EXPECT_TRUE(bare["teamScores"].isNull());
    EXPECT_TRUE(bare["durationMs"].isNull());
    EXPECT_EQ(bare["dateSource"].toString(), "file");
}

TEST(RowExportTest, CsvReadsBackFieldForField) {
    const std::string text = CsvHeader() + "\r\n" + CsvRow(Tricky()) + "\r\n";
    const auto records = ReadCsv(text);
    ASSERT_EQ(records.size(), 2u);
    ASSERT_EQ(records[0].size(), records[1].size());
    std::map<std::string, std::string> row;
    for (std::size_t i = 0; i < records[0].size(); ++i)
        row[records[0][i]] = records[1][i];
    EXPECT_EQ(row["path"], "/demos/a \"quoted\", name.zip");
    EXPECT_EQ(row["server"], "line\nbreak\ttab\x01");
    EXPECT_EQ(row["players"], "Blue, One; Red\"Two");
    EXPECT_EQ(row["teamScores"], "2:7");
    EXPECT_EQ(row["missing"], "true");
    EXPECT_EQ(row["message"], "a message");
}

TEST(RowExportTest, InvalidUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(ValidUtf8("ok \xc3\xa9"), "ok \xc3\xa9");
    EXPECT_EQ(ValidUtf8("\xc0\xaf"), "\xef\xbf\xbd\xef\xbf\xbd");                 // overlong
    EXPECT_EQ(ValidUtf8("\xed\xa0\x80"), "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"); // surrogate
    EXPECT_EQ(ValidUtf8("\xe2\x82"), "\xef\xbf\xbd\xef\xbf\xbd");                 // cut short
    EXPECT_EQ(ValidUtf8("\xf0\x9f\x98\x80"), "\xf0\x9f\x98\x80");
}

} // namespace
} // namespace fenlark::library
