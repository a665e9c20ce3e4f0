#include "gamedef/ProbeDemo.h"
#include "core/TextCase.h"

#include "core/ByteSource.h"
#include "core/Session.h"
#include "core/WholeNumber.h"

#include <limits>
#include <memory>

namespace fenlark {

namespace {

constexpr int HexBase = 16;

// Cuts the text before the next "::" off `rest`. Without a further "::" the
// field is all that is left.
std::string TakeField(std::string& rest) {
    const std::size_t separator = rest.find("::");
    std::string field;
    if (separator == std::string::npos) {
        field = rest;
        rest.clear();
    } else {
        field = rest.substr(0, separator);
        rest.erase(0, separator + 2);
    }
    return field;
}

// 1-based position of `needle` in `haystack`, 0 when absent. An empty needle
// is found at the start of any non-empty text.
std::size_t FindPosition(const std::string& haystack, const std::string& needle) {
    if (haystack.empty()) {
        return 0;
    }
    const std::size_t found = haystack.find(needle);
    return found == std::string::npos ? 0 : found + 1;
}

// An open demo file, or the demo's bytes, for the one read a probe makes.
class DemoFile {
public:
    explicit DemoFile(const std::string& path)
        : file_(FileSource::open(path)), bytes_(file_.get()) {}
    explicit DemoFile(ByteSource& bytes) : bytes_(&bytes) {}

    bool readableAndNotEmpty() const { return bytes_ != nullptr && bytes_->size() > 0; }

    // Up to ProbeWindowSize bytes from the 1-based position; the window holds
    // the bytes that exist there, nothing past the end of the file.
    std::string readWindow(std::int64_t position) const {
        std::string window(ProbeWindowSize, '\0');
        if (bytes_ == nullptr || position < 1) {
            return {};
        }
        const auto got =
            bytes_->readAt(static_cast<std::uint64_t>(position - 1),
                           {reinterpret_cast<std::uint8_t*>(window.data()), window.size()});
        window.resize(got.value_or(0));
        return window;
    }

private:
    std::unique_ptr<FileSource> file_;
    ByteSource* bytes_ = nullptr;
};

// Positions and cuts the window by the POS and LEN fields. A POS below 1 or
// not a number reads from the first byte; a LEN that is not a number or is
// negative keeps the whole window.
std::string ReadProbeWindow(const DemoFile& file, const std::string& position,
                            const std::string& length) {
    auto start = ConvertInt32(position);
    std::string window = file.readWindow(start && *start >= 1 ? *start : 1);
    if (auto cut = ConvertInt32(length); cut && *cut >= 0) {
        if (static_cast<std::size_t>(*cut) < window.size()) {
            window.resize(static_cast<std::size_t>(*cut));
        }
    }
    return window;
}

// Drops the first `skip` characters; a skip that is not a number, negative or
// larger than the value leaves the value unchanged.
void DropFront(std::string& value, const std::string& skip) {
    auto count = ConvertInt32(skip);
    if (count && *count >= 0 && static_cast<std::size_t>(*count) <= value.size()) {
        value.erase(0, static_cast<std::size_t>(*count));
    }
}

std::string EvaluateTest(const DemoFile& file, std::string rest, bool findAnywhere) {
    const std::string position = TakeField(rest);
    const std::string length = TakeField(rest);
    const std::string bytes = DecodeByteString(rest.size() > 4 ? rest.substr(4) : std::string());
    const std::string window = ReadProbeWindow(file, position, length);
    if (findAnywhere) {
        return FindPosition(window, bytes) != 0 ? ProbeOk : ProbeNotFound;
    }
    return window == bytes ? ProbeOk : ProbeNotFound;
}

std::string EvaluateRead(Session& session, const DemoFile& file, std::string rest) {
    std::string position = TakeField(rest);
    if (LowerCase(position) == "lastposition") {
        position = std::to_string(session.LastPosition);
    }
    const std::string length = TakeField(rest);
    rest.erase(0, std::min<std::size_t>(4, rest.size())); // the "hex:" tag
    const std::string start = TakeField(rest);
    const std::string skip = TakeField(rest);
    const std::string adjust = TakeField(rest);
    const std::string& end = rest; // everything after the sixth "::"

    const std::string window = ReadProbeWindow(file, position, length);
    const bool noStartMarker = LowerCase(start) == "#kalv#";
    const std::string startMarker = noStartMarker ? std::string() : DecodeByteString(start);
    const std::size_t startPosition =
        noStartMarker ? (window.empty() ? 0 : 1) : FindPosition(window, startMarker);

    std::string value =
        noStartMarker || startPosition == 0 ? window : window.substr(startPosition - 1);

    if (end.find("hex:") != std::string::npos) {
        const std::string endMarker =
            DecodeByteString(end.substr(std::min<std::size_t>(4, end.size())));
        const std::int64_t advanced = static_cast<std::int64_t>(session.LastPosition) +
                                      static_cast<std::int64_t>(startPosition);
        session.LastPosition = static_cast<std::int32_t>(
            std::min<std::int64_t>(advanced, std::numeric_limits<std::int32_t>::max()));
        DropFront(value, skip);
        const auto endPosition = static_cast<std::int64_t>(FindPosition(value, endMarker));
        if (auto back = ConvertInt32(adjust)) {
            const std::int64_t keep = endPosition - *back;
            if (keep >= 0 && static_cast<std::size_t>(keep) <= value.size()) {
                value.resize(static_cast<std::size_t>(keep));
            }
        }
    } else {
        DropFront(value, skip);
        if (auto count = ConvertInt32(end); count && *count >= 0) {
            if (static_cast<std::size_t>(*count) < value.size()) {
                value.resize(static_cast<std::size_t>(*count));
            }
        }
    }

    if (!noStartMarker && startPosition == 0) {
        return ProbeNotFound;
    }
    return value;
}

} // namespace

std::string DecodeByteString(const std::string& digits) {
    std::string bytes;
    bytes.reserve(digits.size() / 2);
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
        const int high = HexDigitValue(digits[i]);
        const int low = HexDigitValue(digits[i + 1]);
        if (high >= 0 && low >= 0) {
            bytes += static_cast<char>(high * HexBase + low);
        }
    }
    return bytes;
}

std::string ProbeDemo(Session& session, const std::string& expression,
                      const std::string& demoPath) {
    if (expression.empty()) {
        return ProbeNotFound;
    }

    if (session.demoBytes == nullptr && !session.language.CheckFile(demoPath)) {
        session.showLanguageMessage(MessageIcon::Critical, LanguageText::DemoUnreadable);
        session.endProgram();
    }
    const DemoFile file =
        session.demoBytes != nullptr ? DemoFile(*session.demoBytes) : DemoFile(demoPath);
    if (!file.readableAndNotEmpty()) {
        session.showLanguageMessage(MessageIcon::Critical, LanguageText::DemoUnreadable);
        session.endProgram();
    }

    const std::string form = LowerCase(expression.substr(0, 5));
    const std::string rest = expression.size() > 5 ? expression.substr(5) : std::string();
    if (form == "psd::") {
        return EvaluateTest(file, rest, false);
    }
    if (form == "fsd::") {
        return EvaluateTest(file, rest, true);
    }
    if (form == "rvd::") {
        return EvaluateRead(session, file, rest);
    }
    return "";
}

} // namespace fenlark
