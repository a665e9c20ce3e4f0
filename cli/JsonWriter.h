#pragma once
// A small streaming JSON writer for fenlark-info: values are appended to one
// string in the order they are written, with no document tree in between.
// Strings are UTF-8; a byte that is not part of a well-formed sequence is
// written as U+FFFD. Besides what JSON requires, U+0085, U+2028 and U+2029
// are escaped, so that readers splitting on every Unicode line break keep
// one object per line.

#include <cstdint>
#include <string>
#include <string_view>

namespace fenlark::cli {

class JsonWriter {
public:
    void beginObject() { open('{'); }
    void endObject() { close('}'); }
    void beginArray() { open('['); }
    void endArray() { close(']'); }

    // The name of the next member of the object being written.
    void key(std::string_view name);

    void string(std::string_view text);
    void number(std::int64_t value);
    void boolean(bool value);
    void null();
    // A value that is already JSON text (one value, written as it is).
    void raw(std::string_view json);

    const std::string& text() const { return out_; }
    std::string take() { return std::move(out_); }

private:
    void separate();
    void open(char bracket);
    void close(char bracket);
    void appendString(std::string_view text);

    std::string out_;
    bool needComma_ = false;
};

} // namespace fenlark::cli
