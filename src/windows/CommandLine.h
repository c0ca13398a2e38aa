#pragma once
// The command line, answered before any window or connection is made: --help
// and --version are printed, Qt's own options are left to Qt, and anything
// else (a file among it: the program opens files only from its window) is
// refused with the usage. QtCore only, so it needs no display.
#include <optional>
#include <QStringList>

namespace corvane {

struct CommandLineAnswer {
    enum class Action { Run, Print, Refuse };
    Action action = Action::Run;
    QString text;  // for standard output (Print) or standard error (Refuse)
    int exitCode = 0;
};

// The answer to the arguments (without the program's name), in Simplified
// Chinese when the locale (as in LANG: "zh_CN.UTF-8") is Chinese of China,
// in English otherwise.
CommandLineAnswer answerCommandLine(const QStringList& args, const QString& locale);

// For main(): the answer to argv in the user's locale printed, and the exit
// status; nothing when the program is to run.
std::optional<int> handleCommandLine(int argc, char** argv);

}  // namespace corvane
