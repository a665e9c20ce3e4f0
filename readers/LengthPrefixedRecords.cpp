#include "readers/LengthPrefixedRecords.h"

namespace fenlark::readers {

namespace {

std::optional<std::int64_t> ReadLength(ByteStream& stream, RecordLength length) {
    if (length == RecordLength::UInt16) {
        const auto value = stream.u16();
        return value ? std::optional<std::int64_t>(*value) : std::nullopt;
    }
    const auto value = stream.i32();
    return value ? std::optional<std::int64_t>(*value) : std::nullopt;
}

std::string CutOrReadError(const ByteStream& stream) {
    return stream.readError() ? "read error" : "cut inside a record";
}

} // namespace

std::optional<RecordsEnd> ReadLengthPrefixedRecord(ByteStream& stream, const RecordFraming& framing,
                                                   std::vector<std::uint8_t>& record) {
    const std::uint64_t start = stream.position();
    if (stream.atEnd()) {
        return RecordsEnd{"end of file", {}, start};
    }
    const auto length = ReadLength(stream, framing.length);
    if (!length) {
        return RecordsEnd{CutOrReadError(stream), {}, start};
    }
    if (*length == framing.endMarker) {
        return RecordsEnd{"end marker", {}, stream.position()};
    }
    if (*length < 0 || *length > framing.maxLength) {
        return RecordsEnd{"illegal data", "block length " + std::to_string(*length), start};
    }
    record.resize(static_cast<std::size_t>(*length));
    if (!stream.read(record)) {
        return RecordsEnd{CutOrReadError(stream), {}, start};
    }
    return std::nullopt;
}

} // namespace fenlark::readers
