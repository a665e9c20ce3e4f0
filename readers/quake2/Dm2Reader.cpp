// Client demos of Quake II: blocks of a 32-bit length and the server
// messages the client received, ended by a length of -1. The first message
// is the server data; the configstrings and entity baselines follow, then one
// frame per block with the recorder's player state and the entities it saw.

#include "readers/LengthPrefixedRecords.h"
#include "readers/quake2/Quake2Deltas.h"
#include "readers/quake2/Quake2Effects.h"
#include "readers/quake2/Quake2Game.h"
#include "readers/quake2/Quake2Readers.h"
#include "readers/quake2/QuakeText.h"

#include <zlib.h>

#include <array>
#include <string>
#include <vector>

namespace fenlark::readers {

namespace {

using namespace quake2;

// No block of a real demo comes near this; a larger length is damage.
constexpr RecordFraming Framing{
    .length = RecordLength::Int32, .endMarker = -1, .maxLength = 0x40000};
// The largest message a compressed packet may unpack to.
constexpr std::size_t MaxUnpackedLength = 0x8000;
constexpr int BaseFrameMs = 100; // ten server frames a second

enum class Outcome : std::uint8_t { Continue, Stop };

class Dm2Walk {
public:
    Dm2Walk(ByteSource& source, ReadDepth depth) : stream_(source), depth_(depth) {}

    EngineReport run() {
        readBlocks();
        EngineReport report;
        if (protocol_ != 0) {
            report.protocol = protocolName();
            game_.fillReport(report);
        }
        if (game_.frames() > 0) {
            const std::int64_t first = std::int64_t{firstFrame_} * BaseFrameMs;
            report.match.durationMs = game_.time();
            report.match.firstServerTime = static_cast<std::int32_t>(first);
            report.match.lastServerTime = static_cast<std::int32_t>(first + game_.time());
            report.otherInfo.emplace_back("Frames", std::to_string(game_.frames()));
        }
        report.match.ended = ended_.facts();
        return report;
    }

private:
    void stop(std::string reason, std::string detail = {}) {
        ended_.stop(std::move(reason), std::move(detail), blocks_, blockStart_);
    }

    void readBlocks() {
        for (;;) {
            blockStart_ = stream_.position();
            if (auto end = ReadLengthPrefixedRecord(stream_, Framing, block_)) {
                ended_.stop(std::move(*end), blocks_);
                return;
            }
            if (readMessage(block_, false) == Outcome::Stop) {
                return;
            }
            ++blocks_;
        }
    }

    Outcome illegal(const std::string& detail) {
        stop("illegal data", detail);
        return Outcome::Stop;
    }
    Outcome unsupported(const std::string& detail) {
        stop("unsupported message", detail);
        return Outcome::Stop;
    }

    // Reads the server messages of one block (or of an unpacked packet).
    Outcome readMessage(std::span<const std::uint8_t> bytes, bool unpacked) {
        SpanReader in(bytes);
        while (!in.atEnd()) {
            const std::uint8_t opcodeByte = in.u8();
            const int opcode = opcodeByte & OpcodeMask;
            const int extraBits = opcodeByte >> OpcodeBits;
            if (extraBits != 0 && (protocol_ < 35 || opcode != svc::Frame)) {
                return illegal("opcode byte " + std::to_string(opcodeByte));
            }
            if (protocol_ == 0 && opcode != svc::ServerData) {
                return illegal("the demo does not begin with server data");
            }
            const Outcome outcome = readOperation(in, opcode, extraBits, unpacked);
            if (outcome == Outcome::Stop) {
                return Outcome::Stop;
            }
            if (in.overrun()) {
                return illegal("message " + std::to_string(opcode) + " runs past its block");
            }
        }
        return Outcome::Continue;
    }

