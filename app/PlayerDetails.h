#pragma once
// The details box shown on a double-click in a player list.

#include "core/Session.h"

#include <optional>
#include <string>

namespace fenlark {

// Entry `index` of a details text (entries end with ";;"); std::nullopt when
// the text holds fewer entries.
std::optional<std::string> FindDetailsEntry(const std::string& detailsText, std::size_t index);

// One "Key: Value" line (ending CR LF) per pair of a "\key\value\...\" entry.
std::string FormatPlayerDetails(const std::string& entry);

// The full text of the details box for item `index` of a list, or
// std::nullopt when the box shows nothing.
std::optional<std::string> PlayerDetailsText(const PlayerList& list, std::size_t index);

// The double-click: shows the details box of the selected item, if any.
void ShowPlayerDetails(Session& session, const PlayerList& list,
                       std::optional<std::size_t> selectedIndex);

} // namespace fenlark
