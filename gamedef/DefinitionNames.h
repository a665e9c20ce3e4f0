#pragma once
// The names a game-definition file uses: its extension, its sections and
// their keys.

#include <cstdint>

namespace fenlark::definition {

inline constexpr const char* FileExtension = ".kgd";

// [Kalvenor Game]: the game, its demo extensions ("dm_66;;dm_67;;"), a
// version text per extension ("dm_68=1.32") and an optional identification
// probe per extension ("dm_68-id=psd::...").
inline constexpr const char* GameSection = "Kalvenor Game";
inline constexpr const char* GameName = "Game Name";
inline constexpr const char* DemoExtensions = "Demo Extensions";
inline constexpr const char* ExtensionSeparator = ";;";
inline constexpr const char* ProbeKeySuffix = "-id";

// [Fenlark - <extension>]: how the demos of one extension are read.
inline constexpr const char* InformationSectionPrefix = "Fenlark - ";
inline constexpr const char* InformationTypeKey = "Fenlark Type";

// Keys of the information section of a definition-driven demo (type 1).
inline constexpr const char* Map = "Map";
inline constexpr const char* Mod = "Mod";
inline constexpr const char* ServerName = "Server Name";
inline constexpr const char* DemoProtocol = "Demo Protocol";
inline constexpr const char* InfoCount = "Info Count";
inline constexpr const char* InfoPrefix = "Info "; // "Info <n>", "Info <n> Name"
inline constexpr const char* NameSuffix = " Name"; // of "Info <n>" and "Player Info <n>"
inline constexpr const char* Player = "Player";
inline constexpr const char* Team = "Team";
inline constexpr const char* PlayerFilter = "PlayerFilter";
inline constexpr const char* ColourCodeFilter = "q3a"; // the one filter there is
inline constexpr const char* PlayerInfoCount = "Player Info Count";
inline constexpr const char* PlayerInfoPrefix = "Player Info "; // "Player Info <m>" (+ " Name")
// A built-in reader that runs after the extraction and adds what it knows
// ("Reader=quakeworld-mvd"); the names are those of the reader registry.
inline constexpr const char* Reader = "Reader";

// Keys of the information section of a Quake III protocol demo (type 2): the
// server value shown in each field, with the value used when the key is absent.
inline constexpr const char* GameVersion = "Game Version";
inline constexpr const char* Servername = "Servername";
inline constexpr const char* MapCvar = "map";
inline constexpr const char* ModCvar = "mod";

// "Fenlark Type": how a demo's information is read.
enum class InformationType : std::int16_t {
    DefinitionDriven = 1,   // probe expressions over the raw file
    QuakeThreeProtocol = 2, // the message walk of the demo reader library
};

} // namespace fenlark::definition
