#include "core/DemoSummary.h"

namespace fenlark {

bool PlayerList::append(const std::string& name, const std::string& detailsEntry) {
    if (items.size() >= MaxItems) {
        return false;
    }
    items.push_back(name);
    // Entries are separated by ";;": a value that would form the separator
    // (";;" inside, or ";" at the end) has those semicolons shown as commas,
    // so that entry k stays with item k.
    std::string entry = detailsEntry;
    for (std::size_t i = 0; i < entry.size(); ++i) {
        if (entry[i] == ';' && (i + 1 == entry.size() || entry[i + 1] == ';')) {
            entry[i] = ',';
        }
    }
    tag += entry;
    tag += ";;";
    return true;
}

void OtherInfoList::resetColumns() {
    constexpr int CvarWidth = 2000;
    constexpr int ValueWidth = 2300;
    columns = {{"Cvar", CvarWidth}, {"Value", ValueWidth}};
    ++columnResets;
}

} // namespace fenlark
