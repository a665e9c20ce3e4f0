// An arbitrary probe expression against arbitrary bytes. The input is four
// bytes of the cursor (LastPosition, little-endian), the expression up to the
// first line feed, then the demo file's bytes. The expression is evaluated as
// written and lower-cased, the way game matching passes it.

#include "core/Session.h"
#include "core/TextCase.h"
#include "gamedef/ProbeDemo.h"
#include "tests/common/RecordingUserInterface.h"
#include "tests/common/StubLanguage.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

namespace {

// One scratch demo file for the whole run.
const std::string& DemoPath() {
    static const std::string path = [] {
        std::string pattern = "/tmp/fenlark-fuzz-probe-XXXXXX";
        const int descriptor = mkstemp(pattern.data());
        if (descriptor >= 0) {
            close(descriptor);
        }
        return pattern;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const std::uint32_t cursor =
        static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8U |
        static_cast<std::uint32_t>(data[2]) << 16U | static_cast<std::uint32_t>(data[3]) << 24U;
    std::string_view input(reinterpret_cast<const char*>(data) + 4, size - 4);
    const std::size_t lineEnd = input.find('\n');
    const std::string expression(input.substr(0, lineEnd));
    const std::string_view demo =
        lineEnd == std::string_view::npos ? std::string_view() : input.substr(lineEnd + 1);
    {
        std::ofstream out(DemoPath(), std::ios::binary | std::ios::trunc);
        out.write(demo.data(), static_cast<std::streamsize>(demo.size()));
    }

    fenlark::test::RecordingUserInterface ui;
    fenlark::test::StubLanguage language;
    fenlark::Session session(ui, language, "/nonexistent/bin");
    for (const std::string& form : {expression, fenlark::LowerCase(expression)}) {
        session.LastPosition = static_cast<std::int32_t>(cursor);
        try {
            const std::string result = fenlark::ProbeDemo(session, form, DemoPath());
            // A value is cut from one window and can never be longer.
            if (result.size() > fenlark::ProbeWindowSize) {
                __builtin_trap();
            }
        } catch (const fenlark::ProgramEnded&) {
            // An empty demo file ends the program; that is an answer too.
        }
    }
    return 0;
}
