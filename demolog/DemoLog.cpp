#include "demolog/DemoLog.h"

#include "app/Session.h"
#include "q3reader/QuakeReader.h"

#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace fenlark {

std::string LogTitleLine() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[128];
    if (std::strftime(stamp, sizeof stamp, "%x %X", &local) == 0)
        stamp[0] = '\0';
    return std::string("Demo Information - Demo Log - ") + stamp;
}

void AppendLogLine(Session& session, const std::string& text) {
    const std::string line = text + "\r\n";
    const int fd =
        ::open(session.reader.LogPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        throw ReadingError("cannot open the demo log");
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t result = ::write(fd, line.data() + written, line.size() - written);
        if (result <= 0) {
            ::close(fd);
            throw ReadingError("cannot write the demo log");
        }
        written += static_cast<std::size_t>(result);
    }
    if (::close(fd) != 0)
        throw ReadingError("cannot write the demo log");
}

void WriteLogHeader(Session& session, bool writeHeader) {
    // Each step that fails is passed over.
    std::remove(session.reader.LogPath.c_str());
    if (!writeHeader)
        return;
    const std::string title = LogTitleLine();
    const std::string lines[] = {
        title,  std::string(title.size(), '-'),       LogCreditLine,
        "\r\n", "Demo: " + session.DemoPath + "\r\n",
    };
    for (const std::string& line : lines) {
        try {
            AppendLogLine(session, line);
        } catch (const ReadingError&) {
        }
    }
}

void CreateDemoLogCommand(Session& session) {
    try {
        auto title = session.languageText("183");
        if (!title)
            return;
        FileDialogRequest request;
        request.title = *title;
        request.filter = "Text Documents (*.txt)|*.txt";
        request.initialName = session.DemoPath + ".txt";
        auto chosen = session.ui.askSaveFile(request);
        if (!chosen)
            return;
        session.ui.showWait();
        try {
            ReadDemo(session, session.DemoPath, LogMode, *chosen);
        } catch (const ReadingError&) {
            // The lines written before stay in the file.
        }
        session.ui.hideWait();
    } catch (const ProgramEnded&) {
    }
}

} // namespace fenlark
