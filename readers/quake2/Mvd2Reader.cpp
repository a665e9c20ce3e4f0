// Multi-view demos of the Q2PRO server: "MVD2", then messages of a 16-bit
// length, ended by a length of 0. The first message holds the server data,
// every configstring and a baseline frame; each later one holds what the
// server sent in one frame (at ten frames a second): reliable commands, the
// frame with every playing client's state and all entities, and the
// unreliable sounds and effects. One client, the "dummy", is the observer
// the demo was recorded for.

#include "readers/LengthPrefixedRecords.h"
#include "readers/quake2/Quake2Deltas.h"
#include "readers/quake2/Quake2Game.h"
#include "readers/quake2/Quake2Readers.h"

#include <array>
#include <string>
#include <vector>

namespace fenlark::readers {

namespace {

using namespace quake2;

constexpr std::int64_t FrameMs = 100;
constexpr int NoClient = 255; // ends the player list of a frame
constexpr std::array<std::uint8_t, 4> Magic = {'M', 'V', 'D', '2'};
// Messages of a 16-bit length; a length of 0 ends the demo.
constexpr RecordFraming Framing{
    .length = RecordLength::UInt16, .endMarker = 0, .maxLength = 0xFFFF};

enum class Outcome : std::uint8_t { Continue, Stop };

class Mvd2Walk {
public:
    Mvd2Walk(ByteSource& source, ReadDepth depth) : stream_(source), depth_(depth) {}

    EngineReport run() {
        readMessages();
        EngineReport report;
        if (version_ != 0) {
            report.protocol = "37." + std::to_string(version_);
            game_.fillReport(report);
        }
        if (frames_ > 0) {
            report.match.durationMs = frames_ * FrameMs;
            report.match.firstServerTime = 0;
            report.match.lastServerTime = static_cast<std::int32_t>(frames_ * FrameMs);
            report.otherInfo.emplace_back("Frames", std::to_string(frames_));
        }
        report.match.ended = ended_.facts();
        return report;
    }

private:
    struct Client {
        PlayerState state;
        bool inUse = false;
    };

    void stop(std::string reason, std::string detail = {}) {
        ended_.stop(std::move(reason), std::move(detail), messages_, messageStart_);
    }
    Outcome illegal(const std::string& detail) {
        stop("illegal data", detail);
        return Outcome::Stop;
    }
    Outcome unsupported(const std::string& detail) {
        stop("unsupported message", detail);
        return Outcome::Stop;
    }

    void readMessages() {
        std::array<std::uint8_t, 4> magic{};
        if (!stream_.read(magic) || magic != Magic) {
            stop("unknown variant", "no MVD2 magic");
            return;
        }
        for (;;) {
            messageStart_ = stream_.position();
            if (auto end = ReadLengthPrefixedRecord(stream_, Framing, message_)) {
                ended_.stop(std::move(*end), messages_);
                return;
            }
            if (readMessage() == Outcome::Stop) {
                return;
            }
            ++messages_;
            if (depth_ == ReadDepth::Window && version_ != 0) {
                // The first message holds all configstrings and who is playing.
                stop("window complete");
                ended_.setByteOffset(stream_.position());
                return;
            }
        }
    }

    Outcome readMessage() {
        SpanReader in(message_);
        printedThisMessage_.clear();
        while (!in.atEnd()) {
            const std::uint8_t opcodeByte = in.u8();
            const int opcode = opcodeByte & OpcodeMask;
            const int extraBits = opcodeByte >> OpcodeBits;
            if (version_ == 0 && opcode != mvd::ServerData) {
                return illegal("the demo does not begin with server data");
            }
            if (readOperation(in, opcode, extraBits) == Outcome::Stop) {
                return Outcome::Stop;
            }
            if (in.overrun()) {
                return illegal("message " + std::to_string(opcode) + " runs past its block");
            }
        }
        return Outcome::Continue;
    }

