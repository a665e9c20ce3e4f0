#include "readers/source/SourceDemoReader.h"

#include "readers/ByteStream.h"
#include "readers/source/SourceHeader.h"
#include "readers/source/SourceMatchBuilder.h"
#include "readers/source/SourcePacket.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace fenlark::readers {

namespace {

using namespace source;

// Frame commands of demo protocols 2 and 3.
enum class FrameCommand : std::uint8_t {
    SignOn = 1,
    Packet = 2,
    SyncTick = 3,
    ConsoleCommand = 4,
    UserCommand = 5,
    DataTables = 6,
    Stop = 7,
    StringTables = 8,
};

// A packet frame starts with the view of the recording player (flags and
// three vectors twice: 76 bytes) and two sequence numbers.
constexpr std::uint64_t PacketInfoSize = 76 + 4 + 4;
// No frame of a real demo comes near this; a larger length is damage.
constexpr std::int32_t MaxFrameLength = 64 * 1024 * 1024;

std::string Fixed(double value, int decimals) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
    return text.data();
}

std::string YesNo(bool value) {
    return value ? "yes" : "no";
}

class SourceDemoRead {
public:
    SourceDemoRead(ByteSource& source, ByteStream& stream, ReadDepth depth,
                   const SourceDemoHeader& header)
        : source_(source), stream_(stream), depth_(depth), header_(header),
          builder_(header.gameDirectory) {
        net_.networkProtocol = header.networkProtocol;
    }

    void run(EngineReport& report) {
        readFrames();
        if (!windowTaken_) {
            takeWindow();
        }
        fill(report);
    }

private:
    void end(std::string reason, std::uint64_t offset, std::string detail = {}) {
        ended_.reason = std::move(reason);
        ended_.byteOffset = offset;
        ended_.detail = std::move(detail);
    }

    void readFrames() {
        while (true) {
            const std::uint64_t start = stream_.position();
            if (stream_.readError()) {
                end("read error", start);
                return;
            }
            if (stream_.atEnd()) {
                end("end of file", start);
                return;
            }
            const auto command = static_cast<FrameCommand>(*stream_.u8());
            // The stop frame ends the demo; its tick is often cut short.
            if (command == FrameCommand::Stop) {
                ++frames_;
                end("end marker", start);
                return;
            }
            const auto tick = stream_.i32();
            if (!tick) {
                end("cut inside a record", start);
                return;
            }
            if (command == FrameCommand::Packet && !windowTaken_) {
                // The first packet ends the sign-on: players and values are known.
                takeWindow();
                if (depth_ == ReadDepth::Window) {
                    end("window complete", start);
                    return;
                }
            }
            noteTick(command, *tick);
            if (!readFrame(command, start)) {
                return;
            }
            ++frames_;
        }
    }

    // False when the reading must stop (the reason is set).
    bool readFrame(FrameCommand command, std::uint64_t start) {
        switch (command) {
        case FrameCommand::SignOn:
        case FrameCommand::Packet: {
            if (!stream_.skip(PacketInfoSize)) {
                end("cut inside a record", start);
                return false;
            }
            if (!readPayload(start)) {
                return false;
            }
            const PacketResult result = ReadPacket(BitReader(buffer_), net_, builder_);
            messages_ += result.messages;
            if (!result.complete) {
                ++packetsIncomplete_;
            }
            return true;
        }
        case FrameCommand::SyncTick:
            return true;
        case FrameCommand::ConsoleCommand:
        case FrameCommand::DataTables:
            return skipPayload(start);
        case FrameCommand::UserCommand:
            if (!stream_.skip(4)) {
                end("cut inside a record", start);
                return false;
            }
            return skipPayload(start);
        case FrameCommand::StringTables: {
            if (!readPayload(start)) {
                return false;
            }
            BitReader bits(buffer_);
            ReadStringTablesFrame(
                bits, [](std::string_view name) { return name == "userinfo"; },
                [&](std::string_view, const StringTableEntry& entry) { builder_.userInfo(entry); });
            return true;
        }
        case FrameCommand::Stop:
            break;
        }
        end("illegal data", start,
            "frame command " + std::to_string(static_cast<unsigned>(command)));
        return false;
    }

