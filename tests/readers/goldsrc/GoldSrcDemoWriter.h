#pragma once
// Writes small GoldSrc demos for tests: header, segments of frames, the
// directory, and byte-aligned server messages.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fenlark::test {

class Bytes {
public:
    Bytes& u8(std::uint32_t value) {
        data_.push_back(static_cast<std::uint8_t>(value));
        return *this;
    }
    Bytes& i16(std::int32_t value) {
        u8(static_cast<std::uint32_t>(value) & 0xff);
        return u8(static_cast<std::uint32_t>(value) >> 8 & 0xff);
    }
    Bytes& i32(std::int32_t value) {
        for (int i = 0; i < 4; ++i) {
            u8(static_cast<std::uint32_t>(value) >> (8 * i) & 0xff);
        }
        return *this;
    }
    Bytes& f32(float value) {
        std::uint32_t raw = 0;
        std::memcpy(&raw, &value, 4);
        return i32(static_cast<std::int32_t>(raw));
    }
    Bytes& string(const std::string& text) {
        data_.insert(data_.end(), text.begin(), text.end());
        return u8(0);
    }
    Bytes& fixed(const std::string& text, std::size_t size) {
        std::vector<std::uint8_t> field(size, 0);
        std::memcpy(field.data(), text.data(), std::min(text.size(), size - 1));
        data_.insert(data_.end(), field.begin(), field.end());
        return *this;
    }
    Bytes& append(const Bytes& other) {
        data_.insert(data_.end(), other.data_.begin(), other.data_.end());
        return *this;
    }
    std::size_t size() const { return data_.size(); }
    const std::vector<std::uint8_t>& data() const { return data_; }
    std::vector<std::uint8_t>& data() { return data_; }

private:
    std::vector<std::uint8_t> data_;
};

// Messages.
inline Bytes ServerInfo(const std::string& host, std::uint32_t maxPlayers, std::uint32_t slot) {
    Bytes out;
    out.u8(11).i32(48).i32(1).i32(0).fixed("", 16).u8(maxPlayers).u8(slot).u8(1);
    out.string("cstrike").string(host).string("maps/de_test.bsp").string("").u8(0);
    return out;
}
inline Bytes UserInfo(std::uint32_t slot, std::int32_t userId, const std::string& info) {
    Bytes out;
    out.u8(13).u8(slot).i32(userId).string(info).fixed("", 16);
    return out;
}
inline Bytes NewUserMessage(std::uint32_t index, std::int32_t size, const std::string& name) {
    Bytes out;
    out.u8(39).u8(index).u8(static_cast<std::uint32_t>(size) & 0xff).fixed(name, 16);
    return out;
}
// A game message of variable size (a length byte first).
inline Bytes GameMessage(std::uint32_t index, const Bytes& body) {
    Bytes out;
    out.u8(index).u8(static_cast<std::uint32_t>(body.size())).append(body);
    return out;
}

class GoldSrcDemoWriter {
public:
    explicit GoldSrcDemoWriter(std::int32_t demoProtocol = 5) {
        file_.fixed("HLDEMO", 8).i32(demoProtocol).i32(48).fixed("de_test", 260);
        file_.fixed("cstrike", 260).i32(0).i32(0);
    }
    void beginSegment(const std::string& title) {
        segments_.push_back({title, static_cast<std::int32_t>(file_.size()), 0, 0});
    }
    void netFrame(float time, const Bytes& messages) {
        frameHeader(1, time);
        file_.fixed("", 464);
        file_.i32(static_cast<std::int32_t>(messages.size())).append(messages);
    }
    void endSegment(float time) {
        frameHeader(5, time);
        segments_.back().time = time;
        segments_.back().length = static_cast<std::int32_t>(file_.size()) - segments_.back().offset;
    }
    // Writes the directory and its offset; returns the file.
    std::vector<std::uint8_t> finish() {
        const auto directory = static_cast<std::int32_t>(file_.size());
        file_.i32(static_cast<std::int32_t>(segments_.size()));
        for (std::size_t i = 0; i < segments_.size(); ++i) {
            const auto& segment = segments_[i];
            file_.i32(static_cast<std::int32_t>(i)).fixed(segment.title, 64).i32(0).i32(-1);
            file_.f32(segment.time).i32(segment.frames).i32(segment.offset).i32(segment.length);
        }
        auto bytes = file_.data();
        for (int i = 0; i < 4; ++i) {
            bytes[540 + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(static_cast<std::uint32_t>(directory) >> (8 * i));
        }
        return bytes;
    }
    std::vector<std::uint8_t> withoutDirectory() const { return file_.data(); }

private:
    struct Segment {
        std::string title;
        std::int32_t offset;
        std::int32_t length;
        float time;
        std::int32_t frames = 0;
    };
    void frameHeader(std::uint8_t kind, float time) {
        file_.u8(kind).f32(time).i32(segments_.back().frames++);
    }
    Bytes file_;
    std::vector<Segment> segments_;
};

} // namespace fenlark::test
