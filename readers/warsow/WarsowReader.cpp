// Warsow demos: blocks of a 32-bit length and server messages, ended by a
// length of -1. Protocols 11 and 12 begin with the demo information (server
// time at the start, duration, length of the file); all begin with the
// server data, the configstrings as "cs" commands, the entity baselines,
// then one frame per block. A frame carries its own length, so its player
// states and entities are stepped over; the game commands at its head
// (scoreboard, chat, prints) are read.

#include "readers/warsow/WarsowReader.h"

#include "readers/ByteStream.h"
#include "readers/LengthPrefixedRecords.h"
#include "readers/warsow/WarsowGame.h"

#include <string>
#include <vector>

namespace fenlark::readers {

namespace {

using namespace warsow;

constexpr RecordFraming Framing{
    .length = RecordLength::Int32, .endMarker = -1, .maxLength = 0x40000};
// How many frames the window's reading waits for the first scoreboard,
// which tells the teams (five seconds at the usual twenty frames a second).
constexpr std::int64_t WindowFrames = 100;

// Message opcodes; -1 where a protocol has none this reader knows.
struct Opcodes {
    int nop;
    int serverCommand;
    int serverData;
    int spawnBaseline;
    int download;
    int clientAck;
    int serverCs;
    int frame;
    int demoInfo;
    int extension;
    int gameCommands; // inside a frame
};
constexpr Opcodes Protocol12Opcodes{1, 2, 3, 4, 5, 10, 11, 12, 13, 14, 8};
// Protocol 10 numbers the messages one higher from the server data on; the
// operations below the server data are not known, nor are its baselines.
constexpr Opcodes Protocol10Opcodes{1, -1, 4, 5, -1, 11, 12, 13, -1, -1, 9};

constexpr int ReliableServer = 1 << 1; // server data flag: commands carry no number
constexpr int MultiPov = 1 << 2;       // frame flag: commands name their receivers

enum class Outcome : std::uint8_t { Continue, Stop, SkipBlock };

class WarsowWalk {
public:
    WarsowWalk(ByteSource& source, ReadDepth depth) : stream_(source), depth_(depth) {}

    EngineReport run() {
        readBlocks();
        EngineReport report;
        if (protocol_ != 0) {
            game_.fillReport(report, depth_ == ReadDepth::WholeFile);
        }
        report.match.ended = ended_.facts();
        return report;
    }

private:
    void stop(std::string reason, std::string detail = {}) {
        ended_.stop(std::move(reason), std::move(detail), blocks_, blockStart_);
    }
    Outcome illegal(const std::string& detail) {
        stop("illegal data", detail);
        return Outcome::Stop;
    }
    Outcome unsupported(const std::string& detail) {
        stop("unsupported message", detail);
        return Outcome::Stop;
    }

    void readBlocks() {
        for (;;) {
            blockStart_ = stream_.position();
            if (auto end = ReadLengthPrefixedRecord(stream_, Framing, block_)) {
                ended_.stop(std::move(*end), blocks_);
                return;
            }
            if (readMessage() == Outcome::Stop) {
                return;
            }
            ++blocks_;
            if (depth_ == ReadDepth::Window && game_.frames() > 0 &&
                (game_.hasScoreboard() || game_.frames() >= WindowFrames)) {
                stop("window complete");
                ended_.setByteOffset(stream_.position());
                return;
            }
        }
    }

    Outcome readMessage() {
        SpanReader in(block_);
        while (!in.atEnd()) {
            const int opcode = in.u8();
            Outcome outcome = Outcome::Continue;
            if (protocol_ == 0) {
                outcome = readOpening(in, opcode);
            } else {
                outcome = readOperation(in, opcode);
            }
            if (outcome == Outcome::SkipBlock) {
                return Outcome::Continue;
            }
            if (outcome == Outcome::Stop) {
                return Outcome::Stop;
            }
            if (in.overrun()) {
                return illegal("message " + std::to_string(opcode) + " runs past its block");
            }
        }
        return Outcome::Continue;
    }

