#include "app/LoadDemo.h"

#include "gamedef/IdentifyDemo.h"
#include "gamedef/WholeNumber.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fenlark {

namespace {

std::string TrimBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// Opens the demo the way the size step does: an open that creates a missing
// file in an existing folder. std::nullopt when it cannot be opened at all.
// The count is 64-bit, so files of 2 GiB and more show their true size.
std::optional<std::uint64_t> DemoFileLength(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) // a read-only folder may still hold a readable file
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    const int result = ::fstat(fd, &info);
    ::close(fd);
    if (result != 0 || S_ISDIR(info.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

} // namespace

std::optional<std::int16_t> ConvertLanguageSetting(const std::string& text) {
    return ConvertInt16(text);
}

std::string FormatFileSize(std::string digits) {
    std::string grouped;
    while (!digits.empty()) {
        if (digits.size() > 3) {
            grouped = "," + digits.substr(digits.size() - 3) + grouped;
            digits.resize(digits.size() - 3);
        } else {
            grouped = digits + grouped;
            digits.clear();
        }
    }
    return grouped;
}

void ClearDemoFields(DemoSummary& summary) {
    summary.txtDemoProtocol.clear();
    summary.txtDemoType.clear();
    summary.txtFileSize.clear();
    summary.txtGameVersion.clear();
    summary.txtMap.clear();
    summary.txtMod.clear();
    summary.txtServername.clear();
    summary.lstPlayersBlue.clear();
    summary.lstPlayersRed.clear();
    summary.lstPlayersSpectators.clear();
    summary.lstOtherInfo.rows.clear();
    summary.lstOtherInfo.selectedRow.reset();
}

void LoadDemo(Session& session) {
    try {
        session.ui.showWait();
        ClearDemoFields(session.summary);
        std::string digits;
        if (auto length = DemoFileLength(session.DemoPath))
            digits = std::to_string(*length);
        session.summary.txtFileSize = FormatFileSize(digits) + " bytes";
        IdentifyDemo(session, session.DemoPath);
    } catch (const ProgramEnded&) {
        session.programEnded = true;
    }
}

void StartUp(Session& session, const std::string& argumentText,
             const std::optional<std::string>& languageSetting) {
    session.DemoPath = TrimBlanks(argumentText);
    if (auto number = ConvertLanguageSetting(languageSetting.value_or("1")))
        session.LanguageNumber = *number;
    if (session.DemoPath.empty())
        return;
    // A folder the canonicaliser refuses is ignored here: the path is joined
    // with the folder it had before.
    NormalizeDemoPath(session.DemoPath, *session.lstBugFix1);
    LoadDemo(session);
}

void LoadDemoCommand(Session& session) {
    FileDialogRequest request;
    request.filter = "Demos (*.*)|*.*";
    request.initialName = "*.*";
    auto title = session.languageText("184");
    if (!title)
        return;
    request.title = *title;
    auto chosen = session.ui.askOpenFile(request);
    if (chosen)
        LoadChosenDemo(session, *chosen);
}

void LoadChosenDemo(Session& session, const std::string& chosenPath) {
    session.DemoPath = chosenPath;
    // Here a folder that cannot be entered ends the command: the chosen path
    // stays as it was and nothing is loaded.
    std::string path = chosenPath;
    if (!NormalizeDemoPath(path, *session.lstBugFix1))
        return;
    session.DemoPath = path;
    LoadDemo(session);
}

} // namespace fenlark
