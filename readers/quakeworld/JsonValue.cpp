#include "readers/quakeworld/JsonValue.h"

#include <charconv>
#include <cstdint>

namespace fenlark::readers::quakeworld {

namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<JsonValue> document() {
        JsonValue value;
        if (!parse(value, 0)) {
            return std::nullopt;
        }
        space();
        if (at_ != text_.size()) {
            return std::nullopt;
        }
        return value;
    }

private:
    void space() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r')) {
            ++at_;
        }
    }
    bool take(char c) {
        space();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool word(std::string_view w) {
        if (text_.substr(at_, w.size()) != w) {
            return false;
        }
        at_ += w.size();
        return true;
    }

    bool parse(JsonValue& value, int depth) {
        if (depth > JsonValue::MaxDepth) {
            return false;
        }
        space();
        if (at_ >= text_.size()) {
            return false;
        }
        switch (text_[at_]) {
        case '{':
            ++at_;
            value.kind = JsonValue::Kind::Object;
            return object(value, depth);
        case '[':
            ++at_;
            value.kind = JsonValue::Kind::Array;
            return array(value, depth);
        case '"':
            ++at_;
            value.kind = JsonValue::Kind::String;
            return string(value.text);
        case 't':
            value.kind = JsonValue::Kind::Bool;
            value.boolean = true;
            return word("true");
        case 'f':
            value.kind = JsonValue::Kind::Bool;
            return word("false");
        case 'n':
            return word("null");
        default:
            value.kind = JsonValue::Kind::Number;
            return number(value.number);
        }
    }

    bool object(JsonValue& value, int depth) {
        if (take('}')) {
            return true;
        }
        do {
            std::string key;
            if (!take('"') || !string(key) || !take(':')) {
                return false;
            }
            JsonValue member;
            if (!parse(member, depth + 1)) {
                return false;
            }
            value.members.push_back({std::move(key), std::move(member)});
        } while (take(','));
        return take('}');
    }

    bool array(JsonValue& value, int depth) {
        if (take(']')) {
            return true;
        }
        do {
            JsonValue item;
            if (!parse(item, depth + 1)) {
                return false;
            }
            value.items.push_back(std::move(item));
        } while (take(','));
        return take(']');
    }

    bool hex4(std::uint32_t& code) {
        if (text_.size() - at_ < 4) {
            return false;
        }
        const auto* first = text_.data() + at_;
        const auto result = std::from_chars(first, first + 4, code, 16);
        if (result.ec != std::errc() || result.ptr != first + 4) {
            return false;
        }
        at_ += 4;
        return true;
    }

    static void appendUtf8(std::string& out, std::uint32_t code) {
        if (code < 0x800) {
            out += static_cast<char>(0xc0 | (code >> 6));
        } else {
            out += static_cast<char>(0xe0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        }
        out += static_cast<char>(0x80 | (code & 0x3f));
    }

    bool string(std::string& out) {
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') {
                return true;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) {
                return false;
            }
            const char escape = text_[at_++];
            switch (escape) {
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                std::uint32_t code = 0;
                if (!hex4(code)) {
                    return false;
                }
                if (code < 0x100) {
                    out += static_cast<char>(code);
                } else {
                    appendUtf8(out, code);
                }
                break;
            }
            default:
                out += escape; // \" \\ \/ and anything else stand for themselves
                break;
            }
        }
        return false;
    }

    bool number(double& out) {
        const auto* first = text_.data() + at_;
        const auto* last = text_.data() + text_.size();
        const auto result = std::from_chars(first, last, out);
        if (result.ec != std::errc() || result.ptr == first) {
            return false;
        }
        at_ += static_cast<std::size_t>(result.ptr - first);
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace

std::optional<JsonValue> ParseJson(std::string_view text) {
    return Parser(text).document();
}

const JsonValue* JsonValue::member(std::string_view key) const {
    for (const JsonMember& entry : members) {
        if (entry.key == key) {
            return &entry.value;
        }
    }
    return nullptr;
}

std::optional<double> JsonValue::numberAt(std::initializer_list<std::string_view> path) const {
    const JsonValue* value = this;
    for (const std::string_view key : path) {
        value = value->member(key);
        if (value == nullptr) {
            return std::nullopt;
        }
    }
    if (value->kind != Kind::Number) {
        return std::nullopt;
    }
    return value->number;
}

std::optional<std::string> JsonValue::stringAt(std::string_view key) const {
    const JsonValue* value = member(key);
    if (value == nullptr || value->kind != Kind::String) {
        return std::nullopt;
    }
    return value->text;
}

} // namespace fenlark::readers::quakeworld