    // Before the server data: the demo information of protocols 11 and 12,
    // then the server data, whose protocol number picks the opcodes.
    Outcome readOpening(SpanReader& in, int opcode) {
        if (opcode == Protocol12Opcodes.demoInfo && !demoInfoSeen_) {
            demoInfoSeen_ = true;
            readDemoInfo(in);
            return Outcome::Continue;
        }
        if (opcode != Protocol12Opcodes.serverData && opcode != Protocol10Opcodes.serverData) {
            return illegal("the demo does not begin with server data");
        }
        const std::int32_t protocol = in.i32();
        if (protocol == 10 && opcode == Protocol10Opcodes.serverData) {
            opcodes_ = Protocol10Opcodes;
        } else if ((protocol == 11 || protocol == 12) && opcode == Protocol12Opcodes.serverData) {
            opcodes_ = Protocol12Opcodes;
        } else {
            stop("unknown variant", "protocol " + std::to_string(protocol));
            return Outcome::Stop;
        }
        return readServerData(in, protocol);
    }

    void readDemoInfo(SpanReader& in) {
        in.skip(4); // server time at the start
        const std::uint32_t duration = in.u32();
        in.skip(4); // file length at the end marker
        game_.demoInfo(duration);
    }

    Outcome readServerData(SpanReader& in, std::int32_t protocol) {
        in.skip(4); // server count
        const int frameMs = in.u16();
        if (protocol == 10) {
            in.skip(4); // a number only protocol 10 has; its meaning is not known
        }
        const std::string_view baseGame = in.cString();
        const std::string_view game = in.cString();
        const int playerNumber = in.i16();
        const std::string_view levelName = in.cString();
        serverFlags_ = in.u8();
        const int pureFiles = in.i16();
        for (int i = 0; i < pureFiles && !in.overrun(); ++i) {
            in.cString();
            in.skip(4); // checksum
        }
        if (in.overrun()) {
            return illegal("server data runs past its block");
        }
        protocol_ = protocol;
        game_.begin(protocol, baseGame, game, levelName, playerNumber, frameMs);
        return Outcome::Continue;
    }

    Outcome readOperation(SpanReader& in, int opcode) {
        const Opcodes& op = opcodes_;
        if (opcode == op.nop) {
            return Outcome::Continue;
        }
        if (opcode == op.serverCommand) {
            if ((serverFlags_ & ReliableServer) == 0) {
                // Numbered; a command sent again keeps its number.
                const std::int32_t number = in.i32();
                const std::string_view text = in.cString();
                if (number > lastCommand_) {
                    lastCommand_ = number;
                    game_.command(text);
                }
                return Outcome::Continue;
            }
            game_.command(in.cString());
            return Outcome::Continue;
        }
        if (opcode == op.serverCs) {
            game_.command(in.cString());
            return Outcome::Continue;
        }
        if (opcode == op.serverData) {
            const std::int32_t protocol = in.i32();
            if (protocol != protocol_) {
                return unsupported("protocol change to " + std::to_string(protocol));
            }
            return readServerData(in, protocol);
        }
        if (opcode == op.spawnBaseline) {
            if (protocol_ == 10) {
                // Its entity layout is not known. Baselines are the last thing
                // the opening messages hold, so the rest of the block goes.
                return Outcome::SkipBlock;
            }
            return skipBaseline(in);
        }
        if (opcode == op.download) {
            in.cString();
            in.skip(4); // offset
            const std::int32_t size = in.i32();
            if (size < 0) {
                return illegal("download size " + std::to_string(size));
            }
            in.skip(static_cast<std::size_t>(size));
            return Outcome::Continue;
        }
        if (opcode == op.clientAck) {
            in.skip(8); // acknowledged command and user command
            return Outcome::Continue;
        }
        if (opcode == op.frame) {
            return readFrame(in);
        }
        if (opcode == op.demoInfo) {
            readDemoInfo(in);
            return Outcome::Continue;
        }
        if (opcode == op.extension) {
            in.skip(2); // extension and version
            in.skip(in.u16());
            return Outcome::Continue;
        }
        return unsupported("opcode " + std::to_string(opcode));
    }

