#include "readers/source/SourcePlayerInfo.h"

#include "readers/source/SourceText.h"

#include <string_view>

namespace fenlark::readers::source {

namespace {

constexpr std::size_t NameOffset = 0;
constexpr std::size_t NameSize = 32;
constexpr std::size_t UserIdOffset = 32;
constexpr std::size_t GuidOffset = 36;
constexpr std::size_t GuidSize = 33;
constexpr std::size_t FriendsIdOffset = 72;
constexpr std::size_t FakePlayerOffset = 108;
constexpr std::size_t SourceTvOffset = 109;
constexpr std::size_t MinimumSize = SourceTvOffset + 1;

std::string_view FixedString(std::span<const std::uint8_t> data, std::size_t offset,
                             std::size_t size) {
    const auto* begin = reinterpret_cast<const char*>(data.data() + offset);
    std::size_t length = 0;
    while (length < size && begin[length] != 0) {
        ++length;
    }
    return {begin, length};
}

std::uint32_t U32(std::span<const std::uint8_t> data, std::size_t offset) {
    return std::uint32_t{data[offset]} | std::uint32_t{data[offset + 1]} << 8 |
           std::uint32_t{data[offset + 2]} << 16 | std::uint32_t{data[offset + 3]} << 24;
}

} // namespace

std::optional<SourcePlayerInfo> DecodePlayerInfo(std::span<const std::uint8_t> data) {
    if (data.size() < MinimumSize) {
        return std::nullopt;
    }
    SourcePlayerInfo info;
    info.name = DisplayText(FixedString(data, NameOffset, NameSize));
    info.userId = static_cast<std::int32_t>(U32(data, UserIdOffset));
    info.guid = DisplayText(FixedString(data, GuidOffset, GuidSize));
    info.friendsId = U32(data, FriendsIdOffset);
    info.fakePlayer = data[FakePlayerOffset] != 0;
    info.sourceTv = data[SourceTvOffset] != 0;
    return info;
}

} // namespace fenlark::readers::source
