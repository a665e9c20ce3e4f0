#pragma once
// A language component for tests below the real one: every id has the text
// "text <id>" unless the test takes the table away. Files are checked as the
// real component checks them.

#include "core/Files.h"
#include "core/LanguageTexts.h"

namespace fenlark::test {

class StubLanguage : public LanguageTexts {
public:
    bool CheckFile(const std::string& path) const override { return IsReadableFile(path); }
    std::optional<std::string> GetText(const std::string& id, const std::string&) override {
        if (!tableAvailable) {
            return std::nullopt;
        }
        return "text " + id;
    }

    bool tableAvailable = true;
};

} // namespace fenlark::test