    Outcome readOperation(SpanReader& in, int opcode, int extraBits, bool unpacked) {
        switch (opcode) {
        case svc::MuzzleFlash:
        case svc::MuzzleFlash2:
            SkipMuzzleFlash(in);
            return Outcome::Continue;
        case svc::TempEntity:
            if (!SkipTempEntity(in, effects_)) {
                return unsupported("temporary entity of unknown type");
            }
            return Outcome::Continue;
        case svc::Layout:
            game_.layoutText(in.cString());
            return Outcome::Continue;
        case svc::StuffText:
        case svc::CenterPrint:
            in.cString();
            return Outcome::Continue;
        case svc::Inventory:
            in.skip(2 * 256);
            return Outcome::Continue;
        case svc::Nop:
            return Outcome::Continue;
        case svc::Disconnect:
        case svc::Reconnect:
            stop("end marker", "the server ended the connection");
            return Outcome::Stop;
        case svc::Sound:
            SkipSound(in, effects_);
            return Outcome::Continue;
        case svc::Print: {
            const int level = in.u8();
            game_.print(level, in.cString());
            return Outcome::Continue;
        }
        case svc::ServerData:
            return readServerData(in);
        case svc::ConfigString: {
            const int index = in.u16();
            return configString(index, in.cString());
        }
        case svc::SpawnBaseline:
            return readBaseline(in);
        case svc::Download:
        case svc::ZDownload:
            if (opcode == svc::ZDownload && protocol_ < 35) {
                return illegal("compressed download in protocol " + std::to_string(protocol_));
            }
            return readDownload(in, opcode == svc::ZDownload);
        case svc::Frame:
            return readFrame(in, extraBits);
        case svc::ZPacket:
            if (protocol_ < 35 || unpacked) {
                return illegal("compressed packet out of place");
            }
            return readCompressed(in);
        case svc::Setting:
            if (protocol_ < 35) {
                return illegal("setting in protocol " + std::to_string(protocol_));
            }
            return readSetting(in);
        case svc::GameState:
        case svc::ConfigStringStream:
        case svc::BaselineStream:
            if (protocol_ != static_cast<int>(Protocol::Q2Pro)) {
                return illegal("game state stream outside protocol 36");
            }
            return readGameState(in, opcode);
        default:
            return illegal("opcode " + std::to_string(opcode));
        }
    }

    Outcome readServerData(SpanReader& in) {
        const std::int32_t protocol = in.i32();
        in.skip(4 + 1); // server count, attract loop
        const std::string_view gameDirectory = in.cString();
        const int client = in.i16();
        const std::string_view levelName = in.cString();
        if (in.overrun()) {
            return illegal("server data runs past its block");
        }

        entities_ = {};
        players_ = {};
        effects_ = {};
        minorVersion_ = 0;
        ConfigStringLayout layout = OriginalLayout;
        if (protocol >= static_cast<int>(Protocol::Old) &&
            protocol <= static_cast<int>(Protocol::Original)) {
            // The original protocol.
        } else if (protocol >= static_cast<int>(Protocol::ExtendedMinimum) &&
                   protocol <= static_cast<int>(Protocol::ExtendedPlayerFog)) {
            // Protocol 34 with raised limits, as a later engine writes it.
            layout = ExtendedLayout;
            entities_ = {true, true, true, false};
            players_.extensions = true;
            if (protocol >= static_cast<int>(Protocol::ExtendedLimits2)) {
                entities_.extensions2 = true;
                players_.extensions2 = true;
            }
            players_.moreBits = protocol >= static_cast<int>(Protocol::ExtendedPlayerFog);
        } else if (protocol == static_cast<int>(Protocol::R1Q2)) {
            if (in.u8() != 0) {
                return unsupported("enhanced protocol 35 server");
            }
            minorVersion_ = in.u16();
            in.skip(2); // advanced deltas (unused), strafe jump hack
            entities_.longSolid = minorVersion_ >= 1905;
        } else if (protocol == static_cast<int>(Protocol::Q2Pro)) {
            minorVersion_ = in.u16();
            if (minorVersion_ < 1015 || minorVersion_ > 1026) {
                return unsupported("protocol 36 version " + std::to_string(minorVersion_));
            }
            in.skip(1); // server state
            entities_.longSolid = true;
            entities_.shortAngles = minorVersion_ >= 1018;
            if (minorVersion_ >= 1024) {
                const std::uint16_t flags = in.u16();
                if ((flags & 0x08) != 0) {
                    layout = ExtendedLayout;
                    entities_.extensions = true;
                    entities_.shortAngles = true;
                    players_.extensions = true;
                    if (minorVersion_ >= 1025 && (flags & 0x10) != 0) {
                        entities_.extensions2 = true;
                        players_.extensions2 = true;
                        players_.moreBits = minorVersion_ >= 1026;
                    }
                }
            } else {
                in.skip(3); // strafe jump, QW mode and water jump hacks
            }
        } else {
            return unsupported("protocol " + std::to_string(protocol));
        }
        if (in.overrun()) {
            return illegal("server data runs past its block");
        }
        protocol_ = protocol;
        effects_.extendedLimits = layout.end == ExtendedLayout.end;
        effects_.variablePositions = entities_.extensions2;
        layout_ = layout;
        frameMs_ = BaseFrameMs;
        history_ = {};
        game_.beginLevel(gameDirectory, levelName, client, layout);
        return Outcome::Continue;
    }

