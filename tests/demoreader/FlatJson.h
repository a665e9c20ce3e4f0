#pragma once
// Just enough JSON to read the engine truth files beside the recorded demos:
// objects whose values are strings or numbers, alone or in an array, found by
// their key. Strings come back as UTF-8, numbers as their text.

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fenlark::test {

using JsonObject = std::map<std::string, std::string>;

class FlatJson {
public:
    explicit FlatJson(std::string text) : text_(std::move(text)) {}

    // The object after the first `"key": `.
    JsonObject object(const std::string& key) const {
        std::size_t at = find(key, '{');
        return parseObject(at);
    }
    // The objects of the array after the first `"key": `.
    std::vector<JsonObject> objects(const std::string& key) const {
        std::size_t at = find(key, '[') + 1;
        std::vector<JsonObject> items;
        while (skipBlanks(at), text_.at(at) != ']') {
            items.push_back(parseObject(at));
            skipBlanks(at);
            at += text_.at(at) == ',' ? 1u : 0u;
        }
        return items;
    }

private:
    // The position of `open` after the first `"key":` that it follows.
    std::size_t find(const std::string& key, char open) const {
        const std::string pattern = "\"" + key + "\":";
        for (std::size_t at = text_.find(pattern); at != std::string::npos;
             at = text_.find(pattern, at + 1)) {
            std::size_t value = at + pattern.size();
            skipBlanks(value);
            if (value < text_.size() && text_[value] == open) {
                return value;
            }
        }
        throw std::runtime_error("no key " + key);
    }
    void skipBlanks(std::size_t& at) const {
        while (at < text_.size() &&
               std::string_view(" \t\r\n").find(text_[at]) != std::string_view::npos) {
            ++at;
        }
    }
    JsonObject parseObject(std::size_t& at) const {
        skipBlanks(at);
        ++at; // {
        JsonObject members;
        while (skipBlanks(at), text_.at(at) != '}') {
            at += text_.at(at) == ',' ? 1u : 0u;
            skipBlanks(at);
            std::string key = parseString(at);
            skipBlanks(at);
            ++at; // :
            skipBlanks(at);
            if (text_.at(at) == '"') {
                members[key] = parseString(at);
            } else {
                const std::size_t end = text_.find_first_of(",} \t\r\n", at);
                members[key] = text_.substr(at, end - at);
                at = end;
            }
            skipBlanks(at);
        }
        ++at; // }
        return members;
    }
    std::string parseString(std::size_t& at) const {
        ++at; // opening quote
        std::string out;
        while (text_.at(at) != '"') {
            char c = text_[at++];
            if (c == '\\') {
                c = text_.at(at++);
                if (c == 'u') {
                    appendUtf8(out, std::stoul(text_.substr(at, 4), nullptr, 16));
                    at += 4;
                    continue;
                }
                c = c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
            }
            out.push_back(c);
        }
        ++at; // closing quote
        return out;
    }
    static void appendUtf8(std::string& out, unsigned long code) {
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | code >> 6));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | code >> 12));
            out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }

    std::string text_;
};

} // namespace fenlark::test
