#include "gamedef/DefinitionReader.h"
#include "gamedef/TextCase.h"

#include <fstream>
#include <sstream>
#include <string_view>

namespace fenlark {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::string CleanValue(std::string_view value) {
    value = Trim(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    if (value.size() > MaxDefinitionValueLength)
        value = value.substr(0, MaxDefinitionValueLength);
    return std::string(value);
}

} // namespace

std::string ReadDefinitionValueFromText(const std::string& content, const std::string& section,
                                        const std::string& key, const std::string& defaultText) {
    const std::string_view wantedSection = Trim(section);
    const std::string_view wantedKey = Trim(key);
    bool sectionSeen = false;
    bool inSection = false;
    std::size_t lineStart = 0;
    while (lineStart <= content.size()) {
        std::size_t lineEnd = content.find('\n', lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = content.size();
        const std::string_view line =
            Trim(std::string_view(content).substr(lineStart, lineEnd - lineStart));
        lineStart = lineEnd + 1;

        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            // Only the first section of a name counts: once it has ended, the
            // key is not looked for in a later one.
            if (inSection)
                return defaultText;
            const std::size_t close = line.find(']');
            const std::string_view name =
                Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1));
            inSection = !sectionSeen && EqualIgnoringCase(name, wantedSection);
            sectionSeen = sectionSeen || inSection;
            continue;
        }
        if (!inSection)
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        if (EqualIgnoringCase(Trim(line.substr(0, equals)), wantedKey))
            return CleanValue(line.substr(equals + 1));
    }
    return defaultText;
}

std::string ReadDefinitionValue(const std::string& definitionPath, const std::string& section,
                                const std::string& key, const std::string& defaultText) {
    std::ifstream file(definitionPath, std::ios::binary);
    if (!file)
        return defaultText;
    std::ostringstream content;
    content << file.rdbuf();
    return ReadDefinitionValueFromText(content.str(), section, key, defaultText);
}

} // namespace fenlark
