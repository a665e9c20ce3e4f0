#pragma once
// Numbers of the QuakeWorld protocol (28) and of the extensions that change
// its message layouts: FTE ("FTEX", "FTE2") and MVDSV ("MVD1"), announced in
// svc_serverdata before the protocol number.

#include <cstdint>

namespace fenlark::readers::quakeworld {

enum class QwDemoKind : std::uint8_t { Mvd, Qwd };

constexpr std::int32_t QwProtocolVersion = 28;
// Older releases that players still have demos of; their differences are in
// svc_serverdata, the precache lists and the user command.
constexpr std::int32_t QwOldestProtocol = 24;

constexpr std::uint32_t TagFte = 0x58455446;  // "FTEX"
constexpr std::uint32_t TagFte2 = 0x32455446; // "FTE2"
constexpr std::uint32_t TagMvd1 = 0x3144564d; // "MVD1"

// FTEX bits that matter for sizing messages.
constexpr std::uint32_t FteTrans = 0x00000008;
constexpr std::uint32_t FteModelDouble = 0x00001000;
constexpr std::uint32_t FteEntityDouble = 0x00002000;
constexpr std::uint32_t FteEntityDouble2 = 0x00004000;
constexpr std::uint32_t FteFloatCoords = 0x00008000;
constexpr std::uint32_t FteColourMod = 0x00080000;
constexpr std::uint32_t FteSpawnStatic2 = 0x00400000;
constexpr std::uint32_t FteChunkedDownloads = 0x20000000;

// MVD1 bits.
constexpr std::uint32_t MvdFloatCoords = 1u << 0;     // entity origins as floats
constexpr std::uint32_t MvdHighLagTeleport = 1u << 1; // svc_setangle carries a byte first
constexpr std::uint32_t MvdHiddenMessages = 1u << 5;  // dem_multiple(0) holds hidden blocks

// Server to client messages.
enum Svc : std::uint8_t {
    SvcNop = 1,
    SvcDisconnect = 2,
    SvcUpdateStat = 3,
    SvcNqTime = 7,
    SvcSound = 6,
    SvcPrint = 8,
    SvcStuffText = 9,
    SvcSetAngle = 10,
    SvcServerData = 11,
    SvcLightStyle = 12,
    SvcUpdateFrags = 14,
    SvcStopSound = 16,
    SvcDamage = 19,
    SvcSpawnStatic = 20,
    SvcFteSpawnStatic2 = 21,
    SvcSpawnBaseline = 22,
    SvcTempEntity = 23,
    SvcSetPause = 24,
    SvcCenterPrint = 26,
    SvcKilledMonster = 27,
    SvcFoundSecret = 28,
    SvcSpawnStaticSound = 29,
    SvcIntermission = 30,
    SvcFinale = 31,
    SvcCdTrack = 32,
    SvcSellScreen = 33,
    SvcSmallKick = 34,
    SvcBigKick = 35,
    SvcUpdatePing = 36,
    SvcUpdateEnterTime = 37,
    SvcUpdateStatLong = 38,
    SvcMuzzleFlash = 39,
    SvcUpdateUserInfo = 40,
    SvcDownload = 41,
    SvcPlayerInfo = 42,
    SvcNails = 43,
    SvcChokeCount = 44,
    SvcModelList = 45,
    SvcSoundList = 46,
    SvcPacketEntities = 47,
    SvcDeltaPacketEntities = 48,
    SvcMaxSpeed = 49,
    SvcEntGravity = 50,
    SvcSetInfo = 51,
    SvcServerInfo = 52,
    SvcUpdatePl = 53,
    SvcNails2 = 54,
    SvcFteModelListShort = 60,
    SvcFteSpawnBaseline2 = 66,
    SvcQizmoVoice = 83,
    SvcFteVoiceChat = 84,
};

// svc_print levels.
constexpr std::uint8_t PrintLow = 0;
constexpr std::uint8_t PrintMedium = 1; // obituaries
constexpr std::uint8_t PrintHigh = 2;
constexpr std::uint8_t PrintChat = 3;

// MVD record types (low 3 bits of the command byte).
enum MvdRecord : std::uint8_t {
    DemCmd = 0,
    DemRead = 1,
    DemSet = 2,
    DemMultiple = 3,
    DemSingle = 4,
    DemStats = 5,
    DemAll = 6,
};

} // namespace fenlark::readers::quakeworld
