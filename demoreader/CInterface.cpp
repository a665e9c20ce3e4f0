// The C interface: a table of open readers addressed by handles.
//
// A handle holds a slot number in its low bits and a generation count above
// it, so a stale handle never reaches a reader opened later in the same slot.
// At most MaxOpenHandles readers are open; opening one more closes the one
// opened longest ago, so callers that never close stay in bounded memory.

#include "demoreader/demoreader.h"

#include "demoreader/DemoReader.h"

#include <array>
#include <bit>

namespace fenlark::demoreader {
namespace {

constexpr unsigned SlotBits = std::countr_zero(static_cast<unsigned>(MaxOpenHandles));
static_assert(1u << SlotBits == MaxOpenHandles);
constexpr std::uint32_t MaxGeneration = (std::uint32_t{1} << (31 - SlotBits)) - 1u;

struct Slot {
    std::int32_t handle = 0;
    std::uint64_t openedAt = 0;
    std::unique_ptr<DemoReader> reader;
};

struct HandleTable {
    std::array<Slot, MaxOpenHandles> slots{};
    std::uint32_t generation = 0;
    std::uint64_t opens = 0;
};

constinit HandleTable Table;

// The handle of the last call and its reader: callers read one demo at a
// time, byte by byte, so most calls skip the table.
struct LastUsed {
    std::int32_t handle = 0;
    DemoReader* reader = nullptr;
};
constinit LastUsed Last;

// Forgets the last handle; called whenever a reader goes away.
void ForgetLast() {
    Last = LastUsed{};
}

// The reader behind `handle`, or nullptr. Handle 0 is never open, so the
// empty LastUsed answers it too.
DemoReader* Lookup(std::int32_t handle) {
    if (handle == Last.handle) [[likely]] {
        return Last.reader;
    }
    DemoReader* reader = ReaderForHandle(handle);
    if (reader != nullptr) {
        Last = LastUsed{handle, reader};
    }
    return reader;
}

std::int32_t Open(const char* path) {
    std::unique_ptr<DemoReader> reader = DemoReader::open(path);
    if (!reader) {
        return 0;
    }
    std::size_t chosen = 0;
    for (std::size_t i = 0; i < Table.slots.size(); ++i) {
        if (!Table.slots[i].reader) {
            chosen = i;
            break;
        }
        if (Table.slots[i].openedAt < Table.slots[chosen].openedAt) {
            chosen = i;
        }
    }
    Table.generation = Table.generation % MaxGeneration + 1u;
    Slot& slot = Table.slots[chosen];
    ForgetLast();
    slot.handle = static_cast<std::int32_t>(Table.generation << SlotBits | chosen);
    slot.openedAt = ++Table.opens;
    slot.reader = std::move(reader);
    return slot.handle;
}

} // namespace

DemoReader* ReaderForHandle(std::int32_t handle) {
    if (handle <= 0) {
        return nullptr;
    }
    const Slot& slot = Table.slots[static_cast<std::uint32_t>(handle) & (MaxOpenHandles - 1u)];
    return slot.handle == handle ? slot.reader.get() : nullptr;
}

} // namespace fenlark::demoreader

using fenlark::demoreader::DemoReader;
using fenlark::demoreader::Lookup;
using fenlark::demoreader::MessageStatus;

extern "C" {

int32_t OpenDemoFile(const char* path) {
    return fenlark::demoreader::Open(path);
}

int32_t ReadNextMessage(int32_t handle) {
    DemoReader* reader = Lookup(handle);
    if (reader == nullptr) {
        return static_cast<int32_t>(MessageStatus::InvalidHandle);
    }
    return static_cast<int32_t>(reader->readNextMessage());
}

int32_t ReadByte(int32_t handle) {
    DemoReader* reader = Lookup(handle);
    return reader != nullptr ? reader->readByte() : -1;
}

int32_t ReadShort(int32_t handle) {
    DemoReader* reader = Lookup(handle);
    return reader != nullptr ? reader->readShort() : -1;
}

int32_t ReadLong(int32_t handle) {
    DemoReader* reader = Lookup(handle);
    return reader != nullptr ? reader->readLong() : -1;
}

int32_t ReadBaseline(int32_t handle) {
    DemoReader* reader = Lookup(handle);
    return reader != nullptr && reader->readBaseline() ? 0 : -1;
}

int32_t ReadSnapshot(int32_t handle) {
    DemoReader* reader = Lookup(handle);
    return reader != nullptr && reader->readSnapshot() ? 0 : -1;
}

int32_t CloseDemoFile(int32_t handle) {
    if (fenlark::demoreader::ReaderForHandle(handle) == nullptr) {
        return -1;
    }
    fenlark::demoreader::ForgetLast();
    auto& slot =
        fenlark::demoreader::Table
            .slots[static_cast<std::uint32_t>(handle) & (fenlark::demoreader::MaxOpenHandles - 1u)];
    slot.reader.reset();
    slot.handle = 0;
    slot.openedAt = 0;
    return 0;
}

} // extern "C"
