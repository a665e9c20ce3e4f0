#include "readers/source/SourceHeader.h"

#include "readers/ByteStream.h"
#include "readers/source/SourceText.h"

#include <cstring>
#include <string_view>

namespace fenlark::readers::source {

namespace {

constexpr std::size_t TextFieldSize = 260;

std::string TextField(SpanReader& reader) {
    const auto field = reader.take(TextFieldSize);
    std::size_t length = 0;
    while (length < field.size() && field[length] != 0) {
        ++length;
    }
    return DisplayText({reinterpret_cast<const char*>(field.data()), length});
}

} // namespace

bool HasSourceMagic(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 8 && std::memcmp(bytes.data(), "HL2DEMO\0", 8) == 0;
}

std::optional<SourceDemoHeader> ParseSourceHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < SourceHeaderSize || !HasSourceMagic(bytes)) {
        return std::nullopt;
    }
    SpanReader reader(bytes.first(SourceHeaderSize));
    reader.skip(8);
    SourceDemoHeader header;
    header.demoProtocol = reader.i32();
    header.networkProtocol = reader.i32();
    header.serverName = TextField(reader);
    header.clientName = TextField(reader);
    header.mapName = TextField(reader);
    header.gameDirectory = TextField(reader);
    header.playbackTime = reader.f32();
    header.ticks = reader.i32();
    header.frames = reader.i32();
    header.signOnLength = reader.i32();
    return header;
}

} // namespace fenlark::readers::source
