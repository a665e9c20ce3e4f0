#pragma once
// Runs one of our programs through the shell as a user's script would, and
// keeps its exit status, standard output and the JSON objects it printed one
// per line. Standard error goes to a file the caller names.

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace fenlark::test {

struct ProgramRun {
    int status = -1; // the exit status, or -1 when the program did not exit
    std::string out;
    std::vector<QJsonObject> objects; // one per line that starts with '{'
};

// Single-quotes a word for the shell.
inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Runs `commandPrefix` (environment settings, a change of folder, ...)
// followed by `program` and its quoted arguments.
inline ProgramRun RunProgram(const std::string& commandPrefix, const std::string& program,
                             const std::vector<std::string>& args,
                             const std::string& standardErrorFile) {
    std::string command = commandPrefix + ShellQuote(program);
    for (const auto& arg : args) {
        command += " " + ShellQuote(arg);
    }
    command += " 2>" + ShellQuote(standardErrorFile);
    ProgramRun result;
    FILE* pipe = popen(command.c_str(), "r");
    char buffer[4096];
    while (pipe != nullptr && fgets(buffer, sizeof buffer, pipe) != nullptr) {
        result.out += buffer;
    }
    const int raw = pipe != nullptr ? pclose(pipe) : -1;
    result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::size_t start = 0;
    while (start < result.out.size()) {
        std::size_t end = result.out.find('\n', start);
        if (end == std::string::npos) {
            end = result.out.size();
        }
        const auto line = QByteArray::fromStdString(result.out.substr(start, end - start));
        if (!line.isEmpty() && line.front() == '{') {
            result.objects.push_back(QJsonDocument::fromJson(line).object());
        }
        start = end + 1;
    }
    return result;
}

} // namespace fenlark::test
