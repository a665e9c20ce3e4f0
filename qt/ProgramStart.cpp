#include "qt/ProgramStart.h"

#include "FenlarkVersion.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include <string_view>

namespace fenlark::gui {

namespace {

constexpr const char* Synopsis = "Usage: fenlark [--] [DEMO]\n"
                                 "       fenlark --library [FOLDER...]\n"
                                 "       fenlark --help | --version\n";

constexpr const char* Description =
    "Shows what a recorded match (demo) was: game, version, server, map, mod,\n"
    "players and server values. DEMO is every argument that is not an option,\n"
    "joined with single blanks, so a path with blanks needs no quotation marks;\n"
    "one pair of enclosing quotation marks is removed. Only arguments that begin\n"
    "with \"--\" are options, and \"--\" ends them: fenlark -- --odd.dm_68 opens\n"
    "the file --odd.dm_68. Qt's own options (such as -platform) are taken out\n"
    "first, wherever they stand.\n"
    "\n"
    "Options:\n";

constexpr const char* ExitStatuses = "\n"
                                     "Exit status:\n"
                                     "  0  the window was closed\n"
                                     "  1  the library window could not open its database\n"
                                     "  2  wrong option (usage error)\n";

// The option lines of the parser's help text, without its usage line.
std::string OptionLines(const QCommandLineParser& parser) {
    const QString help = parser.helpText();
    const QString heading = QStringLiteral("Options:\n");
    const qsizetype start = help.indexOf(heading);
    if (start < 0) {
        return {};
    }
    const qsizetype from = start + heading.size();
    const qsizetype end = help.indexOf(QStringLiteral("\n\n"), from);
    return help.mid(from, end < 0 ? -1 : end - from + 1).toStdString();
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        text += (i > 0 ? " " : "") + words[i];
    }
    return text;
}

} // namespace

WindowCommandLine ParseWindowCommandLine(int argc, const char* const* argv) {
    // Options go to Qt's parser one character per byte, so its error text
    // gives back the bytes the user typed; the rest never goes through it.
    QStringList options{QStringLiteral("fenlark")};
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument.starts_with("--")) {
            options << QString::fromLatin1(argument.data(),
                                           static_cast<qsizetype>(argument.size()));
        } else {
            words.emplace_back(argument);
        }
    }

    QCommandLineParser parser;
    const QCommandLineOption library(QStringList{"library"},
                                     "Open the demo library window instead, and add the "
                                     "FOLDERs to it.");
    const QCommandLineOption help(QStringList{"help"}, "Show this help and exit.");
    const QCommandLineOption version(QStringList{"version"}, "Show the version and exit.");
    for (const QCommandLineOption& option : {library, help, version}) {
        parser.addOption(option);
    }

    WindowCommandLine line;
    if (!parser.parse(options)) {
        const QStringList unknown = parser.unknownOptionNames();
        const std::string error =
            unknown.isEmpty() ? parser.errorText().toLatin1().toStdString()
                              : "unknown option --" + unknown.front().toLatin1().toStdString();
        line.action = WindowCommandLine::Action::UsageError;
        line.output =
            "fenlark: " + error + "\n" + Synopsis + "Run 'fenlark --help' for the options.\n";
    } else if (parser.isSet(help)) {
        line.action = WindowCommandLine::Action::Help;
        line.output = std::string(Synopsis) + Description + OptionLines(parser) + ExitStatuses;
    } else if (parser.isSet(version)) {
        line.action = WindowCommandLine::Action::Version;
        line.output = std::string("fenlark ") + FENLARK_VERSION + "\n";
    } else if (parser.isSet(library)) {
        line.action = WindowCommandLine::Action::Library;
        line.folders = std::move(words);
    } else {
        line.demoText = Joined(words);
    }
    return line;
}

} // namespace fenlark::gui