    Outcome readOperation(SpanReader& in, int opcode, int extraBits) {
        switch (opcode) {
        case mvd::Nop:
            return Outcome::Continue;
        case mvd::ServerData:
            return readServerData(in, extraBits);
        case mvd::ConfigString: {
            const int index = in.u16();
            if (index >= layout_.end) {
                return illegal("configstring index " + std::to_string(index));
            }
            game_.configString(index, in.cString());
            return Outcome::Continue;
        }
        case mvd::Frame:
            ++frames_;
            game_.beginFrame(frames_ * FrameMs);
            return readFrame(in);
        case mvd::Unicast:
        case mvd::UnicastReliable:
            return readUnicast(in, extraBits);
        case mvd::Sound:
            readSound(in);
            return Outcome::Continue;
        case mvd::Print: {
            const int level = in.u8();
            game_.print(level, in.cString());
            return Outcome::Continue;
        }
        default:
            if (opcode >= mvd::MulticastAll && opcode <= mvd::MulticastPvsReliable) {
                // Effects for everyone or for those near a point: skipped whole.
                const std::size_t length = in.u8() | (static_cast<std::size_t>(extraBits) << 8);
                const bool everyone =
                    opcode == mvd::MulticastAll || opcode == mvd::MulticastAll + 3;
                in.skip(everyone ? 0 : 2); // the leaf the effect is sent from
                in.skip(length);
                return Outcome::Continue;
            }
            return illegal("opcode " + std::to_string(opcode));
        }
    }

    Outcome readServerData(SpanReader& in, int extraBits) {
        const std::int32_t protocol = in.i32();
        const int version = in.u16();
        if (in.overrun()) {
            return illegal("server data runs past its block");
        }
        if (protocol != static_cast<int>(Protocol::Mvd) || version < 2009 || version > 2013) {
            return unsupported("protocol " + std::to_string(protocol) + " version " +
                               std::to_string(version));
        }
        const int flags = version >= 2012 ? in.u16() : extraBits;
        in.skip(4); // server count
        const std::string_view gameDirectory = in.cString();
        dummy_ = in.i16();

        entities_ = {};
        players_ = {};
        layout_ = OriginalLayout;
        if (version >= 2011 && (flags & 0x04) != 0) {
            layout_ = ExtendedLayout;
            entities_ = {true, true, true, false};
            players_.extensions = true;
            if (version >= 2012 && (flags & 0x08) != 0) {
                entities_.extensions2 = true;
                players_.extensions2 = true;
                players_.moreBits = version >= 2013;
            }
        }
        version_ = version;
        clients_ = {};
        inUseChanged_ = true;
        game_.beginLevel(gameDirectory, {}, dummy_, layout_);

        for (;;) {
            const int index = in.u16();
            if (in.overrun()) {
                return illegal("configstrings run past their block");
            }
            if (index == layout_.end) {
                break;
            }
            if (index > layout_.end) {
                return illegal("configstring index " + std::to_string(index));
            }
            game_.configString(index, in.cString());
        }
        game_.beginFrame(0);
        return readFrame(in);
    }

    Outcome readFrame(SpanReader& in) {
        in.skip(in.u8()); // portal bits
        for (;;) {
            const int number = in.u8();
            if (in.overrun()) {
                return illegal("players run past their block");
            }
            if (number == NoClient) {
                break;
            }
            Client& client = clients_[static_cast<std::size_t>(number)];
            std::uint32_t bits = in.u16();
            bool removed = false;
            if ((bits & 0x8000) != 0) {
                if (players_.moreBits) {
                    bits |= std::uint32_t{in.u8()} << 16;
                } else {
                    removed = true; // older demos use this bit for a removal
                }
            }
            removed = removed || (bits & 0x10000) != 0;
            ReadPlayerStatePacket(in, bits, client.state, players_);
            if (client.inUse == removed) {
                client.inUse = !removed;
                inUseChanged_ = true;
            }
        }
        for (;;) {
            std::uint64_t bits = 0;
            const int number = ReadEntityHeader(in, bits, entities_);
            if (in.overrun()) {
                return illegal("entities run past their block");
            }
            if (number == 0) {
                break;
            }
            if (number >= layout_.maxEdicts) {
                return illegal("entity number " + std::to_string(number));
            }
            SkipEntityFields(in, bits, entities_);
        }
        if (in.overrun()) {
            return illegal("frame runs past its block");
        }
        if (inUseChanged_) {
            inUse_.clear();
            for (std::size_t number = 0; number < clients_.size(); ++number) {
                if (clients_[number].inUse && static_cast<int>(number) != dummy_) {
                    inUse_.push_back(static_cast<int>(number));
                }
            }
            inUseChanged_ = false;
        }
        for (const int number : inUse_) {
            game_.playing(number, clients_[static_cast<std::size_t>(number)].state);
        }
        return Outcome::Continue;
    }

