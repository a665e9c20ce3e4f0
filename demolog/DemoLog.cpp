#include "demolog/DemoLog.h"

#include "q3reader/QuakeDemo.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace fenlark {

namespace {

constexpr mode_t NewFileMode = 0666;

} // namespace

std::string LogTitleLine() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::array<char, 128> stamp{};
    if (std::strftime(stamp.data(), stamp.size(), "%x %X", &local) == 0) {
        stamp[0] = '\0';
    }
    return std::string("Demo Information - Demo Log - ") + stamp.data();
}

void AppendLogLine(const std::string& logPath, const std::string& text) {
    const std::string line = text + "\r\n";
    const int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, NewFileMode);
    if (fd < 0) {
        throw ReadingError("cannot open the demo log");
    }
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t result = ::write(fd, line.data() + written, line.size() - written);
        if (result <= 0) {
            ::close(fd);
            throw ReadingError("cannot write the demo log");
        }
        written += static_cast<std::size_t>(result);
    }
    if (::close(fd) != 0) {
        throw ReadingError("cannot write the demo log");
    }
}

void WriteLogHeader(const std::string& logPath, const std::string& demoPath) {
    // Each step that fails is passed over.
    std::remove(logPath.c_str());
    const std::string title = LogTitleLine();
    const std::array<std::string, 5> lines = {
        title, std::string(title.size(), '-'), LogCreditLine, "\r\n", "Demo: " + demoPath + "\r\n",
    };
    for (const std::string& line : lines) {
        try {
            AppendLogLine(logPath, line);
        } catch (const ReadingError&) {
        }
    }
}

} // namespace fenlark
