#include "readers/quakeworld/QuakeWorldReader.h"

#include "readers/quakeworld/QwMatchBuilder.h"
#include "readers/quakeworld/QwMessages.h"
#include "readers/quakeworld/QwRecords.h"

namespace fenlark::readers {

namespace {

using namespace quakeworld;

MatchEnd EndOf(std::string reason, std::uint64_t records, std::uint64_t offset,
               std::string detail = {}) {
    MatchEnd end;
    end.reason = std::move(reason);
    end.messagesRead = records;
    end.byteOffset = offset;
    end.detail = std::move(detail);
    return end;
}

MatchEnd EndOfRecords(QwRecordStatus status, const QwRecordReader& records, std::uint64_t count) {
    switch (status) {
    case QwRecordStatus::EndOfFile:
        return EndOf("end of file", count, records.stopOffset());
    case QwRecordStatus::Cut:
        return EndOf("cut inside a record", count, records.stopOffset(), records.detail());
    case QwRecordStatus::ReadError:
        return EndOf("read error", count, records.stopOffset(), records.detail());
    case QwRecordStatus::Illegal:
    case QwRecordStatus::Record:
        break;
    }
    return EndOf("illegal data", count, records.stopOffset(), records.detail());
}

// Reads records until the end, damage, or (for the window) until the
// clients of the first moment are known.
EngineReport Read(ByteSource& source, ReadDepth depth, QwDemoKind kind) {
    QwRecordReader records(source, kind);
    QwProtocolState protocol;
    protocol.kind = kind;
    QwMatchBuilder builder(kind);
    QwRecord record;
    std::uint64_t count = 0;
    MatchEnd ended;
    while (true) {
        const QwRecordStatus status = records.next(record);
        if (status != QwRecordStatus::Record) {
            ended = EndOfRecords(status, records, count);
            break;
        }
        if (!protocol.serverDataSeen &&
            (record.messages.empty() || record.messages.front() != SvcServerData)) {
            ended = EndOf("illegal data", count, record.offset,
                          "the demo does not start with the server's data");
            break;
        }
        builder.beginBlock(record.timeMs, record.type, record.to);
        QwBlockResult result;
        if (kind == QwDemoKind::Mvd && record.type == DemMultiple && record.to == 0) {
            // Addressed to no client: the server's hidden data, if it says so.
            if ((protocol.mvd & MvdHiddenMessages) != 0) {
                result = WalkMvdHiddenData(record.messages, builder);
            }
        } else {
            result = WalkQwMessages(record.messages, protocol, builder);
        }
        ++count;
        const std::uint64_t where = record.messagesOffset + result.offset;
        if (result.end == QwBlockEnd::Disconnect) {
            ended = EndOf("end marker", count, where);
            break;
        }
        if (result.end == QwBlockEnd::NewServerData) {
            ended = EndOf("map change", count, where,
                          "the server changed the map; the report covers the first map");
            break;
        }
        if (result.end == QwBlockEnd::Unsized || result.end == QwBlockEnd::Overrun) {
            ended = EndOf("illegal data", count, where, result.detail);
            break;
        }
        if (depth == ReadDepth::Window && builder.windowComplete()) {
            ended = EndOf("window complete", count, record.messagesOffset + record.messages.size());
            break;
        }
    }
    return builder.finish(std::move(ended), depth == ReadDepth::WholeFile);
}

} // namespace

EngineReport ReadQuakeWorldMvd(ByteSource& source, ReadDepth depth) {
    return Read(source, depth, QwDemoKind::Mvd);
}

EngineReport ReadQuakeWorldQwd(ByteSource& source, ReadDepth depth) {
    return Read(source, depth, QwDemoKind::Qwd);
}

} // namespace fenlark::readers
