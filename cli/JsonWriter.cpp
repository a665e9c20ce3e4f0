#include "cli/JsonWriter.h"

#include "core/TextConversion.h"

#include <array>

namespace fenlark::cli {

namespace {

constexpr unsigned char FirstPrintable = 0x20;
constexpr std::string_view Replacement = "\xEF\xBF\xBD"; // U+FFFD
constexpr std::string_view NextLine = "\xC2\x85";
constexpr std::string_view LineSeparator = "\xE2\x80\xA8";
constexpr std::string_view ParagraphSeparator = "\xE2\x80\xA9";

constexpr unsigned char FirstNonAscii = 0x80;

// Printable ASCII other than the quote and the backslash: copied as it is.
constexpr std::array<bool, 256> PlainAscii = [] {
    std::array<bool, 256> plain{};
    for (unsigned byte = FirstPrintable; byte < FirstNonAscii; ++byte) {
        plain[byte] = byte != '"' && byte != '\\';
    }
    return plain;
}();

bool IsPlainAscii(unsigned char byte) {
    return PlainAscii[byte];
}

void AppendControlEscape(std::string& out, unsigned char byte) {
    static constexpr std::array<char, 16> Hex = {'0', '1', '2', '3', '4', '5', '6', '7',
                                                 '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    constexpr unsigned NibbleBits = 4;
    constexpr unsigned NibbleMask = 0x0F;
    out += "\\u00";
    out += Hex[byte >> NibbleBits];
    out += Hex[byte & NibbleMask];
}

} // namespace

void JsonWriter::separate() {
    if (needComma_) {
        out_ += ',';
    }
    needComma_ = true;
}

void JsonWriter::open(char bracket) {
    separate();
    out_ += bracket;
    needComma_ = false;
}

void JsonWriter::close(char bracket) {
    out_ += bracket;
    needComma_ = true;
}

void JsonWriter::key(std::string_view name) {
    separate();
    appendString(name);
    out_ += ':';
    needComma_ = false;
}

void JsonWriter::string(std::string_view text) {
    separate();
    appendString(text);
}

void JsonWriter::number(std::int64_t value) {
    separate();
    out_ += std::to_string(value);
}

void JsonWriter::boolean(bool value) {
    separate();
    out_ += value ? "true" : "false";
}

void JsonWriter::null() {
    separate();
    out_ += "null";
}

void JsonWriter::raw(std::string_view json) {
    separate();
    out_ += json;
}

void JsonWriter::appendString(std::string_view text) {
    out_ += '"';
    for (std::size_t i = 0; i < text.size();) {
        // Printable ASCII other than the quote and the backslash, the bulk of
        // every report, is copied a run at a time.
        std::size_t run = i;
        while (run < text.size() && IsPlainAscii(static_cast<unsigned char>(text[run]))) {
            ++run;
        }
        if (run > i) {
            out_.append(text.data() + i, run - i);
            i = run;
            continue;
        }
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < FirstPrintable) {
            switch (byte) {
            case '\n':
                out_ += "\\n";
                break;
            case '\r':
                out_ += "\\r";
                break;
            case '\t':
                out_ += "\\t";
                break;
            default:
                AppendControlEscape(out_, byte);
            }
            ++i;
            continue;
        }
        if (byte == '"' || byte == '\\') {
            out_ += '\\';
            out_ += static_cast<char>(byte);
            ++i;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(text, i);
        const std::string_view sequence = text.substr(i, length);
        if (length == 0) {
            out_ += Replacement;
            ++i;
        } else if (sequence == NextLine) {
            out_ += "\\u0085";
            i += length;
        } else if (sequence == LineSeparator) {
            out_ += "\\u2028";
            i += length;
        } else if (sequence == ParagraphSeparator) {
            out_ += "\\u2029";
            i += length;
        } else {
            out_ += sequence;
            i += length;
        }
    }
    out_ += '"';
}

} // namespace fenlark::cli
