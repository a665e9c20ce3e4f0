#include "DemoWriter.h"

#include "demoreader/Huffman.h"

#include <bit>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace fenlark::test {

std::uint32_t FloatBits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

MessageWriter::MessageWriter(int protocol) : protocol_(&demoreader::ProtocolByNumber(protocol)) {
    if (protocol_->oldFormat) {
        throw std::invalid_argument("the writer knows only the Huffman-coded protocols");
    }
}

void MessageWriter::bit(bool value) {
    if (bitCount_ % 8 == 0) {
        bytes_.push_back(0);
    }
    if (value) {
        bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | 1u << (bitCount_ % 8));
    }
    ++bitCount_;
}

void MessageWriter::symbol(unsigned symbol) {
    for (const char c : demoreader::HuffmanCodes.at(symbol)) {
        bit(c == '1');
    }
}

void MessageWriter::bits(std::uint32_t value, unsigned count) {
    const unsigned rawCount = count % 8;
    for (unsigned i = 0; i < rawCount; ++i) {
        bit((value >> i & 1u) != 0);
    }
    for (unsigned shift = rawCount; shift < count; shift += 8) {
        symbol(value >> shift & 0xFFu);
    }
}

void MessageWriter::string(std::string_view text) {
    for (const char c : text) {
        byte(static_cast<unsigned char>(c));
    }
    byte(0);
}

void MessageWriter::field(int width, bool entity, std::uint32_t value) {
    if (width == 0) {
        const float number = std::bit_cast<float>(value);
        if (entity) {
            bit(number != 0.0f);
            if (number == 0.0f) {
                return;
            }
        }
        const float whole = std::trunc(number);
        if (whole == number && number >= -4096.0f && number <= 4095.0f) {
            bit(false);
            bits(static_cast<std::uint32_t>(static_cast<int>(number) + 4096), 13);
        } else {
            bit(true);
            bits(value, 32);
        }
        return;
    }
    if (entity) {
        bit(value != 0);
        if (value == 0) {
            return;
        }
    }
    bits(value, static_cast<unsigned>(width < 0 ? -width : width));
}

void MessageWriter::entityDelta(const EntityDelta& entity) {
    bits(entity.number, 10);
    bit(entity.kind == EntityDelta::Kind::Removed);
    if (entity.kind == EntityDelta::Kind::Removed) {
        return;
    }
    bit(entity.kind == EntityDelta::Kind::Changed);
    if (entity.kind != EntityDelta::Kind::Changed) {
        return;
    }
    int count = entity.fieldCount;
    if (count < 0) {
        count = 0;
        for (const Field& f : entity.fields) {
            count = std::max(count, static_cast<int>(f.index) + 1);
        }
    }
    byte(count);
    for (int i = 0; i < count; ++i) {
        const Field* changed = nullptr;
        for (const Field& f : entity.fields) {
            if (static_cast<int>(f.index) == i) {
                changed = &f;
            }
        }
        bit(changed != nullptr);
        if (changed != nullptr) {
            field(protocol_->entityFields[static_cast<std::size_t>(i)].bits, true, changed->value);
        }
    }
}

void MessageWriter::playerDelta(const PlayerDelta& player) {
    int count = player.fieldCount;
    if (count < 0) {
        count = 0;
        for (const Field& f : player.fields) {
            count = std::max(count, static_cast<int>(f.index) + 1);
        }
    }
    byte(count);
    for (int i = 0; i < count; ++i) {
        const Field* changed = nullptr;
        for (const Field& f : player.fields) {
            if (static_cast<int>(f.index) == i) {
                changed = &f;
            }
        }
        bit(changed != nullptr);
        if (changed != nullptr) {
            field(protocol_->playerFields[static_cast<std::size_t>(i)].bits, false, changed->value);
        }
    }
    bool anyArray = false;
    for (const auto& array : player.arrays) {
        anyArray = anyArray || !array.empty();
    }
    bit(anyArray);
    if (!anyArray) {
        return;
    }
    for (std::size_t group = 0; group < player.arrays.size(); ++group) {
        const auto& array = player.arrays[group];
        bit(!array.empty());
        if (array.empty()) {
            continue;
        }
        std::uint32_t mask = 0;
        for (const auto& [index, value] : array) {
            mask |= 1u << index;
        }
        shortValue(static_cast<int>(mask));
        for (unsigned index = 0; index < 16; ++index) {
            for (const auto& [i, value] : array) {
                if (i == index) {
                    bits(static_cast<std::uint32_t>(value), group == 3 ? 32 : 16);
                }
            }
        }
    }
}

void MessageWriter::gamestate(const Gamestate& gamestate) {
    byte(2);
    longValue(gamestate.commandSequence);
    for (const auto& [index, text] : gamestate.configstrings) {
        byte(3);
        shortValue(index);
        string(text);
    }
    for (const EntityDelta& baseline : gamestate.baselines) {
        byte(4);
        entityDelta(baseline);
    }
    byte(8);
    longValue(gamestate.clientNumber);
    longValue(gamestate.checksumFeed);
}

void MessageWriter::serverCommand(std::int32_t sequence, std::string_view text) {
    byte(5);
    longValue(sequence);
    string(text);
}

void MessageWriter::snapshot(const Snapshot& snapshot) {
    byte(7);
    longValue(snapshot.serverTime);
    byte(snapshot.deltaNumber);
    byte(snapshot.flags);
    byte(static_cast<int>(snapshot.areaMask.size()));
    for (const std::uint8_t b : snapshot.areaMask) {
        byte(b);
    }
    playerDelta(snapshot.player);
    for (const EntityDelta& entity : snapshot.entities) {
        entityDelta(entity);
    }
    bits(1023, 10);
}

std::vector<std::uint8_t> MessageWriter::finish() const {
    std::vector<std::uint8_t> payload = bytes_;
    payload.resize(bitCount_ / 8 + 1, 0);
    return payload;
}

std::vector<std::uint8_t> GamestateMessage(const Gamestate& gamestate, int protocol) {
    MessageWriter writer(protocol);
    writer.acknowledge();
    writer.gamestate(gamestate);
    writer.end();
    return writer.finish();
}

std::vector<std::uint8_t>
SnapshotMessage(const Snapshot& snapshot, int protocol,
                const std::vector<std::pair<std::int32_t, std::string>>& commands) {
    MessageWriter writer(protocol);
    writer.acknowledge();
    for (const auto& [sequence, text] : commands) {
        writer.serverCommand(sequence, text);
    }
    writer.snapshot(snapshot);
    writer.end();
    return writer.finish();
}

namespace {
void AppendLong(std::string& out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>(u >> shift & 0xFFu));
    }
}
} // namespace

DemoBuilder& DemoBuilder::record(std::int32_t sequence, const std::vector<std::uint8_t>& payload) {
    header(sequence, static_cast<std::int32_t>(payload.size()));
    bytes_.append(payload.begin(), payload.end());
    return *this;
}

DemoBuilder& DemoBuilder::header(std::int32_t sequence, std::int32_t length) {
    AppendLong(bytes_, sequence);
    AppendLong(bytes_, length);
    return *this;
}

DemoBuilder& DemoBuilder::raw(std::string_view bytes) {
    bytes_.append(bytes);
    return *this;
}

DemoBuilder& DemoBuilder::endMarker() {
    return header(-1, -1);
}

std::string DemoBuilder::writeTo(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes_.data(), static_cast<std::streamsize>(bytes_.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
    return path;
}

} // namespace fenlark::test
