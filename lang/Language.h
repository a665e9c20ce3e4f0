#pragma once
// The language component: dialog titles and messages by text id, looked up in
// the text table shipped beside the program's folder.

#include "core/LanguageTexts.h"

#include <map>
#include <optional>
#include <string>

namespace fenlark {

inline constexpr const char* LanguageTableFileName = "fenlark-texts.lng";

class Language : public LanguageTexts {
public:
    bool CheckFile(const std::string& path) const override;

    // The text of `id` (language number followed by a three-digit text number)
    // from the table in `folder`. An id without a text falls back to the
    // language 1 text of the same number. std::nullopt when neither exists or
    // the table cannot be read.
    std::optional<std::string> GetText(const std::string& id, const std::string& folder) override;

private:
    const std::map<std::string, std::string>* tableFor(const std::string& folder);

    std::string loadedFolder_;
    bool loaded_ = false;
    std::optional<std::map<std::string, std::string>> table_;
};

// Parses a text table: "ID=text" lines, "#" comments, UTF-8 text that is
// converted to the one-byte-per-character form the core uses.
std::map<std::string, std::string> ParseLanguageTable(const std::string& content);

} // namespace fenlark
