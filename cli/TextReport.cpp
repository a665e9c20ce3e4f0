#include "cli/CliUserInterface.h"
#include "cli/MatchReport.h"
#include "cli/Report.h"

#include <sstream>

namespace fenlark::cli {

namespace {

// Width of the caption column and of a row name, in characters.
constexpr std::size_t CaptionWidth = 16;
constexpr std::size_t RowNameWidth = 24;

// Characters of UTF-8 text, so that columns line up on a terminal whatever
// letters a name holds: continuation bytes (10xxxxxx) start no character.
std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0U) != 0x80U ? 1 : 0;
    }
    return count;
}

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
        const std::size_t characters = CharacterCount(name);
        if (characters < RowNameWidth) {
            name.append(RowNameWidth - characters, ' ');
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
