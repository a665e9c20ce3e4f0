#pragma once
// Reading the values of a game-definition file (INI syntax).
//
// The rules: the first section and the first key of that name count, names are
// compared ignoring letter case, blanks around a value are dropped and a pair of
// matching quotes around it is removed, a value is cut after 1023 bytes (never
// inside a character), lines that begin with ";" are comments, and a missing
// file, section or key yields the default. A key present with an empty value
// yields "". Nothing else is special: no inline comments, no continuation
// lines, no escapes.
//
// The file's text is UTF-8 when it is valid UTF-8 (a byte-order mark is
// dropped) and Windows-1252 otherwise; values are always returned as UTF-8.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace fenlark {

inline constexpr std::size_t MaxDefinitionValueLength = 1023;

// One definition file, parsed once: its sections and their keys.
class DefinitionFile {
public:
    // Parses the bytes of a definition file.
    explicit DefinitionFile(std::string_view fileBytes);

    // The value of `key` in the first section named `section`; nullptr when
    // there is none.
    const std::string* find(std::string_view section, std::string_view key) const;

    // The keys of the first section named `section`, first of each name
    // only, in file order (names as written, trimmed).
    std::vector<std::string> keys(std::string_view section) const;

    // About the bytes this file's keys and values hold, for the cache's bound.
    std::size_t footprint() const { return footprint_; }

private:
    struct Section {
        std::vector<std::pair<std::string, std::string>> entries; // key, value
        std::unordered_map<std::string, std::size_t> byLowerKey;
    };
    std::unordered_map<std::string, Section> sections_; // by lower-case name
    std::size_t footprint_ = 0;
};

// The parsed definition file at `path`, or nullptr when it cannot be read.
// Files are parsed once and kept until they change on disk, so a load that
// looks up many keys reads each file once.
std::shared_ptr<const DefinitionFile> LoadDefinitionFile(const std::string& path);

// While one is alive on a thread, each definition file read on that thread is
// checked against the disk once and then taken as it was: a demo's load sees
// one version of every file it reads, and its many lookups do not ask the file
// system for the file's stamp each time. Scopes may nest; the files are
// checked again once the outermost one ends.
class DefinitionReadScope {
public:
    DefinitionReadScope();
    ~DefinitionReadScope();
    DefinitionReadScope(const DefinitionReadScope&) = delete;
    DefinitionReadScope& operator=(const DefinitionReadScope&) = delete;
};

std::string ReadDefinitionValue(const std::string& definitionPath, const std::string& section,
                                const std::string& key, const std::string& defaultText);

// The same rules on the bytes of a file already in memory.
std::string ReadDefinitionValueFromText(const std::string& content, const std::string& section,
                                        const std::string& key, const std::string& defaultText);

// The alternatives of a value that names several, separated by ";;"
// ("protocol;;com_protocol"), in order; blanks around each are dropped and
// empty ones between separators left out. A value without ";;" is one name,
// even when empty.
std::vector<std::string> DefinitionAlternatives(std::string_view value);

} // namespace fenlark
