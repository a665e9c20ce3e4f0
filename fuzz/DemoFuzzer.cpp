// Arbitrary bytes read as a demo of one protocol family. The first byte picks
// the protocol among the family's; the rest is the file. The demo is walked
// the way the tool walks it, then read again with the reads in an order the
// input chooses.

#include "demoreader/DemoReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace {

using fenlark::demoreader::DemoReader;
using fenlark::demoreader::MessageStatus;
using fenlark::demoreader::ProtocolByNumber;

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

void SkipString(DemoReader& reader) {
    for (int i = 0; i < 8191 && reader.readByte() > 0; ++i) {
    }
}

// The tool's walk: acknowledge, operations, gamestates, strings, snapshots.
void Walk(DemoReader& reader) {
    while (reader.readNextMessage() == MessageStatus::Ready) {
        reader.readLong();
        bool go = true;
        while (go) {
            switch (reader.readByte()) {
            case 2:
                reader.readLong();
                for (bool inGamestate = true; inGamestate && go;) {
                    switch (reader.readByte()) {
                    case 3:
                        reader.readShort();
                        SkipString(reader);
                        break;
                    case 4:
                        reader.readBaseline();
                        break;
                    case 8:
                        reader.readLong();
                        reader.readLong();
                        inGamestate = false;
                        break;
                    default:
                        go = false;
                        break;
                    }
                }
                break;
            case 5:
                reader.readLong();
                SkipString(reader);
                break;
            case 7:
                reader.readSnapshot();
                break;
            default:
                go = false;
                break;
            }
        }
        if (reader.bitPosition() > reader.messageBits() + 64) {
            __builtin_trap(); // a read ran away past the end of the message
        }
    }
    reader.readLong();
    if (reader.readByte() != -1) {
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