    // Messages for one client. Only its prints matter here: the observer's
    // carry every chat line once; without an observer each line reaches
    // every client, so repeats within a message are dropped.
    Outcome readUnicast(SpanReader& in, int extraBits) {
        const std::size_t length = in.u8() | (static_cast<std::size_t>(extraBits) << 8);
        const int client = in.u8();
        const auto payload = in.take(length);
        if (in.overrun()) {
            return illegal("unicast runs past its block");
        }
        SpanReader inner(payload);
        while (!inner.atEnd()) {
            const int command = inner.u8();
            if (command == svc::Layout) {
                const std::string_view text = inner.cString();
                if (client == dummy_ && !inner.overrun()) {
                    game_.layoutText(text); // the observer is shown the scoreboard
                }
            } else if (command == svc::StuffText) {
                inner.cString();
            } else if (command == svc::ConfigString) {
                inner.skip(2);
                inner.cString();
            } else if (command == svc::Print) {
                const int level = inner.u8();
                const std::string_view text = inner.cString();
                if (!inner.overrun()) {
                    unicastPrint(client, level, text);
                }
            } else {
                break; // anything else goes to the client unread
            }
        }
        return Outcome::Continue;
    }

    void unicastPrint(int client, int level, std::string_view text) {
        if (dummy_ >= 0) {
            if (client == dummy_) {
                game_.print(level, text);
            }
            return;
        }
        if (level != PrintChat) {
            return;
        }
        for (const std::string& seen : printedThisMessage_) {
            if (seen == text) {
                return;
            }
        }
        printedThisMessage_.emplace_back(text);
        game_.print(level, text);
    }

    void readSound(SpanReader& in) {
        const std::uint8_t flags = in.u8();
        const bool wideIndex = entities_.extensions && (flags & 0x20) != 0;
        in.skip(wideIndex ? 2 : 1);
        in.skip((flags & 0x01) != 0 ? 1 : 0); // volume
        in.skip((flags & 0x02) != 0 ? 1 : 0); // attenuation
        in.skip((flags & 0x10) != 0 ? 1 : 0); // time offset
        in.skip(2);                           // entity and channel
    }

    ByteStream stream_;
    ReadDepth depth_;
    std::vector<std::uint8_t> message_;
    Quake2Game game_{Quake2Game::View::Multi};
    int version_ = 0;
    int dummy_ = -1;
    ConfigStringLayout layout_ = OriginalLayout;
    EntityEncoding entities_;
    PlayerEncoding players_;
    std::array<Client, MaxClients> clients_{};
    std::vector<int> inUse_; // the clients in play, the observer left out
    bool inUseChanged_ = true;
    std::vector<std::string> printedThisMessage_;
    std::int64_t frames_ = 0;
    std::uint64_t messages_ = 0;
    std::uint64_t messageStart_ = 0;
    ReadingEnd ended_;
};

} // namespace

EngineReport ReadQ2ProMultiViewDemo(ByteSource& source, ReadDepth depth) {
    return Mvd2Walk(source, depth).run();
}

} // namespace fenlark::readers
