// An arbitrary game definition and an arbitrary demo through the whole
// loading flow, and then, when the load allows it, through the demo log. The
// input is one byte that picks the demo's extension, the definition text up
// to the first zero byte, then the demo's bytes. The seeds pair definitions
// of information types 1 and 2 with demos of the extensions they name.

#include "app/Commands.h"
#include "app/LoadDemo.h"
#include "core/Session.h"
#include "tests/common/RecordingUserInterface.h"
#include "tests/common/StubLanguage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;

constexpr const char* Extensions[] = {"fz",    "dm_68", "dm_66", "dm_67", "dm_71",
                                      "dm_73", "dm_90", "dm_91", "dm3",   "dm_48"};

// One scratch installation for the whole run: bin/ and Data/.
const fs::path& Root() {
    static const fs::path root = [] {
        std::string pattern = (fs::temp_directory_path() / "fenlark-fuzz-load-XXXXXX").string();
        const char* made = mkdtemp(pattern.data());
        const fs::path folder = made != nullptr ? fs::path(made) : fs::path(pattern);
        fs::create_directories(folder / "bin");
        fs::create_directories(folder / "Data");
        return folder;
    }();
    return root;
}

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const char* extension = Extensions[data[0] % (sizeof Extensions / sizeof Extensions[0])];
    std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t split = input.find('\0');
    const std::string_view definition = input.substr(0, split);
    const std::string_view demo =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);

    const fs::path& root = Root();
    std::error_code ignored;
    fs::remove_all(root / "demos", ignored);
    fs::create_directories(root / "demos");
    WriteFile(root / "Data" / "fuzz.kgd", definition);
    const fs::path demoPath = root / "demos" / (std::string("demo.") + extension);
    WriteFile(demoPath, demo);

    fenlark::test::RecordingUserInterface ui;
    fenlark::test::StubLanguage language;
    fenlark::Session session(ui, language, (root / "bin").string());
    session.setDefinitionsFolder((root / "Data").string());
    session.LanguageNumber = 1;
    session.DemoPath = demoPath.string();
    fenlark::LoadDemo(session);
    if (!session.programEnded && session.summary.cmdCreateDemoLogEnabled) {
        ui.saveAnswer = (root / "demos" / "demo.log").string();
        try {
            fenlark::CreateDemoLogCommand(session);
        } catch (const fenlark::ProgramEnded&) {
            // The log command may end the program the way a load does.
        }
    }
    return 0;
}
