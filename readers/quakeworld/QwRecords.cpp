#include "readers/quakeworld/QwRecords.h"

#include <cmath>

namespace fenlark::readers::quakeworld {

namespace {

// A .qwd move record: the user command as the client keeps it in memory
// (byte msec, 3 bytes padding, 3 float angles, 3 short moves, byte buttons,
// byte impulse = 24 bytes) and the 3 float view angles.
constexpr std::uint64_t QwdMoveSize = 24 + 12;
constexpr std::uint64_t SequenceSize = 8;

} // namespace

QwRecordStatus QwRecordReader::next(QwRecord& record) {
    if (in_.readError()) {
        return stop(QwRecordStatus::ReadError, in_.position(), "the file could not be read");
    }
    return kind_ == QwDemoKind::Mvd ? nextMvd(record) : nextQwd(record);
}

QwRecordStatus QwRecordReader::stop(QwRecordStatus status, std::uint64_t offset,
                                    std::string detail) {
    if (in_.readError()) {
        status = QwRecordStatus::ReadError;
        detail = "the file could not be read";
    }
    stopOffset_ = offset;
    detail_ = std::move(detail);
    return status;
}

QwRecordStatus QwRecordReader::nextMvd(QwRecord& record) {
    while (true) {
        const std::uint64_t start = in_.position();
        if (in_.atEnd()) {
            return stop(QwRecordStatus::EndOfFile, start, {});
        }
        const auto delta = in_.u8();
        const auto command = in_.u8();
        if (!delta || !command) {
            return stop(QwRecordStatus::Cut, start, "record header cut off");
        }
        mvdTimeMs_ += *delta;
        const std::uint8_t type = *command & 7;
        record.offset = start;
        record.timeMs = mvdTimeMs_;
        record.type = type;
        record.to = 0;
        switch (type) {
        case DemSet:
            if (!in_.skip(SequenceSize)) {
                return stop(QwRecordStatus::Cut, start, "record cut off");
            }
            continue;
        case DemMultiple: {
            const auto mask = in_.u32();
            if (!mask) {
                return stop(QwRecordStatus::Cut, start, "record header cut off");
            }
            record.to = *mask;
            break;
        }
        case DemSingle:
        case DemStats:
            record.to = *command >> 3;
            break;
        case DemRead:
        case DemAll:
            break;
        default:
            return stop(QwRecordStatus::Illegal, start,
                        "record type " + std::to_string(type) + " in an MVD");
        }
        return readBlock(record, 0);
    }
}

QwRecordStatus QwRecordReader::nextQwd(QwRecord& record) {
    while (true) {
        const std::uint64_t start = in_.position();
        if (in_.atEnd()) {
            return stop(QwRecordStatus::EndOfFile, start, {});
        }
        const auto time = in_.f32();
        const auto type = in_.u8();
        if (!time || !type) {
            return stop(QwRecordStatus::Cut, start, "record header cut off");
        }
        if (!std::isfinite(*time)) {
            return stop(QwRecordStatus::Illegal, start, "record time is not a number");
        }
        if (!haveFirstTime_) {
            haveFirstTime_ = true;
            firstTime_ = *time;
        }
        record.offset = start;
        record.timeMs = std::llround((static_cast<double>(*time) - firstTime_) * 1000.0);
        record.type = DemRead;
        record.to = 0;
        switch (*type) {
        case DemCmd:
            if (!in_.skip(QwdMoveSize)) {
                return stop(QwRecordStatus::Cut, start, "record cut off");
            }
            continue;
        case DemSet:
            if (!in_.skip(SequenceSize)) {
                return stop(QwRecordStatus::Cut, start, "record cut off");
            }
            continue;
        case DemRead:
            return readBlock(record, SequenceSize);
        default:
            return stop(QwRecordStatus::Illegal, start,
                        "record type " + std::to_string(*type) + " in a .qwd");
        }
    }
}

QwRecordStatus QwRecordReader::readBlock(QwRecord& record, std::size_t skipFirst) {
    const auto length = in_.i32();
    if (!length) {
        return stop(QwRecordStatus::Cut, record.offset, "record header cut off");
    }
    if (*length < 0 || static_cast<std::size_t>(*length) > MaxBlock ||
        static_cast<std::size_t>(*length) < skipFirst) {
        return stop(QwRecordStatus::Illegal, record.offset,
                    "record length " + std::to_string(*length));
    }
    const auto size = static_cast<std::size_t>(*length);
    if (size > in_.remaining()) {
        return stop(QwRecordStatus::Cut, record.offset, "record cut off");
    }
    buffer_.resize(size);
    if (!in_.read(buffer_)) {
        return stop(QwRecordStatus::Cut, record.offset, "record cut off");
    }
    record.messagesOffset = in_.position() - size + skipFirst;
    record.messages = std::span<const std::uint8_t>(buffer_).subspan(skipFirst);
    return QwRecordStatus::Record;
}

} // namespace fenlark::readers::quakeworld
