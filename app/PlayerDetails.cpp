#include "app/PlayerDetails.h"

namespace fenlark {

std::optional<std::string> FindDetailsEntry(const std::string& detailsText, std::size_t index) {
    // Entry 0 is everything before the first ";;"; every later entry begins
    // right after the separator before it.
    std::size_t entryStart = 0;
    for (std::size_t k = 0;; ++k) {
        const std::size_t separator = detailsText.find(";;", entryStart);
        if (separator == std::string::npos) {
            return std::nullopt;
        }
        if (k == index) {
            return detailsText.substr(entryStart, separator - entryStart);
        }
        entryStart = separator + 2;
    }
}

std::string FormatPlayerDetails(const std::string& entry) {
    std::string result;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t keyStart = entry.find('\\', pos);
        if (keyStart == std::string::npos) {
            return result;
        }
        const std::size_t valueStart = entry.find('\\', keyStart + 1);
        if (valueStart == std::string::npos) {
            return result;
        }
        const std::size_t valueEnd = entry.find('\\', valueStart + 1);
        // A last value without its closing backslash runs to the end of the entry.
        const std::size_t valueLength =
            valueEnd == std::string::npos ? std::string::npos : valueEnd - valueStart - 1;
        result += entry.substr(keyStart + 1, valueStart - keyStart - 1);
        result += ": ";
        result += entry.substr(valueStart + 1, valueLength);
        result += "\r\n";
        pos = valueStart + 1;
    }
}

std::optional<std::string> PlayerDetailsText(const PlayerList& list, std::size_t index) {
    if (index >= list.items.size()) {
        return std::nullopt;
    }
    auto entry = FindDetailsEntry(list.tag, index);
    if (!entry) {
        return std::nullopt;
    }
    return "Player: " + list.items[index] + "\r\n" + FormatPlayerDetails(*entry);
}

void ShowPlayerDetails(Session& session, const PlayerList& list,
                       std::optional<std::size_t> selectedIndex) {
    if (!selectedIndex) {
        return;
    }
    if (auto text = PlayerDetailsText(list, *selectedIndex)) {
        session.showMessage(MessageIcon::Information, *text);
    }
}

} // namespace fenlark
