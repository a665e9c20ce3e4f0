#include "readers/goldsrc/GoldSrcDemoReader.h"

#include "readers/ByteStream.h"
#include "readers/goldsrc/GoldSrcMatchBuilder.h"
#include "readers/goldsrc/GoldSrcMessages.h"
#include "readers/goldsrc/GoldSrcText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace fenlark::readers {

namespace {

using namespace goldsrc;

// Header: "HLDEMO" padded to 8 bytes, demo and network protocols (int32),
// map name and game directory (260 bytes each), map CRC, directory offset.
constexpr std::size_t HeaderSize = 544;
constexpr std::int32_t SupportedDemoProtocol = 5;
// Directory: an int32 count, then entries of 92 bytes: int32 number,
// 64-byte title, int32 flags, int32 CD track, float time, int32 frames,
// int32 offset and int32 length of the segment's frames.
constexpr std::size_t DirectoryEntrySize = 92;
constexpr std::int32_t MaxDirectoryEntries = 1024;

// Frame kinds; 0 and 1 are network messages.
enum FrameKind : std::uint8_t {
    FrameDemoStart = 2,
    FrameConsoleCommand = 3,
    FrameClientData = 4,
    FrameNextSection = 5,
    FrameEvent = 6,
    FrameWeaponAnimation = 7,
    FrameSound = 8,
    FrameDemoBuffer = 9,
};

// A network frame starts with the client's view and movement state (436
// bytes) and seven sequence numbers before the message length.
constexpr std::uint64_t NetworkFrameInfoSize = 436 + 7 * 4;
constexpr std::int32_t MaxMessageLength = 4 * 1024 * 1024;
// The window is filled after the loading segment and this much playback.
constexpr double WindowPlaybackSeconds = 1.0;

struct DemoHeader {
    std::int32_t demoProtocol = 0;
    std::int32_t networkProtocol = 0;
    std::string mapName;
    std::string gameDirectory;
    std::int32_t directoryOffset = 0;
};

struct Segment {
    std::string title;
    float time = 0;
    std::int32_t frames = 0;
    std::uint64_t offset = 0;
};

std::string Fixed(double value, int decimals) {
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
    return text.data();
}

std::string FixedText(std::span<const std::uint8_t> field) {
    const auto* text = reinterpret_cast<const char*>(field.data());
    return DisplayText({text, strnlen(text, field.size())});
}

class GoldSrcDemoRead {
public:
    GoldSrcDemoRead(ByteSource& source, ByteStream& stream, ReadDepth depth,
                    const DemoHeader& header)
        : source_(source), stream_(stream), depth_(depth), header_(header),
          builder_(header.gameDirectory) {}

    void run(EngineReport& report) {
        readDirectory();
        if (!segments_.empty()) {
            for (std::size_t i = 0; i < segments_.size() && !stopped_; ++i) {
                if (!stream_.seek(segments_[i].offset)) {
                    end("illegal data", segments_[i].offset, "segment outside the file");
                    break;
                }
                readSegment(i);
            }
        } else {
            // No usable directory (a recording that was not closed): the
            // segments follow each other from the end of the header.
            stream_.seek(HeaderSize);
            for (std::size_t i = 0; !stopped_ && !stream_.atEnd(); ++i) {
                readSegment(i);
            }
        }
        if (!stopped_) {
            end(stream_.atEnd() || !segments_.empty() ? "end marker" : "end of file",
                stream_.position());
        }
        if (!windowTaken_) {
            takeWindow();
        }
        fill(report);
    }

private:
    void end(std::string reason, std::uint64_t offset, std::string detail = {}) {
        stopped_ = true;
        ended_.reason = std::move(reason);
        ended_.byteOffset = offset;
        ended_.detail = std::move(detail);
    }

    void readDirectory() {
        const auto offset = static_cast<std::uint64_t>(header_.directoryOffset);
        if (header_.directoryOffset < static_cast<std::int32_t>(HeaderSize) ||
            !stream_.seek(offset)) {
            return;
        }
        const auto count = stream_.i32();
        if (!count || *count < 1 || *count > MaxDirectoryEntries ||
            static_cast<std::uint64_t>(*count) * DirectoryEntrySize > stream_.remaining()) {
            return;
        }
        for (std::int32_t i = 0; i < *count; ++i) {
            std::array<std::uint8_t, DirectoryEntrySize> raw{};
            stream_.read(raw);
            SpanReader entry(raw);
            entry.skip(4);
            Segment segment;
            segment.title = FixedText(entry.take(64));
            entry.skip(8); // flags, CD track
            segment.time = entry.f32();
            segment.frames = entry.i32();
            const std::int32_t start = entry.i32();
            if (start < static_cast<std::int32_t>(HeaderSize) ||
                static_cast<std::uint64_t>(start) >= stream_.size()) {
                segments_.clear();
                return; // a damaged directory is not trusted at all
            }
            segment.offset = static_cast<std::uint64_t>(start);
            segments_.push_back(std::move(segment));
        }
    }

