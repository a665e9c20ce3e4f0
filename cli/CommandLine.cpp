#include "cli/CommandLine.h"

#include "FenlarkVersion.h"
#include "core/Files.h"

#include <cstdio>

namespace fenlark::cli {

QStringList ArgumentList(int argc, const char* const* argv) {
    // One character per byte; on Windows the bytes are the UTF-8 of the
    // wide command line, so paths are UTF-8 on every system.
    QStringList arguments;
    for (const std::string& argument : ProgramArguments(argc, argv)) {
        arguments << QString::fromLatin1(argument.data(), static_cast<qsizetype>(argument.size()));
    }
    return arguments;
}

std::string Bytes(const QString& argument) {
    return argument.toLatin1().toStdString();
}

std::string OptionLines(const QCommandLineParser& parser, int indent, bool withHelp) {
    // helpText() is "Usage: ...", then "Options:" and its lines, then a blank
    // line and "Arguments:" when there are positional arguments.
    const QString help = parser.helpText();
    const QString heading = QStringLiteral("Options:\n");
    const qsizetype start = help.indexOf(heading);
    if (start < 0) {
        return {};
    }
    const qsizetype from = start + heading.size();
    const qsizetype end = help.indexOf(QStringLiteral("\n\n"), from);
    const QStringList lines = help.mid(from, end < 0 ? -1 : end - from).split(u'\n');
    std::string text;
    for (const QString& line : lines) {
        if (line.isEmpty() ||
            (!withHelp && line.trimmed().startsWith(QStringLiteral("-h, --help")))) {
            continue;
        }
        text += std::string(static_cast<std::size_t>(indent), ' ') + Bytes(line) + '\n';
    }
    return text;
}

std::string ParseErrorText(const QCommandLineParser& parser) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString& name = unknown.front();
        return "unknown option " + std::string(name.size() == 1 ? "-" : "--") + Bytes(name);
    }
    return Bytes(parser.errorText());
}

int PrintVersion(std::string_view program) {
    std::printf("%.*s %s\n", static_cast<int>(program.size()), program.data(), FENLARK_VERSION);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int UsageError(std::string_view program, std::string_view error, std::string_view synopsis) {
    const auto size = [](std::string_view text) { return static_cast<int>(text.size()); };
    std::fprintf(stderr, "%.*s: %.*s\n%.*sRun '%.*s --help' for the options.\n", size(program),
                 program.data(), size(error), error.data(), size(synopsis), synopsis.data(),
                 size(program), program.data());
    return ExitUsage;
}

} // namespace fenlark::cli
