#pragma once
// What the main window shows for the current demo. The window and the
// command-line front end render this model; the core is the only writer.
// Text is UTF-8, converted once where it enters the model.

#include <optional>
#include <string>
#include <vector>

namespace fenlark {

// A player list box: its items and its details text ("Tag"), which holds one
// details entry per item, each followed by ";;".
struct PlayerList {
    static constexpr std::size_t MaxItems = 32767;

    std::vector<std::string> items;
    std::string tag;

    void clear() {
        items.clear();
        tag.clear();
    }
    // Appends an item together with its details entry (entry without ";;").
    // Returns false, changing nothing, when the list is full.
    bool append(const std::string& name, const std::string& detailsEntry);
};

struct ListColumn {
    std::string text;
    int width = 0; // twips
    bool operator==(const ListColumn&) const = default;
};

struct OtherInfoRow {
    std::string name;
    std::string value;
    bool operator==(const OtherInfoRow&) const = default;
};

// The two-column list view of further server values.
struct OtherInfoList {
    std::vector<ListColumn> columns;
    std::vector<OtherInfoRow> rows;
    std::optional<std::size_t> selectedRow;
    // Counts the calls of resetColumns(), so that a view can set its columns
    // up again even when the new columns equal the old ones (the user may
    // have resized them in between).
    unsigned columnResets = 0;

    // Removes every column and adds "Cvar" (2000 twips) and "Value" (2300 twips).
    void resetColumns();
};

struct DemoSummary {
    std::string txtDemoType;
    std::string txtFileSize;
    std::string txtDemoProtocol;
    std::string txtGameVersion;
    std::string txtServername;
    std::string txtMap;
    std::string txtMod;
    PlayerList lstPlayersBlue;
    PlayerList lstPlayersRed;
    PlayerList lstPlayersSpectators;
    OtherInfoList lstOtherInfo;
    bool cmdCreateDemoLogEnabled = false;
};

} // namespace fenlark
