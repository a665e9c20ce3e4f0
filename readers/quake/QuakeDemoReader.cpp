#include "readers/quake/QuakeDemoReader.h"

#include "readers/ByteStream.h"
#include "readers/quake/NqMatchBuilder.h"
#include "readers/quake/NqMessages.h"

#include <vector>

namespace fenlark::readers {

namespace {

using namespace quake;

// The file starts with the CD track as text ("-1", "2", ...) and a line
// break; then come blocks of int32 length, three float view angles and the
// server messages.
constexpr std::size_t MaxTrackLine = 16;
constexpr std::uint64_t AnglesSize = 12;
// The longest block accepted (engines send at most 64 KB at once).
constexpr std::size_t MaxBlock = 1 << 20;

MatchEnd EndOf(std::string reason, std::uint64_t blocks, std::uint64_t offset,
               std::string detail = {}) {
    MatchEnd end;
    end.reason = std::move(reason);
    end.messagesRead = blocks;
    end.byteOffset = offset;
    end.detail = std::move(detail);
    return end;
}

// Passes the CD track line; false when the file does not start with one.
bool SkipTrackLine(ByteStream& in) {
    for (std::size_t i = 0; i < MaxTrackLine; ++i) {
        const auto c = in.u8();
        if (!c) {
            return false;
        }
        if (*c == '\n') {
            return i > 0;
        }
        if (*c != '-' && (*c < '0' || *c > '9') && *c != '\r') {
            return false;
        }
    }
    return false;
}

} // namespace

EngineReport ReadQuakeDemo(ByteSource& source, ReadDepth depth) {
    ByteStream in(source);
    NqProtocolState protocol;
    NqMatchBuilder builder;
    std::vector<std::uint8_t> block;
    std::uint64_t count = 0;
    MatchEnd ended;
    if (!SkipTrackLine(in)) {
        ended = EndOf(in.readError() ? "read error" : "illegal data", 0, 0,
                      "the file does not start with a CD track line");
        return builder.finish(std::move(ended), depth == ReadDepth::WholeFile);
    }
    while (true) {
        const std::uint64_t start = in.position();
        if (in.atEnd()) {
            ended = EndOf("end of file", count, start);
            break;
        }
        const auto length = in.i32();
        if (!length || !in.skip(AnglesSize)) {
            ended = EndOf(in.readError() ? "read error" : "cut inside a record", count, start);
            break;
        }
        if (*length < 0 || static_cast<std::size_t>(*length) > MaxBlock) {
            ended = EndOf("illegal data", count, start, "block length " + std::to_string(*length));
            break;
        }
        const auto size = static_cast<std::size_t>(*length);
        if (size > in.remaining()) {
            ended = EndOf("cut inside a record", count, start);
            break;
        }
        block.resize(size);
        if (!in.read(block)) {
            ended = EndOf(in.readError() ? "read error" : "cut inside a record", count, start);
            break;
        }
        const std::uint64_t messages = in.position() - size;
        const NqBlockResult result = WalkNqMessages(block, protocol, builder);
        ++count;
        // The first blocks hold the server's banner and the level's data.
        if (!builder.serverInfoSeen() && result.end == NqBlockEnd::Complete && count >= 2) {
            ended = EndOf("illegal data", count, start, "no level data at the start");
            break;
        }
        if (result.end == NqBlockEnd::Disconnect) {
            ended = EndOf("end marker", count, messages + result.offset);
            break;
        }
        if (result.end != NqBlockEnd::Complete) {
            ended = EndOf("illegal data", count, messages + result.offset, result.detail);
            break;
        }
        if (depth == ReadDepth::Window && builder.windowComplete()) {
            ended = EndOf("window complete", count, in.position());
            break;
        }
    }
    return builder.finish(std::move(ended), depth == ReadDepth::WholeFile);
}

} // namespace fenlark::readers