    Outcome configString(int index, std::string_view value) {
        if (index < 0 || index >= layout_.end) {
            return illegal("configstring index " + std::to_string(index));
        }
        game_.configString(index, value);
        return Outcome::Continue;
    }

    Outcome readBaseline(SpanReader& in) {
        std::uint64_t bits = 0;
        const int number = ReadEntityHeader(in, bits, entities_);
        if (number < 1 || number >= layout_.maxEdicts) {
            return illegal("baseline of entity " + std::to_string(number));
        }
        SkipEntityFields(in, bits, entities_);
        return Outcome::Continue;
    }

    Outcome readDownload(SpanReader& in, bool compressed) {
        const int size = in.i16();
        in.skip(1); // percent
        if (size == -1) {
            return Outcome::Continue;
        }
        if (compressed && protocol_ == static_cast<int>(Protocol::R1Q2)) {
            in.skip(2); // unpacked size
        }
        if (size < 0) {
            return illegal("download size " + std::to_string(size));
        }
        in.skip(static_cast<std::size_t>(size));
        return Outcome::Continue;
    }

    Outcome readSetting(SpanReader& in) {
        const std::int32_t index = in.i32();
        const std::int32_t value = in.i32();
        // Setting 1 is the server's frame rate, a multiple of ten.
        if (index == 1 && value >= 10 && value <= 1000 && value % 10 == 0) {
            frameMs_ = 1000.0 / value;
        }
        return Outcome::Continue;
    }

    Outcome readGameState(SpanReader& in, int opcode) {
        if (opcode != svc::BaselineStream) {
            for (;;) {
                const int index = in.u16();
                if (in.overrun()) {
                    return illegal("configstring stream runs past its block");
                }
                if (index == layout_.end) {
                    break;
                }
                if (configString(index, in.cString()) == Outcome::Stop) {
                    return Outcome::Stop;
                }
            }
        }
        if (opcode != svc::ConfigStringStream) {
            for (;;) {
                std::uint64_t bits = 0;
                const int number = ReadEntityHeader(in, bits, entities_);
                if (in.overrun()) {
                    return illegal("baseline stream runs past its block");
                }
                if (number == 0) {
                    break;
                }
                if (number >= layout_.maxEdicts) {
                    return illegal("baseline of entity " + std::to_string(number));
                }
                SkipEntityFields(in, bits, entities_);
            }
        }
        return Outcome::Continue;
    }

    Outcome readCompressed(SpanReader& in) {
        const std::size_t packedLength = in.u16();
        const std::size_t unpackedLength = in.u16();
        const auto packed = in.take(packedLength);
        if (in.overrun() || unpackedLength > MaxUnpackedLength) {
            return illegal("compressed packet of " + std::to_string(packedLength) + " bytes");
        }
        std::vector<std::uint8_t> unpacked(unpackedLength);
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
            return unsupported("compressed packet (no decompressor)");
        }
        z.next_in = const_cast<Bytef*>(packed.data());
        z.avail_in = static_cast<uInt>(packed.size());
        z.next_out = unpacked.data();
        z.avail_out = static_cast<uInt>(unpacked.size());
        const int result = inflate(&z, Z_FINISH);
        const std::size_t produced = unpacked.size() - z.avail_out;
        inflateEnd(&z);
        if (result != Z_STREAM_END) {
            return illegal("compressed packet does not unpack");
        }
        return readMessage(std::span<const std::uint8_t>(unpacked.data(), produced), true);
    }