    Outcome readFrame(SpanReader& in) {
        const std::size_t length = in.u16();
        SpanReader frame(in.take(length));
        if (in.overrun()) {
            return illegal("frame runs past its block");
        }
        const std::uint32_t serverTime = frame.u32();
        const std::int32_t number = frame.i32();
        frame.skip(4 + 4); // delta frame, executed user command
        const std::uint8_t flags = frame.u8();
        frame.skip(1); // suppressed count
        if (frame.u8() != opcodes_.gameCommands) {
            return illegal("frame without game commands");
        }
        game_.beginFrame(serverTime);
        for (;;) {
            const std::int16_t age = frame.i16(); // frames since the command was first sent
            if (frame.overrun()) {
                return illegal("game commands run past their frame");
            }
            if (age == -1) {
                break;
            }
            const std::string_view text = frame.cString();
            if ((flags & MultiPov) != 0) {
                frame.skip(frame.u8()); // receivers
            }
            if (frame.overrun()) {
                return illegal("game commands run past their frame");
            }
            // Commands are repeated in later frames until they arrive; only
            // one sent after the previous frame is new.
            // 64-bit sums: frame numbers come straight from the file.
            if (!lastFrame_ || std::int64_t{number} > std::int64_t{*lastFrame_} + age) {
                game_.command(text);
            }
        }
        lastFrame_ = number;
        return Outcome::Continue;
    }

    // An entity baseline of protocols 11 and 12: header bits, number, fields.
    Outcome skipBaseline(SpanReader& in) {
        std::uint32_t bits = in.u8();
        if ((bits & 0x80) != 0) {
            bits |= std::uint32_t{in.u8()} << 8;
        }
        if ((bits & 0x8000) != 0) {
            bits |= std::uint32_t{in.u8()} << 16;
        }
        if ((bits & 0x800000) != 0) {
            bits |= std::uint32_t{in.u8()} << 24;
        }
        in.skip((bits & (1U << 8)) != 0 ? 2 : 1); // entity number
        const auto has = [&](int bit) { return (bits & (1U << bit)) != 0; };
        const auto sized = [&](int small, int large) {
            in.skip(has(small) && has(large) ? 4 : has(small) ? 1 : has(large) ? 2 : 0);
        };
        // The type's high bit marks a projectile moving in a line, whose
        // origin fields then hold its velocity: the sizes stay the same.
        in.skip(has(12) ? 1 : 0); // type
        std::int16_t solid = 0;
        if (has(21)) {
            solid = in.i16();
        }
        in.skip(has(11) ? 1 : 0); // model
        in.skip(has(19) ? 1 : 0); // second model
        in.skip(has(9) ? 1 : 0);  // frame (byte)
        in.skip(has(29) ? 2 : 0); // frame (short)
        sized(14, 24);            // skin
        sized(16, 27);            // effects
        for (const int origin : {0, 1, 2}) {
            in.skip(has(origin) ? 3 : 0); // origin, or velocity of a linear projectile
        }
        const std::size_t angleSize = solid == 31 ? 2 : 1; // brush models: precise angles
        for (const int angle : {3, 4, 25}) {
            in.skip(has(angle) ? angleSize : 0);
        }
        in.skip(has(13) ? 9 : 0); // second origin
        in.skip(has(18) ? 1 : 0); // sound
        for (const int event : {5, 22}) {
            if (has(event) && (in.u8() & 0x80) != 0) {
                in.skip(1); // its parameter
            }
        }
        in.skip(has(17) ? 1 : 0); // weapon
        in.skip(has(10) ? 2 : 0); // server flags
        in.skip(has(20) ? 4 : 0); // light, or a projectile's time stamp
        in.skip(has(30) ? 1 : 0); // team
        return Outcome::Continue;
    }

    ByteStream stream_;
    ReadDepth depth_;
    std::vector<std::uint8_t> block_;
    WarsowGame game_;
    Opcodes opcodes_ = Protocol12Opcodes;
    int protocol_ = 0;
    int serverFlags_ = 0;
    bool demoInfoSeen_ = false;
    std::int32_t lastCommand_ = -1;
    std::optional<std::int32_t> lastFrame_;
    std::uint64_t blocks_ = 0;
    std::uint64_t blockStart_ = 0;
    ReadingEnd ended_;
};

} // namespace

EngineReport ReadWarsowDemo(ByteSource& source, ReadDepth depth) {
    return WarsowWalk(source, depth).run();
}

} // namespace fenlark::readers
