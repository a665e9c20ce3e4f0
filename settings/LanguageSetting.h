#pragma once
// The per-user settings store of the tool, read only: application "Kalvenor 2",
// group "Settings", key "Language_L1". On Linux QSettings keeps it in
// $XDG_CONFIG_HOME/Kalvenor/Kalvenor 2.conf (by default ~/.config/...).

#include <optional>
#include <string>

namespace fenlark {

inline constexpr const char* SettingsOrganization = "Kalvenor";
inline constexpr const char* SettingsApplication = "Kalvenor 2";

// The text of "Language_L1", or std::nullopt when the store has no such value.
std::optional<std::string> ReadLanguageSetting();

} // namespace fenlark