    Outcome readFrame(SpanReader& in, int extraBits) {
        if (depth_ == ReadDepth::Window) {
            // The configstrings all come before the first frame.
            stop("window complete");
            return Outcome::Stop;
        }
        std::int32_t frame = 0;
        std::int32_t deltaFrame = 0;
        std::uint32_t extraFlags = 0;
        const bool enhanced = protocol_ == static_cast<int>(Protocol::R1Q2) ||
                              protocol_ == static_cast<int>(Protocol::Q2Pro);
        if (enhanced) {
            const std::uint32_t bits = in.u32();
            frame = static_cast<std::int32_t>(bits & 0x7FFFFFF);
            const std::uint32_t delta = bits >> 27;
            deltaFrame = delta == 31 ? -1 : frame - static_cast<std::int32_t>(delta);
            const std::uint8_t suppressAndFlags = in.u8();
            extraFlags = static_cast<std::uint32_t>(extraBits << 4) | (suppressAndFlags >> 4U);
        } else {
            frame = in.i32();
            deltaFrame = in.i32();
            if (protocol_ != static_cast<int>(Protocol::Old)) {
                in.skip(1); // suppress count
            }
        }
        if (frame < 0) {
            return illegal("frame number " + std::to_string(frame));
        }
        in.skip(in.u8()); // area bits

        if (!enhanced && in.u8() != svc::PlayerInfo) {
            return illegal("frame without player state");
        }
        PlayerState state = deltaSource(deltaFrame);
        std::uint32_t bits = in.u16();
        if (players_.moreBits && (bits & 0x8000) != 0) {
            bits |= std::uint32_t{in.u8()} << 16;
        }
        if (enhanced) {
            ReadPlayerStateEnhanced(in, bits, extraFlags, state, players_);
            if (protocol_ == static_cast<int>(Protocol::Q2Pro) && (extraFlags & 0x40) != 0) {
                in.skip(minorVersion_ < 1022 ? 1 : 2); // the viewed client's number
            }
        } else {
            ReadPlayerStateOriginal(in, bits, state, players_);
        }
        if (!enhanced && in.u8() != svc::PacketEntities) {
            return illegal("frame without entities");
        }
        for (;;) {
            std::uint64_t entityBits = 0;
            const int number = ReadEntityHeader(in, entityBits, entities_);
            if (in.overrun()) {
                return illegal("entities run past their block");
            }
            if (number == 0) {
                break;
            }
            if (number >= layout_.maxEdicts) {
                return illegal("entity number " + std::to_string(number));
            }
            if ((entityBits & (1U << 6)) == 0) { // a removed entity has no fields
                SkipEntityFields(in, entityBits, entities_);
            }
        }
        if (in.overrun()) {
            return illegal("frame runs past its block");
        }

        history_[static_cast<std::size_t>(frame) % history_.size()] = {frame, state};
        lastState_ = state;
        if (game_.frames() == 0) {
            firstFrame_ = frame;
            lastFrame_ = frame;
            elapsedMs_ = 0;
        } else if (frame > lastFrame_) {
            elapsedMs_ += (frame - lastFrame_) * frameMs_;
            lastFrame_ = frame;
        }
        game_.beginFrame(static_cast<std::int64_t>(elapsedMs_ + 0.5));
        game_.recorderState(state);
        return Outcome::Continue;
    }

    // The player state a frame's delta starts from: the frame it names when
    // still held, else the latest one (a demo's first frame and frames after
    // a gap name frames the file never had).
    PlayerState deltaSource(std::int32_t deltaFrame) const {
        if (deltaFrame <= 0) {
            return {};
        }
        const auto& held = history_[static_cast<std::size_t>(deltaFrame) % history_.size()];
        return held.frame == deltaFrame ? held.state : lastState_;
    }

    std::string protocolName() const {
        std::string name = std::to_string(protocol_);
        if (minorVersion_ != 0) {
            name += '.' + std::to_string(minorVersion_);
        }
        return name;
    }

    struct HeldState {
        std::int32_t frame = -1;
        PlayerState state;
    };

    ByteStream stream_;
    ReadDepth depth_;
    std::vector<std::uint8_t> block_;
    Quake2Game game_{Quake2Game::View::Single};
    int protocol_ = 0;
    int minorVersion_ = 0;
    ConfigStringLayout layout_ = OriginalLayout;
    EntityEncoding entities_;
    PlayerEncoding players_;
    EffectEncoding effects_;
    double frameMs_ = BaseFrameMs;
    std::array<HeldState, 16> history_{};
    PlayerState lastState_;
    std::int32_t firstFrame_ = 0;
    std::int32_t lastFrame_ = 0;
    double elapsedMs_ = 0;
    std::uint64_t blocks_ = 0;
    std::uint64_t blockStart_ = 0;
    ReadingEnd ended_;
};

} // namespace

EngineReport ReadQuake2Demo(ByteSource& source, ReadDepth depth) {
    return Dm2Walk(source, depth).run();
}

} // namespace fenlark::readers
