#pragma once
// Numbers of the Quake II network protocol as its demos carry them: message
// opcodes, the bits that say which fields of an entity or player state
// follow, and the configstring layout. Protocol 34 is the original game; 35
// and 36 are the extended protocols of two later engines (R1Q2 and Q2PRO),
// and 3434 to 3436 mark demos of protocol 34 written with raised limits.

#include <cstdint>

namespace fenlark::readers::quake2 {

enum class Protocol : std::int32_t {
    Old = 26, // the oldest release whose demos still play: no suppress count in frames
    Original = 34,
    R1Q2 = 35,
    Q2Pro = 36,
    Mvd = 37,
    ExtendedMinimum = 3434,
    ExtendedLimits2 = 3435,
    ExtendedPlayerFog = 3436,
};

// Server-to-client opcodes (the low five bits of the opcode byte).
namespace svc {
inline constexpr int Bad = 0;
inline constexpr int MuzzleFlash = 1;
inline constexpr int MuzzleFlash2 = 2;
inline constexpr int TempEntity = 3;
inline constexpr int Layout = 4;
inline constexpr int Inventory = 5;
inline constexpr int Nop = 6;
inline constexpr int Disconnect = 7;
inline constexpr int Reconnect = 8;
inline constexpr int Sound = 9;
inline constexpr int Print = 10;
inline constexpr int StuffText = 11;
inline constexpr int ServerData = 12;
inline constexpr int ConfigString = 13;
inline constexpr int SpawnBaseline = 14;
inline constexpr int CenterPrint = 15;
inline constexpr int Download = 16;
inline constexpr int PlayerInfo = 17;
inline constexpr int PacketEntities = 18;
inline constexpr int DeltaPacketEntities = 19;
inline constexpr int Frame = 20;
// Protocols 35 and 36 only.
inline constexpr int ZPacket = 21;
inline constexpr int ZDownload = 22;
inline constexpr int GameState = 23; // protocol 36: configstrings and baselines in one stream
inline constexpr int Setting = 24;
inline constexpr int ConfigStringStream = 25; // protocol 36
inline constexpr int BaselineStream = 26;     // protocol 36
} // namespace svc

// Multi-view demo opcodes (low five bits; the high three carry extra bits).
namespace mvd {
inline constexpr int Bad = 0;
inline constexpr int Nop = 1;
inline constexpr int ServerData = 4;
inline constexpr int ConfigString = 5;
inline constexpr int Frame = 6;
inline constexpr int Unicast = 8;
inline constexpr int UnicastReliable = 9;
inline constexpr int MulticastAll = 10;
inline constexpr int MulticastPvsReliable = 15;
inline constexpr int Sound = 16;
inline constexpr int Print = 17;
} // namespace mvd

inline constexpr int OpcodeBits = 5;
inline constexpr int OpcodeMask = (1 << OpcodeBits) - 1;

// Print levels.
inline constexpr int PrintHigh = 2;
inline constexpr int PrintChat = 3;

// Player state stats of the base game.
inline constexpr int StatFrags = 14;
inline constexpr int StatChase = 16;

// Movement types of the player state.
inline constexpr int PmNormal = 0;
inline constexpr int PmSpectator = 1;
inline constexpr int PmDead = 2;
inline constexpr int PmGib = 3;
inline constexpr int PmFreeze = 4;

// The configstring layout: the original one, and the raised limits of the
// extended protocols (more models, sounds and images move the later groups).
struct ConfigStringLayout {
    int maxClients;
    int models;
    int playerSkins;
    int general;
    int end;
    int maxEdicts;
};
inline constexpr ConfigStringLayout OriginalLayout{30, 32, 1312, 1568, 2080, 1024};
inline constexpr ConfigStringLayout ExtendedLayout{60, 62, 12862, 13118, 13630, 8192};
inline constexpr int CsName = 0;

// Which optional encodings an entity state uses (they depend on the protocol
// and its minor version, never on earlier states).
struct EntityEncoding {
    bool longSolid = false;   // solid as 32 bits instead of 16
    bool shortAngles = false; // angles as 16 bits when the entity asks for it
    bool extensions = false;  // a fifth bits byte, 16-bit models and sounds, alpha, scale
    bool extensions2 = false; // variable-length coordinates
};

// Which optional encodings a player state uses.
struct PlayerEncoding {
    bool extensions = false;  // 16-bit gun model index
    bool extensions2 = false; // variable-length coordinates, 64 stats, blend flags
    bool moreBits = false;    // a third bits byte (fog)
};

} // namespace fenlark::readers::quake2
