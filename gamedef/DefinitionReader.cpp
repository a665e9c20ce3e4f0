#include "gamedef/DefinitionReader.h"

#include "core/Files.h"
#include "core/TextCase.h"
#include "core/Trim.h"

#include <string_view>

namespace fenlark {

namespace {

std::string CleanValue(std::string_view value) {
    value = TrimLine(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    if (value.size() > MaxDefinitionValueLength) {
        value = value.substr(0, MaxDefinitionValueLength);
    }
    return std::string(value);
}

} // namespace

std::string ReadDefinitionValueFromText(const std::string& content, const std::string& section,
                                        const std::string& key, const std::string& defaultText) {
    const std::string_view wantedSection = TrimLine(section);
    const std::string_view wantedKey = TrimLine(key);
    bool sectionSeen = false;
    bool inSection = false;
    std::size_t lineStart = 0;
    while (lineStart <= content.size()) {
        std::size_t lineEnd = content.find('\n', lineStart);
        if (lineEnd == std::string::npos) {
            lineEnd = content.size();
        }
        const std::string_view line =
            TrimLine(std::string_view(content).substr(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;

        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            // Only the first section of a name counts: once it has ended, the
            // key is not looked for in a later one.
            if (inSection) {
                return defaultText;
            }
            const std::size_t close = line.find(']');
            const std::string_view name =
                TrimLine(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            inSection = !sectionSeen && EqualIgnoringCase(name, wantedSection);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection) {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        if (EqualIgnoringCase(TrimLine(line.substr(0, equals)), wantedKey)) {
            return CleanValue(line.substr(equals + 1));
        }
    }
    return defaultText;
}

std::string ReadDefinitionValue(const std::string& definitionPath, const std::string& section,
                                const std::string& key, const std::string& defaultText) {
    const std::optional<std::string> content = ReadWholeFile(definitionPath);
    if (!content) {
        return defaultText;
    }
    return ReadDefinitionValueFromText(*content, section, key, defaultText);
}

} // namespace fenlark
