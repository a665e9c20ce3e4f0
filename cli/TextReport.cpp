#include "cli/CliUserInterface.h"
#include "cli/MatchReport.h"
#include "cli/Report.h"

#include <sstream>

namespace fenlark::cli {

namespace {

// Width of the caption column and of a row name, in characters.
constexpr std::size_t CaptionWidth = 16;
constexpr std::size_t RowNameWidth = 24;

void Field(std::ostringstream& out, const char* caption, const std::string& value) {
    std::string label = caption;
    label.resize(CaptionWidth, ' ');
    out << label << value << '\n';
}

void Players(std::ostringstream& out, const char* caption, const PlayerList& list) {
    std::string label = std::string("  ") + caption;
    label.resize(CaptionWidth, ' ');
    out << label;
    for (std::size_t i = 0; i < list.items.size(); ++i) {
        out << (i == 0 ? "" : ", ") << list.items[i];
    }
    out << '\n';
}

} // namespace

std::string TextReport(const Session& session, const std::vector<Message>& messages,
                       const MatchSection* match) {
    const DemoSummary& s = session.summary;
    std::ostringstream out;
    out << "Demo:           " << session.DemoPath << '\n';
    Field(out, "Demo Type:", s.txtDemoType);
    Field(out, "File Size:", s.txtFileSize);
    Field(out, "Demo Protocol:", s.txtDemoProtocol);
    Field(out, "Game Version:", s.txtGameVersion);
    Field(out, "Server Name:", s.txtServername);
    Field(out, "Map:", s.txtMap);
    Field(out, "Mod:", s.txtMod);
    out << "Players:\n";
    Players(out, "Blue:", s.lstPlayersBlue);
    Players(out, "Red:", s.lstPlayersRed);
    Players(out, "Spectators:", s.lstPlayersSpectators);
    out << "Other Info:\n";
    for (const auto& row : s.lstOtherInfo.rows) {
        std::string name = "  " + row.name;
        if (name.size() < RowNameWidth) {
            name.resize(RowNameWidth, ' ');
        }
        out << name << ' ' << row.value << '\n';
    }
    out << "Create Demo log: " << (s.cmdCreateDemoLogEnabled ? "enabled" : "disabled") << '\n';
    for (const auto& message : messages) {
        out << "Message (" << IconName(message.icon) << "): " << message.text << '\n';
    }
    if (match != nullptr) {
        out << MatchText(match->facts);
    }
    if (session.programEnded) {
        out << "The program ended here.\n";
    }
    return out.str();
}

} // namespace fenlark::cli
