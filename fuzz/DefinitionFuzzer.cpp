// Arbitrary bytes read as a game definition. The input is
// "SECTION\nKEY\n" followed by the definition text; the value of that key is
// read, and so are the keys every load reads, so that both the lookup of
// names taken from the input and the usual lookups meet any text.

#include "gamedef/DefinitionNames.h"
#include "gamedef/DefinitionReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

std::string_view TakeLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return line;
}

// Keeps the values alive so that the reads are not optimised away.
void Check(const std::string& value) {
    static volatile std::size_t total = 0;
    total = total + value.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string section(TakeLine(input));
    const std::string key(TakeLine(input));
    const std::string content(input);

    using namespace fenlark;
    Check(ReadDefinitionValueFromText(content, section, key, "fallback"));
    Check(ReadDefinitionValueFromText(content, definition::GameSection, definition::DemoExtensions,
                                      ""));
    Check(ReadDefinitionValueFromText(content, definition::GameSection, definition::GameName, ""));
    Check(ReadDefinitionValueFromText(content,
                                      std::string(definition::InformationSectionPrefix) + key,
                                      definition::InformationTypeKey, "0"));
    return 0;
}
