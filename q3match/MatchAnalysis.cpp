#include "q3match/MatchAnalysis.h"

#include "core/Files.h"
#include "demoreader/DemoReader.h"
#include "demoreader/MessageWalk.h"
#include "q3match/ByteSourceFile.h"
#include "q3match/MatchVisitor.h"

#include <memory>

namespace fenlark::q3match {
namespace {

using demoreader::DemoReader;
using demoreader::MessageStatus;

// Progress is reported about this often (in bytes read).
constexpr std::uint64_t ProgressStep = 1u << 20;
// The buffer of a stream over a ByteSource.
constexpr std::size_t StreamBuffer = 64 * 1024;

const char* EndReason(MessageStatus status) {
    switch (status) {
    case MessageStatus::EndMarker:
        return "end marker";
    case MessageStatus::EndWithoutMarker:
        return "end of file";
    case MessageStatus::Truncated:
        return "cut inside a record";
    case MessageStatus::BadLength:
        return "illegal data";
    case MessageStatus::ReadError:
    case MessageStatus::InvalidHandle:
    case MessageStatus::Ready:
        break;
    }
    return "read error";
}

MatchFacts Unreadable() {
    MatchFacts facts;
    facts.ended.reason = "read error";
    facts.ended.detail = "the demo cannot be opened";
    return facts;
}

// The one loop that decodes a whole demo: compiled for wider instruction sets
// too, where the processor has them.
FENLARK_DECODER_CLONES MatchFacts Analyse(DemoReader& reader, std::uint64_t size,
                                          const AnalysisOptions& options) {
    MatchVisitor visitor(reader);
    MatchEnd ended;
    std::uint64_t offset = 0; // of the next record
    std::uint64_t nextProgress = ProgressStep;
    // Read once: the loop's calls could otherwise make the compiler read the
    // options again for every message.
    const std::atomic<bool>* const cancel = options.cancel;
    const bool reportProgress = static_cast<bool>(options.progress);
    for (;;) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
            ended.reason = "cancelled";
            break;
        }
        const MessageStatus status = reader.readNextMessage();
        if (status != MessageStatus::Ready) {
            ended.reason = EndReason(status);
            if (status == MessageStatus::BadLength) {
                ended.detail = "a record claims a length beyond the largest message";
            }
            break;
        }
        const std::uint64_t recordStart = offset;
        offset += 8 + std::uint64_t{reader.messageLength()};
        demoreader::WalkMessage(reader, visitor);
        visitor.messageEnd();
        if (visitor.damage()) {
            ended.reason = "illegal data";
            ended.detail = *visitor.damage();
            offset = recordStart;
            break;
        }
        ++ended.messagesRead;
        if (reportProgress && offset >= nextProgress) {
            options.progress(offset, size);
            nextProgress = offset + ProgressStep;
        }
    }
    ended.byteOffset = offset;
    if (options.progress) {
        options.progress(offset, size);
    }
    return visitor.finish(std::move(ended));
}

} // namespace

MatchFacts AnalyseDemo(std::FILE* file, const demoreader::ProtocolInfo& protocol,
                       std::uint64_t size, const AnalysisOptions& options) {
    const auto reader = DemoReader::open(file, protocol);
    if (!reader) {
        return Unreadable();
    }
    return Analyse(*reader, size, options);
}

MatchFacts AnalyseDemo(ByteSource& source, const demoreader::ProtocolInfo& protocol,
                       const AnalysisOptions& options) {
    // Declared before the reader, which closes the stream: the buffer
    // outlives it.
    const auto buffer = std::make_unique_for_overwrite<char[]>(StreamBuffer);
    std::FILE* stream = OpenByteSourceStream(source);
    const auto reader = DemoReader::open(stream, protocol);
    if (!reader) {
        return Unreadable();
    }
    // The reader makes its stream unbuffered, which suits a file but makes a
    // custom stream fetch its bytes one at a time. Nothing has been read yet,
    // so the stream can still be given a buffer. It must be given one
    // explicitly: an unbuffered stream already has a one-byte buffer, which a
    // request for a buffer of the library's choosing would keep.
    std::setvbuf(stream, buffer.get(), _IOFBF, StreamBuffer);
    return Analyse(*reader, source.size(), options);
}

MatchFacts AnalyseDemoFile(const std::string& path, const AnalysisOptions& options) {
    // The one open refuses what is not a regular file (a FIFO would block);
    // the demo is then read through a plain stream over that same open file,
    // the reader's fast path.
    const int descriptor = OpenRegularFile(path);
    if (descriptor < 0) {
        return Unreadable();
    }
    const std::optional<std::uint64_t> length = OpenFileLength(descriptor);
    std::FILE* stream = length ? StreamOverDescriptor(descriptor) : nullptr;
    if (stream == nullptr) {
        CloseFile(descriptor);
        return Unreadable();
    }
    return AnalyseDemo(stream, demoreader::ProtocolFromPath(path), *length, options);
}

} // namespace fenlark::q3match
