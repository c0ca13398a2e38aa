#include "CommandLine.h"

#include "CorvaneVersion.h"

#include <algorithm>
#include <cstdio>

namespace corvane {

namespace {

constexpr int kUsageError = 2;  // the exit status of a refused command line

// Qt's standard options (QGuiApplication, QApplication and the X11 platform's),
// each with one dash or two: those followed by a value, those without one,
// and those whose value comes after "=".
const QStringList kQtWithValue{"platform",
                               "platformpluginpath",
                               "platformtheme",
                               "plugin",
                               "qwindowgeometry",
                               "qwindowtitle",
                               "qwindowicon",
                               "session",
                               "style",
                               "stylesheet",
                               "qmljsdebugger",
                               "display",
                               "geometry",
                               "title",
                               "icon",
                               "name",
                               "visual"};
const QStringList kQtFlags{"reverse", "widgetcount", "testability", "sync", "nograb", "dograb"};
const QStringList kQtJoined{"style=", "stylesheet=", "qmljsdebugger="};

enum class QtOption { None, Flag, WithValue };

QtOption qtOption(const QString& arg)
{
    if (!arg.startsWith('-'))
        return QtOption::None;
    const QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
    if (kQtWithValue.contains(name))
        return QtOption::WithValue;
    const bool joined = std::any_of(kQtJoined.begin(), kQtJoined.end(),
                                    [&](const QString& j) { return name.startsWith(j) && name.size() > j.size(); });
    return kQtFlags.contains(name) || joined ? QtOption::Flag : QtOption::None;
}

struct Texts {
    const char* usage;
    const char* unknown;      // %1: the option
    const char* noValue;      // %1: the option
    const char* takesNoFile;  // %1: the argument
};

const Texts kEnglish{"Usage: corvane [--help | --version] [Qt options, such as -platform NAME]\n"
                     "A small media player with a Simplified-Chinese interface. It takes no file:\n"
                     "media are opened from its window.\n"
                     "\n"
                     "  -h, --help     show this help and exit\n"
                     "      --version  show the program's name and version and exit\n",
                     "corvane: unknown option '%1'\n", "corvane: option '%1' needs a value\n",
                     "corvane: takes no file or other argument: '%1'\n"};

const Texts kChinese{"用法：corvane [--help | --version] [Qt 选项，如 -platform 名称]\n"
                     "简体中文界面的小型媒体播放器。本程序不接受文件参数：媒体在窗口中打开。\n"
                     "\n"
                     "  -h, --help     显示本帮助并退出\n"
                     "      --version  显示程序名称和版本并退出\n",
                     "corvane：无法识别的选项“%1”\n", "corvane：选项“%1”需要一个值\n",
                     "corvane：不接受文件或其他参数：“%1”\n"};

CommandLineAnswer refuse(const Texts& t, const char* why, const QString& arg)
{
    return {CommandLineAnswer::Action::Refuse, QString::fromUtf8(why).arg(arg) + QString::fromUtf8(t.usage),
            kUsageError};
}

// LC_ALL, then LC_MESSAGES, then LANG: the first set decides the language of messages.
QString messagesLocale()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

}  // namespace

CommandLineAnswer answerCommandLine(const QStringList& args, const QString& locale)
{
    const Texts& t = locale.startsWith(QLatin1String("zh_CN")) ? kChinese : kEnglish;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            return {CommandLineAnswer::Action::Print, QString::fromUtf8(t.usage), 0};
        if (arg == QLatin1String("--version"))
            return {CommandLineAnswer::Action::Print,
                    QStringLiteral(CORVANE_PRODUCT_NAME " " CORVANE_VERSION_NUMERIC "\n"), 0};
        switch (qtOption(arg)) {
        case QtOption::Flag: break;
        case QtOption::WithValue:
            if (++i == args.size())
                return refuse(t, t.noValue, arg);
            break;
        case QtOption::None: return refuse(t, arg.startsWith('-') ? t.unknown : t.takesNoFile, arg);
        }
    }
    return {};
}

std::optional<int> handleCommandLine(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const CommandLineAnswer answer = answerCommandLine(args, messagesLocale());
    if (answer.action == CommandLineAnswer::Action::Run)
        return std::nullopt;
    std::fputs(answer.text.toLocal8Bit().constData(),
               answer.action == CommandLineAnswer::Action::Print ? stdout : stderr);
    return answer.exitCode;
}

}  // namespace corvane