    std::optional<std::int32_t> payloadLength(std::uint64_t start) {
        const auto length = stream_.i32();
        if (!length) {
            end("cut inside a record", start);
            return std::nullopt;
        }
        if (*length < 0 || *length > MaxFrameLength) {
            end("illegal data", start, "frame length " + std::to_string(*length));
            return std::nullopt;
        }
        return length;
    }

    bool readPayload(std::uint64_t start) {
        const auto length = payloadLength(start);
        if (!length) {
            return false;
        }
        // Payloads are read straight from the source into the frame buffer,
        // not through the stream's small buffer.
        const auto size = static_cast<std::size_t>(*length);
        if (size > stream_.remaining()) {
            end("cut inside a record", start);
            return false;
        }
        buffer_.resize(size);
        const auto got =
            size == 0 ? std::optional<std::size_t>(0) : source_.readAt(stream_.position(), buffer_);
        if (!got || *got != size) {
            end("read error", start);
            return false;
        }
        stream_.skip(size);
        return true;
    }

    bool skipPayload(std::uint64_t start) {
        const auto length = payloadLength(start);
        if (!length) {
            return false;
        }
        if (!stream_.skip(static_cast<std::uint64_t>(*length))) {
            end("cut inside a record", start);
            return false;
        }
        return true;
    }

    // Ticks count from the sync tick (or the first packet) on; sign-on frames
    // carry the server's tick of the connection instead.
    void noteTick(FrameCommand command, std::int32_t tick) {
        if (!firstTick_) {
            if (command != FrameCommand::SyncTick && command != FrameCommand::Packet) {
                return;
            }
            firstTick_ = tick;
        }
        if (!lastTick_ || tick > *lastTick_) {
            lastTick_ = tick;
        }
        builder_.setTime(millisecondsAt(tick));
    }

    std::optional<double> tickInterval() const {
        const auto& server = builder_.server();
        if (server && std::isfinite(server->tickInterval) && server->tickInterval > 0 &&
            server->tickInterval < 1) {
            return server->tickInterval;
        }
        return std::nullopt;
    }

    std::int64_t millisecondsAt(std::int32_t tick) const {
        const auto interval = tickInterval();
        if (!interval || !firstTick_ || tick <= *firstTick_) {
            return 0;
        }
        const double ticks = static_cast<double>(tick) - static_cast<double>(*firstTick_);
        return static_cast<std::int64_t>(std::llround(ticks * *interval * 1000.0));
    }

    void takeWindow() {
        windowTaken_ = true;
        windowPlayers_ = builder_.presentPlayers();
    }

