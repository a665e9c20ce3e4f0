#pragma once
// Delta-compressed structures of GoldSrc network messages (entity states,
// client data, events). The demo carries their descriptions itself
// (svc_deltadescription: a name and its fields, each field itself written as
// a delta of the fixed "delta_description_t"), so every such message can be
// sized. A delta is: a 3-bit count of mask bytes, the mask bytes, then each
// field whose mask bit is set: a string, or a number of `bits` bits (a sign
// bit and bits - 1 for signed fields).

#include "readers/source/BitReader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fenlark::readers::goldsrc {

struct DeltaField {
    std::uint32_t flags = 0; // DeltaFlag bits
    std::string name;
    std::uint32_t bits = 0;
};

enum DeltaFlag : std::uint32_t {
    DeltaByte = 1u << 0,
    DeltaShort = 1u << 1,
    DeltaFloat = 1u << 2,
    DeltaInteger = 1u << 3,
    DeltaAngle = 1u << 4,
    DeltaTimeWindow8 = 1u << 5,
    DeltaTimeWindowBig = 1u << 6,
    DeltaString = 1u << 7,
    DeltaSigned = 1u << 31,
};

class DeltaDescriptions {
public:
    DeltaDescriptions();
    // Reads an svc_deltadescription body after its name and field count.
    bool readDescription(BitReader& bits, std::string name, std::uint32_t fieldCount);
    // The fields of the description of that name, or nullptr.
    const std::vector<DeltaField>* find(std::string_view name) const;

    // Skips one delta of `fields`; false when it cannot be read.
    static bool skipDelta(BitReader& bits, const std::vector<DeltaField>& fields);

private:
    std::vector<std::pair<std::string, std::vector<DeltaField>>> descriptions_;
};

} // namespace fenlark::readers::goldsrc