    void readSegment(std::size_t index) {
        while (!stopped_) {
            const std::uint64_t start = stream_.position();
            const auto kind = stream_.u8();
            const auto time = stream_.f32();
            const auto frame = stream_.i32();
            if (!kind || !time || !frame) {
                end(stream_.readError()       ? "read error"
                    : start == stream_.size() ? "end of file"
                                              : "cut inside a record",
                    start);
                return;
            }
            noteTime(index, *time);
            if (depth_ == ReadDepth::Window && windowReached(index, *time)) {
                takeWindow();
                end("window complete", start);
                return;
            }
            if (*kind == FrameNextSection) {
                ++frames_;
                return;
            }
            if (!readFrame(*kind, start)) {
                return;
            }
            ++frames_;
        }
    }

    bool windowReached(std::size_t segment, float time) {
        if (segment == 0) {
            return false;
        }
        if (!playbackStart_) {
            playbackStart_ = time;
        }
        return time - *playbackStart_ >= WindowPlaybackSeconds;
    }

    // Times of the loading segment count as the start; playback times are
    // seconds from the start of the playback.
    void noteTime(std::size_t segment, float time) {
        if (segment == 0 || !std::isfinite(time) || time < 0 || time > 1.0e7f) {
            builder_.setTime(lastMs_.value_or(0));
            return;
        }
        const auto ms = static_cast<std::int64_t>(std::llround(double{time} * 1000.0));
        if (!lastMs_ || ms > *lastMs_) {
            lastMs_ = ms;
        }
        builder_.setTime(ms);
    }

    bool skip(std::uint64_t count, std::uint64_t start) {
        if (!stream_.skip(count)) {
            end("cut inside a record", start);
            return false;
        }
        return true;
    }

    std::optional<std::int32_t> length(std::uint64_t start, std::int32_t limit) {
        const auto value = stream_.i32();
        if (!value) {
            end("cut inside a record", start);
            return std::nullopt;
        }
        if (*value < 0 || *value > limit) {
            end("illegal data", start, "length " + std::to_string(*value));
            return std::nullopt;
        }
        return value;
    }

    bool readFrame(std::uint8_t kind, std::uint64_t start) {
        switch (kind) {
        case 0:
        case 1: {
            if (!skip(NetworkFrameInfoSize, start)) {
                return false;
            }
            const auto size = length(start, MaxMessageLength);
            if (!size) {
                return false;
            }
            const auto count = static_cast<std::size_t>(*size);
            if (count > stream_.remaining()) {
                end("cut inside a record", start);
                return false;
            }
            buffer_.resize(count);
            const auto got = count == 0 ? std::optional<std::size_t>(0)
                                        : source_.readAt(stream_.position(), buffer_);
            if (!got || *got != count) {
                end("read error", start);
                return false;
            }
            stream_.skip(count);
            const GoldSrcFrameResult result = ReadNetMessages(buffer_, net_, builder_);
            messages_ += result.messages;
            if (!result.complete) {
                ++framesIncomplete_;
                if (unreadTypes_.size() < 8 &&
                    std::ranges::find(unreadTypes_, result.failedType) == unreadTypes_.end()) {
                    unreadTypes_.push_back(result.failedType);
                }
            }
            return true;
        }
        case FrameDemoStart:
            return true;
        case FrameConsoleCommand:
            return skip(64, start);
        case FrameClientData:
            return skip(32, start);
        case FrameEvent:
            return skip(84, start);
        case FrameWeaponAnimation:
            return skip(8, start);
        case FrameSound: {
            if (!skip(4, start)) {
                return false;
            }
            const auto size = length(start, MaxMessageLength);
            return size && skip(static_cast<std::uint64_t>(*size) + 16, start);
        }
        case FrameDemoBuffer: {
            const auto size = length(start, MaxMessageLength);
            return size && skip(static_cast<std::uint64_t>(*size), start);
        }
        default:
            end("illegal data", start, "frame type " + std::to_string(kind));
            return false;
        }
    }

    void takeWindow() {
        windowTaken_ = true;
        windowPlayers_ = builder_.presentPlayers();
        windowTeams_ = builder_.teams();
    }

