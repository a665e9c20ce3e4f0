#pragma once
// Command-line handling shared by fenlark-info and fenlark-library: the
// arguments as Qt's parser sees them, the help text and the usage error.

#include <QCommandLineParser>
#include <QStringList>

#include <string>
#include <string_view>

namespace fenlark::cli {

// Exit status of a wrong option or missing argument.
inline constexpr int ExitUsage = 2;

// The arguments with one character per byte (Latin-1), so that a path that
// is not valid UTF-8 comes back unchanged through Bytes(); option names are
// ASCII and match either way.
QStringList ArgumentList(int argc, const char* const* argv);
std::string Bytes(const QString& argument);

// The parser's option list ("  --json   ..." lines), without its usage line,
// each line indented by `indent` more blanks. The help option is left out
// when `withHelp` is false (for the commands of a program, which take it too).
std::string OptionLines(const QCommandLineParser& parser, int indent = 0, bool withHelp = true);

// What went wrong on the command line, as the user typed it: an unknown
// option keeps its dashes ("--xml"), other errors are the parser's text.
std::string ParseErrorText(const QCommandLineParser& parser);

// --version: "<program> <version>" on standard output.
int PrintVersion(std::string_view program);

// Writes "<program>: <error>", the synopsis (the "Usage:" lines) and where
// the options are explained to standard error; returns ExitUsage.
int UsageError(std::string_view program, std::string_view error, std::string_view synopsis);

} // namespace fenlark::cli
