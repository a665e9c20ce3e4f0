#include "NamedFields.h"

#include "demoreader/Protocol.h"

#include <stdexcept>
#include <string>

namespace fenlark::test {
namespace {

Field Named(std::span<const demoreader::FieldInfo> fields, std::string_view name,
            std::uint32_t value) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name == name) {
            return {static_cast<unsigned>(i), value};
        }
    }
    throw std::invalid_argument("no field " + std::string(name));
}

} // namespace

Field EntityField(int protocol, std::string_view name, std::uint32_t value) {
    return Named(demoreader::ProtocolByNumber(protocol).entityFields, name, value);
}

Field PlayerField(int protocol, std::string_view name, std::uint32_t value) {
    return Named(demoreader::ProtocolByNumber(protocol).playerFields, name, value);
}

} // namespace fenlark::test
