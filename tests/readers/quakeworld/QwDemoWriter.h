#pragma once
// Crafted QuakeWorld demos: MVD records and .qwd records around messages
// built with ByteWriter, and the usual messages of a server.

#include "readers/EngineReport.h"
#include "tests/readers/quake/ByteWriter.h"

#include <string>
#include <string_view>

namespace fenlark::readers::testing {

struct MvdWriter {
    ByteWriter file;
    // One record: time delta, type (with the player in the high bits for
    // dem_single), the mask for dem_multiple, length and messages.
    MvdWriter& record(unsigned delta, unsigned command, const ByteWriter& messages,
                      std::uint32_t mask = 0) {
        file.u8(delta).u8(command);
        if ((command & 7) == 3) {
            file.u32(mask);
        }
        file.i32(static_cast<std::int32_t>(messages.bytes.size())).raw(messages.bytes);
        return *this;
    }
    MvdWriter& all(unsigned delta, const ByteWriter& messages) {
        return record(delta, 6, messages);
    }
    MvdWriter& single(unsigned delta, unsigned player, const ByteWriter& messages) {
        return record(delta, 4 | (player << 3), messages);
    }
};

struct QwdWriter {
    ByteWriter file;
    QwdWriter& read(float time, const ByteWriter& messages) {
        file.f32(time).u8(1).i32(static_cast<std::int32_t>(messages.bytes.size() + 8));
        file.u32(1).u32(1).raw(messages.bytes);
        return *this;
    }
    QwdWriter& move(float time) {
        file.f32(time).u8(0).zeros(36);
        return *this;
    }
};

// svc_serverdata of an MVD (demoTime set) or of a .qwd (player set).
inline ByteWriter& ServerData(ByteWriter& w, std::string_view level, std::uint32_t fte = 0,
                              std::uint32_t mvd = 0, int player = -1) {
    w.u8(11);
    if (fte != 0) {
        w.u32(0x58455446).u32(fte);
    }
    if (mvd != 0) {
        w.u32(0x3144564d).u32(mvd);
    }
    w.i32(28).i32(7).str("qw");
    if (player < 0) {
        w.f32(12.5f);
    } else {
        w.u8(static_cast<unsigned>(player));
    }
    w.str(level);
    for (int i = 0; i < 10; ++i) {
        w.f32(1.0f);
    }
    return w;
}

inline ByteWriter& StuffText(ByteWriter& w, std::string_view text) {
    return w.u8(9).str(text);
}
inline ByteWriter& Print(ByteWriter& w, unsigned level, std::string_view text) {
    return w.u8(8).u8(level).str(text);
}
inline ByteWriter& UserInfo(ByteWriter& w, unsigned slot, std::int32_t userId,
                            std::string_view info) {
    return w.u8(40).u8(slot).i32(userId).str(info);
}
inline ByteWriter& Frags(ByteWriter& w, unsigned slot, int frags) {
    return w.u8(14).u8(slot).u16(static_cast<unsigned>(frags) & 0xffff);
}
inline ByteWriter& ModelList(ByteWriter& w, std::string_view map) {
    return w.u8(45).u8(0).str(map).str("progs/player.mdl").str("").u8(0);
}

// The whole-file reading of a crafted demo.
inline EngineReport ReadBytes(EngineReaderFunction read, const ByteWriter& file,
                              ReadDepth depth = ReadDepth::WholeFile) {
    MemorySource source(file.bytes);
    return read(source, depth);
}

inline const ReportedPlayer* FindPlayer(const EngineReport& report, std::string_view name) {
    for (const ReportedPlayer& player : report.players) {
        if (player.name == name) {
            return &player;
        }
    }
    return nullptr;
}

inline std::string Detail(const ReportedPlayer& player, std::string_view label) {
    for (const auto& [key, value] : player.details) {
        if (key == label) {
            return value;
        }
    }
    return {};
}

} // namespace fenlark::readers::testing
