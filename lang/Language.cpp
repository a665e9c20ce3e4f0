#include "lang/Language.h"

#include "core/Files.h"

#include <sstream>

namespace fenlark {

namespace {

constexpr std::size_t TextNumberDigits = 3;
constexpr const char* FallbackLanguage = "1";

} // namespace

std::map<std::string, std::string> ParseLanguageTable(const std::string& content) {
    std::map<std::string, std::string> table;
    std::istringstream lines(content);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0) {
            continue;
        }
        // "\n" in a text stands for a line break.
        std::string text;
        const std::string raw = line.substr(equals + 1);
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == 'n') {
                text += "\r\n";
                ++i;
            } else {
                text += raw[i];
            }
        }
        table.emplace(line.substr(0, equals), std::move(text));
    }
    return table;
}

bool Language::CheckFile(const std::string& path) const {
    return IsReadableFile(path);
}

const std::map<std::string, std::string>* Language::tableFor(const std::string& folder) {
    if (!loaded_ || loadedFolder_ != folder) {
        loaded_ = true;
        loadedFolder_ = folder;
        table_.reset();
        if (auto content = ReadWholeFile(folder + LanguageTableFileName)) {
            table_ = ParseLanguageTable(*content);
        }
    }
    return table_ ? &*table_ : nullptr;
}

std::optional<std::string> Language::GetText(const std::string& id, const std::string& folder) {
    const auto* table = tableFor(folder);
    if (table == nullptr) {
        return std::nullopt;
    }
    if (auto found = table->find(id); found != table->end()) {
        return found->second;
    }
    if (id.size() >= TextNumberDigits) {
        const std::string fallback = FallbackLanguage + id.substr(id.size() - TextNumberDigits);
        if (auto found = table->find(fallback); found != table->end()) {
            return found->second;
        }
    }
    return std::nullopt;
}

} // namespace fenlark
