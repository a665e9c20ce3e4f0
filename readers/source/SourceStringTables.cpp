#include "readers/source/SourceStringTables.h"

namespace fenlark::readers::source {

namespace {

// The last strings of one message, for entries that start with a part of one.
class StringHistory {
public:
    static constexpr std::size_t Size = 32;
    void add(const std::string& text) {
        strings_[next_ % Size] = text;
        ++next_;
    }
    // The string `back` places from the oldest kept one; empty when absent.
    const std::string& at(std::size_t index) const {
        static const std::string Empty;
        const std::size_t kept = std::min(next_, Size);
        if (index >= kept) {
            return Empty;
        }
        const std::size_t oldest = next_ - kept;
        return strings_[(oldest + index) % Size];
    }

private:
    std::array<std::string, Size> strings_;
    std::size_t next_ = 0;
};

// Longest string an entry may have; entry strings are short names and paths.
constexpr std::size_t MaxEntryText = 4096;
// The user data of an entry without fixed size has a 14-bit byte count.
constexpr unsigned UserDataLengthBits = 14;

} // namespace

bool ReadStringTableEntries(BitReader& bits, const StringTableMeta& table, std::uint32_t count,
                            const StringTableEntryVisitor& visit) {
    StringHistory history;
    std::vector<std::uint8_t> data;
    std::string text;
    std::int64_t last = -1;
    for (std::uint32_t n = 0; n < count; ++n) {
        std::uint32_t index = static_cast<std::uint32_t>(last + 1);
        if (!bits.bit()) {
            index = bits.bits(table.entryBits);
        }
        last = index;
        bool hasText = false;
        if (bits.bit()) {
            hasText = true;
            if (bits.bit()) {
                const std::uint32_t from = bits.bits(5);
                const std::uint32_t length = bits.bits(5);
                const std::string& earlier = history.at(from);
                text.assign(earlier, 0, std::min<std::size_t>(length, earlier.size()));
                text += bits.string(MaxEntryText);
            } else {
                text = bits.string(MaxEntryText);
            }
        }
        bool hasData = false;
        data.clear();
        if (bits.bit()) {
            hasData = true;
            if (table.userDataFixedSize) {
                const std::uint32_t value = bits.bits(std::min(table.userDataBits, 32u));
                for (unsigned shift = 0; shift < table.userDataBits && shift < 32; shift += 8) {
                    data.push_back(static_cast<std::uint8_t>(value >> shift));
                }
            } else {
                data.resize(bits.bits(UserDataLengthBits));
                bits.bytes(data);
            }
        }
        if (bits.overrun() || index >= std::max<std::uint32_t>(table.maxEntries, 1)) {
            return false;
        }
        StringTableEntry entry;
        entry.index = index;
        entry.text = hasText ? &text : nullptr;
        entry.hasData = hasData;
        entry.data = data;
        visit(entry);
        history.add(hasText ? text : std::string());
    }
    return true;
}

bool ReadStringTablesFrame(
    BitReader& bits, const std::function<bool(std::string_view)>& wanted,
    const std::function<void(std::string_view table, const StringTableEntry&)>& visit) {
    std::vector<std::uint8_t> data;
    const std::uint32_t tables = bits.u8();
    for (std::uint32_t t = 0; t < tables && !bits.overrun(); ++t) {
        const std::string name = bits.string(256);
        const bool keep = wanted(name);
        // Server entries, then (after a flag bit) the client's own entries.
        for (int part = 0; part < 2 && !bits.overrun(); ++part) {
            if (part == 1 && !bits.bit()) {
                break;
            }
            const std::uint32_t count = bits.u16();
            for (std::uint32_t i = 0; i < count && !bits.overrun(); ++i) {
                std::string text;
                if (keep) {
                    text = bits.string(MaxEntryText);
                } else {
                    bits.skipString();
                }
                const bool hasData = bits.bit();
                data.clear();
                if (hasData) {
                    const std::uint32_t length = bits.u16();
                    if (keep) {
                        data.resize(length);
                        bits.bytes(data);
                    } else {
                        bits.skip(std::size_t{length} * 8);
                    }
                }
                if (keep && part == 0 && !bits.overrun()) {
                    StringTableEntry entry;
                    entry.index = i;
                    entry.text = &text;
                    entry.hasData = hasData;
                    entry.data = data;
                    visit(name, entry);
                }
            }
        }
    }
    return !bits.overrun();
}

} // namespace fenlark::readers::source
