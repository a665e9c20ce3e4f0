#pragma once
// A delta sink that keeps everything a decoder hands it.

#include "demoreader/Delta.h"

#include <cstdint>
#include <tuple>
#include <utility>
#include <vector>

namespace fenlark::test {

// (array, element, value) and (entity number, field, value).
using PlayerArrayValue = std::tuple<unsigned, unsigned, std::int32_t>;
using EntityFieldValue = std::tuple<unsigned, unsigned, std::uint32_t>;

struct RecordingSink {
    demoreader::SnapshotHeader header;
    std::vector<std::pair<unsigned, std::uint32_t>> player;
    std::vector<PlayerArrayValue> arrays;
    std::vector<std::pair<unsigned, demoreader::EntityChange>> entities;
    std::vector<EntityFieldValue> entityFields;

    void snapshotHeader(const demoreader::SnapshotHeader& value) { header = value; }
    void playerField(unsigned index, std::uint32_t value) { player.emplace_back(index, value); }
    void playerArray(unsigned array, unsigned index, std::int32_t value) {
        arrays.emplace_back(array, index, value);
    }
    void entity(unsigned number, demoreader::EntityChange change) {
        entities.emplace_back(number, change);
    }
    void entityField(unsigned number, unsigned index, std::uint32_t value) {
        entityFields.emplace_back(number, index, value);
    }
};

} // namespace fenlark::test
