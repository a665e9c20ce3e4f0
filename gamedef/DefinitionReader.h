#pragma once
// Reading one value of a game-definition file (INI syntax).
//
// The rules: the first section and the first key of that name count, names are
// compared ignoring letter case, blanks around a value are dropped and a pair of
// matching quotes around it is removed, a value is cut after 1023 characters,
// lines that begin with ";" are comments, and a missing file, section or key
// yields the default. A key present with an empty value yields "". Nothing else
// is special: no inline comments, no continuation lines, no escapes.

#include <string>

namespace fenlark {

inline constexpr std::size_t MaxDefinitionValueLength = 1023;

std::string ReadDefinitionValue(const std::string& definitionPath, const std::string& section,
                                const std::string& key, const std::string& defaultText);

// The same rules on text already in memory (for tests and for callers that
// read one file many times).
std::string ReadDefinitionValueFromText(const std::string& content, const std::string& section,
                                        const std::string& key, const std::string& defaultText);

} // namespace fenlark