    void fill(EngineReport& report) {
        const auto& server = builder_.server();
        report.protocol = std::to_string(header_.networkProtocol);
        // A SourceTV demo names the server in its header and the SourceTV
        // proxy in the server info; a player's demo names the address in its
        // header and the server in the server info.
        const bool sourceTv = server && server->sourceTv;
        report.serverName = server && !sourceTv && !server->hostName.empty() ? server->hostName
                                                                             : header_.serverName;
        report.map =
            !header_.mapName.empty() ? header_.mapName : (server ? server->mapName : std::string());
        report.mod = !header_.gameDirectory.empty()
                         ? header_.gameDirectory
                         : (server ? server->gameDirectory : std::string());
        auto& rows = report.otherInfo;
        rows.emplace_back("Demo protocol", std::to_string(header_.demoProtocol));
        rows.emplace_back("Network protocol", std::to_string(header_.networkProtocol));
        if (!sourceTv) {
            rows.emplace_back("Server address", header_.serverName);
        }
        rows.emplace_back("Recorded by", header_.clientName);
        rows.emplace_back("Playback time", Fixed(header_.playbackTime, 3) + " s");
        rows.emplace_back("Playback ticks", std::to_string(header_.ticks));
        rows.emplace_back("Playback frames", std::to_string(header_.frames));
        if (server) {
            if (const auto interval = tickInterval()) {
                rows.emplace_back("Tick rate", Fixed(1.0 / *interval, 2) + " per second");
            }
            rows.emplace_back("Max players", std::to_string(server->maxClients));
            rows.emplace_back("Dedicated server", YesNo(server->dedicated));
            rows.emplace_back("SourceTV", YesNo(server->sourceTv));
            if (sourceTv) {
                rows.emplace_back("SourceTV name", server->hostName);
            }
            if (server->operatingSystem == 'l' || server->operatingSystem == 'w') {
                rows.emplace_back("Server system",
                                  server->operatingSystem == 'l' ? "Linux" : "Windows");
            }
        }
        if (depth_ == ReadDepth::WholeFile && firstTick_ && lastTick_) {
            rows.emplace_back("Ticks read", std::to_string(std::int64_t{*lastTick_} - *firstTick_));
        }
        if (packetsIncomplete_ > 0) {
            rows.emplace_back("Packets not fully read", std::to_string(packetsIncomplete_));
        }
        for (const auto& value : builder_.serverValues()) {
            rows.push_back(value);
        }
        report.players = std::move(windowPlayers_);

        MatchFacts& match = report.match;
        if (depth_ == ReadDepth::WholeFile && firstTick_ && lastTick_ && tickInterval()) {
            match.durationMs = millisecondsAt(*lastTick_);
        } else if (std::isfinite(header_.playbackTime) && header_.playbackTime > 0) {
            match.durationMs = std::llround(double{header_.playbackTime} * 1000.0);
        }
        if (auto recorder = builder_.recorder()) {
            if (recorder->name.empty()) {
                recorder->name = header_.clientName;
            }
            match.recorder = std::move(recorder);
        }
        builder_.moveFactsInto(match);
        match.ended = ended_;
        match.ended.messagesRead = frames_;
    }

    ByteSource& source_;
    ByteStream& stream_;
    ReadDepth depth_;
    const SourceDemoHeader& header_;
    SourceNetState net_;
    SourceMatchBuilder builder_;
    std::vector<std::uint8_t> buffer_;
    std::optional<std::int32_t> firstTick_;
    std::optional<std::int32_t> lastTick_;
    bool windowTaken_ = false;
    std::vector<ReportedPlayer> windowPlayers_;
    std::uint64_t frames_ = 0;
    std::uint64_t messages_ = 0;
    std::uint32_t packetsIncomplete_ = 0;
    MatchEnd ended_;
};

EngineReport ReadSource(ByteSource& source, ReadDepth depth) {
    EngineReport report;
    ByteStream stream(source);
    std::array<std::uint8_t, SourceHeaderSize> raw{};
    if (!stream.read(raw)) {
        report.match.ended.reason = stream.readError() ? "read error" : "cut inside the header";
        report.match.ended.byteOffset = 0;
        return report;
    }
    const auto header = ParseSourceHeader(raw);
    if (!header) {
        report.match.ended.reason = "illegal data";
        report.match.ended.detail = "not a Source demo (no HL2DEMO magic)";
        report.match.ended.byteOffset = 0;
        return report;
    }
    if (header->demoProtocol != 2 && header->demoProtocol != 3) {
        // Header values only: later engines frame their data differently.
        report.protocol = std::to_string(header->networkProtocol);
        report.serverName = header->serverName;
        report.map = header->mapName;
        report.mod = header->gameDirectory;
        report.otherInfo.emplace_back("Demo protocol", std::to_string(header->demoProtocol));
        report.otherInfo.emplace_back("Recorded by", header->clientName);
        report.match.ended.reason = "unknown variant";
        report.match.ended.detail =
            "demo protocol " + std::to_string(header->demoProtocol) + " is not read";
        report.match.ended.byteOffset = SourceHeaderSize;
        return report;
    }
    SourceDemoRead read(source, stream, depth, *header);
    read.run(report);
    return report;
}

} // namespace

EngineReport ReadSourceDemo(ByteSource& source, ReadDepth depth) {
    try {
        return ReadSource(source, depth);
    } catch (const std::bad_alloc&) {
        EngineReport report;
        report.match.ended.reason = "out of memory";
        return report;
    }
}

} // namespace fenlark::readers
