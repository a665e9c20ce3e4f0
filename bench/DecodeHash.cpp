// Prints one hash per demo over everything the reader decodes from it: every
// operation and its values, every string byte, every decoded field of
// snapshots and baselines, the bit position after each operation and at the
// end of each message, and the status that ended the demo. Two builds of the
// reader decode identically when they print the same lines.
//
//   fenlark_decode_hash FILE...   ->   "<hash> <messages> <file>" per file

#include "demoreader/MessageWalk.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace {

using namespace fenlark::demoreader;

// 64-bit FNV-1a over the bytes of every value fed to it.
class Hash {
public:
    void add(std::uint64_t value) {
        for (int i = 0; i < 8; ++i) {
            addByte(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
    void add(std::string_view text) {
        add(text.size());
        for (const char c : text) {
            addByte(static_cast<std::uint8_t>(c));
        }
    }
    std::uint64_t value() const { return state_; }

private:
    void addByte(std::uint8_t byte) {
        state_ ^= byte;
        state_ *= 0x100000001B3u;
    }
    std::uint64_t state_ = 0xCBF29CE484222325u;
};

// Each kind of event starts with its own tag so that equal values in
// different places hash differently.
enum Tag : std::uint64_t {
    MessageBegin = 1,
    GamestateBegin,
    Configstring,
    Baseline,
    GamestateEnd,
    ServerCommand,
    Snapshot,
    Illegal,
    SnapshotHeaderTag,
    PlayerField,
    PlayerArray,
    Entity,
    EntityField,
    MessageEnd,
    DemoEnd,
};

std::uint64_t Signed(std::int32_t value) {
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
}

class HashVisitor : public NullMessageVisitor {
public:
    HashVisitor(const DemoReader& reader, Hash& hash) : reader_(reader), hash_(hash) {}

    void messageBegin(std::int32_t acknowledge) { put(MessageBegin, Signed(acknowledge)); }
    void gamestateBegin(std::int32_t commandSequence) {
        put(GamestateBegin, Signed(commandSequence));
    }
    void configstring(std::int32_t index, std::string_view text) {
        put(Configstring, Signed(index));
        hash_.add(text);
        position();
    }
    void baseline(bool ok) {
        put(Baseline, ok ? 1 : 0);
        position();
    }
    void gamestateEnd(std::int32_t clientNumber, std::int32_t checksumFeed) {
        put(GamestateEnd, Signed(clientNumber));
        hash_.add(Signed(checksumFeed));
        position();
    }
    void serverCommand(std::int32_t sequence, std::string_view text) {
        put(ServerCommand, Signed(sequence));
        hash_.add(text);
        position();
    }
    void snapshot(bool ok) {
        put(Snapshot, ok ? 1 : 0);
        position();
    }
    void illegal(WalkEnd where, std::int32_t operation) {
        put(Illegal, static_cast<std::uint64_t>(where));
        hash_.add(Signed(operation));
        position();
    }

    void snapshotHeader(const SnapshotHeader& header) {
        put(SnapshotHeaderTag, Signed(header.commandNumber));
        hash_.add(Signed(header.serverTime));
        hash_.add(header.deltaNumber);
        hash_.add(header.flags);
        hash_.add(header.areaMaskLength);
        for (std::uint32_t i = 0; i < header.areaMaskLength; ++i) {
            hash_.add(header.areaMask[i]);
        }
    }
    void playerField(unsigned index, std::uint32_t value) {
        put(PlayerField, index);
        hash_.add(value);
    }
    void playerArray(unsigned array, unsigned index, std::int32_t value) {
        put(PlayerArray, array);
        hash_.add(index);
        hash_.add(Signed(value));
    }
    void entity(unsigned number, EntityChange change) {
        put(Entity, number);
        hash_.add(static_cast<std::uint64_t>(change));
    }
    void entityField(unsigned number, unsigned index, std::uint32_t value) {
        put(EntityField, number);
        hash_.add(index);
        hash_.add(value);
    }

private:
    void put(Tag tag, std::uint64_t value) {
        hash_.add(tag);
        hash_.add(value);
    }
    void position() { hash_.add(reader_.bitPosition()); }

    const DemoReader& reader_;
    Hash& hash_;
};

} // namespace

int main(int argc, char** argv) {
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        const auto reader = DemoReader::open(argv[i]);
        if (!reader) {
            std::fprintf(stderr, "%s: cannot open\n", argv[i]);
            ++failures;
            continue;
        }
        Hash hash;
        HashVisitor visitor(*reader, hash);
        MessageStatus status;
        while ((status = reader->readNextMessage()) == MessageStatus::Ready) {
            const WalkEnd end = WalkMessage(*reader, visitor);
            hash.add(MessageEnd);
            hash.add(static_cast<std::uint64_t>(end));
            hash.add(reader->bitPosition());
            hash.add(reader->messageBits());
        }
        hash.add(DemoEnd);
        hash.add(Signed(static_cast<std::int32_t>(status)));
        std::printf("%016llx %llu %s\n", static_cast<unsigned long long>(hash.value()),
                    static_cast<unsigned long long>(reader->messageCount()), argv[i]);
    }
    return failures == 0 ? 0 : 1;
}
