// Arbitrary bytes read as a demo of one protocol family. The first byte picks
// the protocol among the family's; the rest is the file. The demo is walked
// with the message walk, then read again with the reads in an order the
// input chooses.

#include "demoreader/DemoReader.h"
#include "demoreader/MessageWalk.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace {

using fenlark::demoreader::DemoReader;
using fenlark::demoreader::MessageStatus;
using fenlark::demoreader::ProtocolByNumber;
using fenlark::demoreader::WalkMessage;

constexpr int Family[] = {FENLARK_FUZZ_PROTOCOLS};

std::unique_ptr<DemoReader> OpenBytes(const std::uint8_t* data, std::size_t size, int protocol) {
    // fmemopen refuses an empty buffer; an empty demo is a file of no bytes.
    static const std::uint8_t empty = 0;
    std::FILE* file =
        fmemopen(const_cast<std::uint8_t*>(size != 0 ? data : &empty), size != 0 ? size : 1, "rb");
    if (file != nullptr && size == 0) {
        std::fgetc(file);
    }
    return DemoReader::open(file, ProtocolByNumber(protocol));
}

// Checks after every operation of the walk that no read ran away past the
// end of the message.
class BoundsVisitor : public fenlark::demoreader::NullMessageVisitor {
public:
    explicit BoundsVisitor(const DemoReader& reader) : reader_(reader) {}
    void configstring(std::int32_t /*index*/, std::string_view /*text*/) { check(); }
    void baseline(bool /*ok*/) { check(); }
    void gamestateEnd(std::int32_t /*clientNumber*/, std::int32_t /*checksumFeed*/) { check(); }
    void serverCommand(std::int32_t /*sequence*/, std::string_view /*text*/) { check(); }
    void snapshot(bool /*ok*/) { check(); }
    void check() const {
        if (reader_.bitPosition() > reader_.messageBits() + MaxOverrun) {
            __builtin_trap(); // a read ran away past the end of the message
        }
    }

private:
    static constexpr std::uint32_t MaxOverrun = 64;
    const DemoReader& reader_;
};

// Every message walked (also those after an illegal operation, to reach
// more of the input); once the demo has ended every read gives -1.
void Walk(DemoReader& reader) {
    BoundsVisitor visitor(reader);
    while (reader.readNextMessage() == MessageStatus::Ready) {
        WalkMessage(reader, visitor);
        visitor.check();
    }
    using fenlark::demoreader::NoMoreData;
    if (reader.readLong() != NoMoreData || reader.readShort() != NoMoreData ||
        reader.readByte() != NoMoreData) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const int protocol = Family[data[0] % (sizeof Family / sizeof Family[0])];
    ++data;
    --size;

    if (auto reader = OpenBytes(data, size, protocol)) {
        Walk(*reader);
    }
    // The same bytes with every read in an order taken from the bytes.
    if (auto reader = OpenBytes(data, size, protocol)) {
        for (std::size_t i = 0; i < size && i < 4096; ++i) {
            switch (data[size - 1 - i] % 8) {
            case 0:
                reader->readNextMessage();
                break;
            case 1:
                reader->readSnapshot();
                break;
            case 2:
                reader->readBaseline();
                break;
            case 3:
                reader->readShort();
                break;
            case 4:
                reader->readLong();
                break;
            default:
                reader->readByte();
                break;
            }
        }
    }
    return 0;
}
