#include "lang/Language.h"

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fenlark {

namespace {

// UTF-8 to one byte per character (Latin-1); characters beyond Latin-1 become "?".
std::string Utf8ToLatin1(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            result += static_cast<char>(lead);
            ++i;
            continue;
        }
        std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        unsigned code = length == 2 ? (lead & 0x1Fu) : length == 3 ? (lead & 0x0Fu) : 0u;
        bool valid = length > 1 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0u) == 0x80u;
            code = (code << 6) | (next & 0x3Fu);
        }
        result += valid && code <= 0xFF ? static_cast<char>(code) : '?';
        i += valid ? length : 1;
    }
    return result;
}

} // namespace

std::map<std::string, std::string> ParseLanguageTable(const std::string& content) {
    std::map<std::string, std::string> table;
    std::istringstream lines(content);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0)
            continue;
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
        table.emplace(line.substr(0, equals), Utf8ToLatin1(text));
    }
    return table;
}

bool Language::CheckFile(const std::string& path) const {
    if (path.empty())
        return false;
    std::ifstream file(path, std::ios::binary);
    return file.good() && ::access(path.c_str(), R_OK) == 0;
}

const std::map<std::string, std::string>* Language::tableFor(const std::string& folder) {
    if (!loaded_ || loadedFolder_ != folder) {
        loaded_ = true;
        loadedFolder_ = folder;
        table_.reset();
        std::ifstream file(folder + LanguageTableFileName, std::ios::binary);
        if (file) {
            std::ostringstream content;
            content << file.rdbuf();
            table_ = ParseLanguageTable(content.str());
        }
    }
    return table_ ? &*table_ : nullptr;
}

std::optional<std::string> Language::GetText(const std::string& id, const std::string& folder) {
    const auto* table = tableFor(folder);
    if (table == nullptr)
        return std::nullopt;
    if (auto found = table->find(id); found != table->end())
        return found->second;
    if (id.size() >= 3) {
        const std::string fallback = "1" + id.substr(id.size() - 3);
        if (auto found = table->find(fallback); found != table->end())
            return found->second;
    }
    return std::nullopt;
}

} // namespace fenlark
