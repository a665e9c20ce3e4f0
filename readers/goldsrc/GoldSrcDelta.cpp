#include "readers/goldsrc/GoldSrcDelta.h"

namespace fenlark::readers::goldsrc {

namespace {

// A game has a handful of descriptions with a few dozen fields each.
constexpr std::size_t MaxDescriptions = 64;
constexpr std::uint32_t MaxFields = 1024;
constexpr std::size_t MaxFieldName = 128;

// The description of descriptions: its field order is fixed by the engine.
std::vector<DeltaField> MetaDescription() {
    return {
        {DeltaInteger, "flags", 32},     {DeltaString, "name", 8},  {DeltaInteger, "offset", 16},
        {DeltaInteger, "size", 8},       {DeltaInteger, "bits", 8}, {DeltaFloat, "divisor", 32},
        {DeltaFloat, "premultiply", 32},
    };
}

enum MetaField : std::size_t { MetaFlags = 0, MetaName = 1, MetaBits = 4 };

// Reads the mask of a delta: which fields follow.
bool ReadMask(BitReader& bits, std::uint64_t& mask) {
    const std::uint32_t bytes = bits.bits(3);
    mask = 0;
    for (std::uint32_t i = 0; i < bytes; ++i) {
        mask |= std::uint64_t{bits.u8()} << (8 * i);
    }
    return !bits.overrun();
}

bool SkipField(BitReader& bits, const DeltaField& field) {
    if (field.flags & DeltaString) {
        bits.skipString();
        return true;
    }
    if (field.bits == 0 || field.bits > 32) {
        return false;
    }
    bits.skip(field.bits); // a signed field is a sign bit and bits - 1
    return true;
}

} // namespace

DeltaDescriptions::DeltaDescriptions() {
    descriptions_.emplace_back("delta_description_t", MetaDescription());
}

const std::vector<DeltaField>* DeltaDescriptions::find(std::string_view name) const {
    for (const auto& [known, fields] : descriptions_) {
        if (known == name) {
            return &fields;
        }
    }
    return nullptr;
}

bool DeltaDescriptions::skipDelta(BitReader& bits, const std::vector<DeltaField>& fields) {
    std::uint64_t mask = 0;
    if (!ReadMask(bits, mask)) {
        return false;
    }
    for (std::size_t i = 0; i < fields.size() && i < 64; ++i) {
        if ((mask >> i & 1) != 0 && !SkipField(bits, fields[i])) {
            return false;
        }
    }
    return !bits.overrun();
}

bool DeltaDescriptions::readDescription(BitReader& bits, std::string name,
                                        std::uint32_t fieldCount) {
    if (fieldCount > MaxFields) {
        return false;
    }
    const std::vector<DeltaField> meta = MetaDescription();
    std::vector<DeltaField> fields;
    fields.reserve(fieldCount);
    for (std::uint32_t n = 0; n < fieldCount; ++n) {
        std::uint64_t mask = 0;
        if (!ReadMask(bits, mask)) {
            return false;
        }
        DeltaField field;
        for (std::size_t i = 0; i < meta.size(); ++i) {
            if ((mask >> i & 1) == 0) {
                continue;
            }
            if (i == MetaName) {
                field.name = bits.string(MaxFieldName);
            } else if (i == MetaFlags) {
                field.flags = bits.bits(32);
            } else if (i == MetaBits) {
                field.bits = bits.bits(8);
            } else {
                bits.skip(meta[i].bits);
            }
        }
        fields.push_back(std::move(field));
    }
    if (bits.overrun()) {
        return false;
    }
    for (auto& [known, existing] : descriptions_) {
        if (known == name) {
            existing = std::move(fields);
            return true;
        }
    }
    if (descriptions_.size() >= MaxDescriptions) {
        return false;
    }
    descriptions_.emplace_back(std::move(name), std::move(fields));
    return true;
}

} // namespace fenlark::readers::goldsrc
