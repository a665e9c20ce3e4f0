#pragma once
// Writes small Source demos for tests: the header, frames, and network
// messages packed bit by bit the way the engine packs them.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fenlark::test {

class BitWriter {
public:
    void bits(std::uint32_t value, unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            if (length_ % 8 == 0) {
                bytes_.push_back(0);
            }
            if ((value >> i) & 1) {
                bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | 1u << (length_ % 8));
            }
            ++length_;
        }
    }
    void bit(bool value) { bits(value ? 1 : 0, 1); }
    void string(const std::string& text) {
        for (const char c : text) {
            bits(static_cast<std::uint8_t>(c), 8);
        }
        bits(0, 8);
    }
    void bytes(const std::vector<std::uint8_t>& data) {
        for (const auto byte : data) {
            bits(byte, 8);
        }
    }
    void append(const BitWriter& other) {
        for (std::size_t i = 0; i < other.length_; ++i) {
            bit((other.bytes_[i / 8] >> (i % 8)) & 1);
        }
    }
    std::size_t length() const { return length_; }
    const std::vector<std::uint8_t>& data() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t length_ = 0;
};

// The player record of the userinfo table (132 bytes).
inline std::vector<std::uint8_t> PlayerRecord(const std::string& name, std::int32_t userId,
                                              const std::string& guid, bool bot = false,
                                              bool sourceTv = false) {
    std::vector<std::uint8_t> record(132, 0);
    std::memcpy(record.data(), name.data(), std::min<std::size_t>(name.size(), 31));
    for (int i = 0; i < 4; ++i) {
        record[32 + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(static_cast<std::uint32_t>(userId) >> (8 * i));
    }
    std::memcpy(record.data() + 36, guid.data(), std::min<std::size_t>(guid.size(), 32));
    record[108] = bot ? 1 : 0;
    record[109] = sourceTv ? 1 : 0;
    return record;
}

class SourceDemoWriter {
public:
    explicit SourceDemoWriter(std::int32_t demoProtocol = 3, std::int32_t networkProtocol = 24,
                              const std::string& map = "cp_test", const std::string& game = "tf") {
        bytes_.assign({'H', 'L', '2', 'D', 'E', 'M', 'O', 0});
        int32(demoProtocol);
        int32(networkProtocol);
        text260("localhost:27015");
        text260("Recorder");
        text260(map);
        text260(game);
        float32(1.5f);
        int32(100);
        int32(50);
        int32(0);
    }

    // A sign-on (1) or packet (2) frame holding `messages`.
    void packet(std::uint8_t command, std::int32_t tick, const BitWriter& messages) {
        bytes_.push_back(command);
        int32(tick);
        bytes_.insert(bytes_.end(), 76 + 8, 0);
        int32(static_cast<std::int32_t>(messages.data().size()));
        bytes_.insert(bytes_.end(), messages.data().begin(), messages.data().end());
    }
    void syncTick() {
        bytes_.push_back(3);
        int32(0);
    }
    void stop(std::int32_t tick) {
        bytes_.push_back(7);
        int32(tick);
    }
    void raw(const std::vector<std::uint8_t>& data) {
        bytes_.insert(bytes_.end(), data.begin(), data.end());
    }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

    // Messages --------------------------------------------------------------
    static void serverInfo(BitWriter& out, const std::string& host, std::uint32_t slot,
                           const std::string& game = "tf") {
        out.bits(8, 6);
        out.bits(24, 16);                            // protocol
        out.bits(1, 32);                             // server count
        out.bit(false);                              // SourceTV
        out.bit(true);                               // dedicated
        out.bits(0, 32);                             // client CRC
        out.bits(300, 16);                           // classes
        out.bytes(std::vector<std::uint8_t>(16, 0)); // map hash
        out.bits(slot, 8);
        out.bits(24, 8); // max clients
        float interval = 0.015f;
        std::uint32_t raw = 0;
        std::memcpy(&raw, &interval, 4);
        out.bits(raw, 32);
        out.bits('l', 8);
        out.string(game);
        out.string("cp_test");
        out.string("sky");
        out.string(host);
        out.bit(false); // replay
    }
    struct Entry {
        std::uint32_t index;
        std::vector<std::uint8_t> data; // empty: no user data
    };
    static BitWriter entries(const std::vector<Entry>& list, unsigned entryBits) {
        BitWriter data;
        std::int64_t last = -1;
        for (const auto& entry : list) {
            const bool next = entry.index == last + 1;
            data.bit(next);
            if (!next) {
                data.bits(entry.index, entryBits);
            }
            last = entry.index;
            data.bit(true);  // has string
            data.bit(false); // not from history
            data.string(std::to_string(entry.index));
            data.bit(!entry.data.empty());
            if (!entry.data.empty()) {
                data.bits(static_cast<std::uint32_t>(entry.data.size()), 14);
                data.bytes(entry.data);
            }
        }
        return data;
    }
    // A userinfo table of 256 entries (8 index bits).
    static void createUserInfo(BitWriter& out, const std::vector<Entry>& list) {
        const BitWriter data = entries(list, 8);
        out.bits(12, 6);
        out.string("userinfo");
        out.bits(256, 16);
        out.bits(static_cast<std::uint32_t>(list.size()), 9);
        varInt(out, static_cast<std::uint32_t>(data.length()));
        out.bit(false); // no fixed size
        out.bit(false); // not compressed
        out.append(data);
    }
    static void updateTable(BitWriter& out, std::uint32_t table, const std::vector<Entry>& list) {
        const BitWriter data = entries(list, 8);
        out.bits(13, 6);
        out.bits(table, 5);
        out.bit(true);
        out.bits(static_cast<std::uint32_t>(list.size()), 16);
        out.bits(static_cast<std::uint32_t>(data.length()), 20);
        out.append(data);
    }
    static void userMessage(BitWriter& out, std::uint32_t type, const BitWriter& body) {
        out.bits(23, 6);
        out.bits(type, 8);
        out.bits(static_cast<std::uint32_t>(body.length()), 11);
        out.append(body);
    }
    static void varInt(BitWriter& out, std::uint32_t value) {
        while (value > 0x7f) {
            out.bits((value & 0x7f) | 0x80, 8);
            value >>= 7;
        }
        out.bits(value, 8);
    }

private:
    void int32(std::int32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes_.push_back(
                static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
        }
    }
    void float32(float value) {
        std::uint32_t raw = 0;
        std::memcpy(&raw, &value, 4);
        int32(static_cast<std::int32_t>(raw));
    }
    void text260(const std::string& text) {
        std::vector<std::uint8_t> field(260, 0);
        std::memcpy(field.data(), text.data(), std::min<std::size_t>(text.size(), 259));
        bytes_.insert(bytes_.end(), field.begin(), field.end());
    }

    std::vector<std::uint8_t> bytes_;
};

} // namespace fenlark::test