    void fill(EngineReport& report) {
        const auto& server = builder_.server();
        report.protocol = std::to_string(header_.networkProtocol);
        report.map = header_.mapName;
        report.mod = header_.gameDirectory;
        if (server && !server->hostName.empty()) {
            report.serverName = server->hostName;
        }
        auto& rows = report.otherInfo;
        rows.emplace_back("Demo protocol", std::to_string(header_.demoProtocol));
        rows.emplace_back("Network protocol", std::to_string(header_.networkProtocol));
        if (server) {
            rows.emplace_back("Map file", server->mapFile);
            rows.emplace_back("Max players", std::to_string(server->maxPlayers));
            rows.emplace_back("Deathmatch", server->deathmatch ? "yes" : "no");
        }
        double directoryTime = 0;
        for (std::size_t i = 0; i < segments_.size(); ++i) {
            const Segment& segment = segments_[i];
            const bool validTime = std::isfinite(segment.time) && segment.time >= 0;
            if (validTime) {
                directoryTime += segment.time;
            }
            rows.emplace_back("Segment " + std::to_string(i + 1),
                              segment.title + ", " +
                                  (validTime ? Fixed(segment.time, 3) + " s, " : std::string()) +
                                  std::to_string(segment.frames) + " frames");
        }
        if (framesIncomplete_ > 0) {
            std::string types;
            for (const auto type : unreadTypes_) {
                types += (types.empty() ? "" : ", ") + std::to_string(type);
            }
            rows.emplace_back("Frames not fully read",
                              std::to_string(framesIncomplete_) + " (message " + types + ")");
        }
        report.players = std::move(windowPlayers_);
        report.teams = std::move(windowTeams_);

        MatchFacts& match = report.match;
        if (!segments_.empty()) {
            match.durationMs = std::llround(directoryTime * 1000.0);
        } else if (lastMs_) {
            match.durationMs = *lastMs_;
        }
        match.recorder = builder_.recorder();
        builder_.moveFactsInto(match);
        match.ended = ended_;
        match.ended.messagesRead = frames_;
    }

    ByteSource& source_;
    ByteStream& stream_;
    ReadDepth depth_;
    const DemoHeader& header_;
    GoldSrcNetState net_;
    GoldSrcMatchBuilder builder_;
    std::vector<Segment> segments_;
    std::vector<std::uint8_t> buffer_;
    std::optional<float> playbackStart_;
    std::optional<std::int64_t> lastMs_;
    bool stopped_ = false;
    bool windowTaken_ = false;
    std::vector<ReportedPlayer> windowPlayers_;
    std::vector<std::string> windowTeams_;
    std::uint64_t frames_ = 0;
    std::uint64_t messages_ = 0;
    std::uint32_t framesIncomplete_ = 0;
    std::vector<std::uint32_t> unreadTypes_;
    MatchEnd ended_;
};

EngineReport ReadGoldSrc(ByteSource& source, ReadDepth depth) {
    EngineReport report;
    ByteStream stream(source);
    std::array<std::uint8_t, HeaderSize> raw{};
    if (!stream.read(raw)) {
        report.match.ended.reason = stream.readError() ? "read error" : "cut inside the header";
        report.match.ended.byteOffset = 0;
        return report;
    }
    if (std::memcmp(raw.data(), "HLDEMO", 6) != 0) {
        report.match.ended.reason = "illegal data";
        report.match.ended.detail = "not a GoldSrc demo (no HLDEMO magic)";
        report.match.ended.byteOffset = 0;
        return report;
    }
    SpanReader fields(raw);
    fields.skip(8);
    DemoHeader header;
    header.demoProtocol = fields.i32();
    header.networkProtocol = fields.i32();
    header.mapName = FixedText(fields.take(260));
    header.gameDirectory = FixedText(fields.take(260));
    fields.skip(4); // map CRC
    header.directoryOffset = fields.i32();
    report.protocol = std::to_string(header.networkProtocol);
    report.map = header.mapName;
    report.mod = header.gameDirectory;
    if (header.demoProtocol != SupportedDemoProtocol) {
        report.otherInfo.emplace_back("Demo protocol", std::to_string(header.demoProtocol));
        report.match.ended.reason = "unknown variant";
        report.match.ended.detail =
            "demo protocol " + std::to_string(header.demoProtocol) + " is not read (only 5)";
        report.match.ended.byteOffset = 8;
        return report;
    }
    GoldSrcDemoRead read(source, stream, depth, header);
    read.run(report);
    return report;
}

} // namespace

EngineReport ReadGoldSrcDemo(ByteSource& source, ReadDepth depth) {
    try {
        return ReadGoldSrc(source, depth);
    } catch (const std::bad_alloc&) {
        EngineReport report;
        report.match.ended.reason = "out of memory";
        return report;
    }
}

} // namespace fenlark::readers
