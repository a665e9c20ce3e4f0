#pragma once
// The language component as the rest of the tool sees it: dialog titles and
// messages looked up by text id, and a check that a file can be read. The
// component itself lives above the core (lang/); the session reaches it
// through this port.

#include <cstdint>
#include <optional>
#include <string>

namespace fenlark {

// The texts the tool shows, by their number in the text table.
enum class LanguageText : std::uint16_t {
    DemoUnreadable = 85,              // a probed demo is missing or empty
    NoMatchingDefinition = 86,        // no game definition accepts the demo
    SaveDemoLogTitle = 183,           // title of the demo log's save dialog
    LoadDemoTitle = 184,              // title of the Load Demo dialog
    UnsupportedInformationType = 185, // the definition names an unknown type
    LogWouldReplaceDemo = 186,        // the chosen log file is the demo itself
    LogNotWritten = 187,              // the log file cannot be written (reason follows)
    OutOfMemory = 188                 // a load or log needed more memory than there is
};

// The text id: the language number in decimal followed by the text's number
// in three digits (0 and LoadDemoTitle give "0184").
std::string LanguageTextId(std::int16_t languageNumber, LanguageText text);

class LanguageTexts {
public:
    virtual ~LanguageTexts() = default;
    LanguageTexts() = default;
    LanguageTexts(const LanguageTexts&) = delete;
    LanguageTexts& operator=(const LanguageTexts&) = delete;

    // True when `path` names an existing, readable file.
    virtual bool CheckFile(const std::string& path) const = 0;
    // The text of `id` from the table in `folder`; std::nullopt when there is
    // none or the table cannot be read.
    virtual std::optional<std::string> GetText(const std::string& id,
                                               const std::string& folder) = 0;
};

} // namespace fenlark
