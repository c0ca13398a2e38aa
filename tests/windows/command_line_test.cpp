// The command line: what each argument list is answered with, and the
// program as built answering with no display, bus or sound server.
#include "CommandLine.h"
#include "CorvaneVersion.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

using namespace corvane;
using Action = CommandLineAnswer::Action;

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    // Each argument list and a part of its answer; a refusal also shows the usage.
    void answers()
    {
        const char* usage = "Usage: corvane";
        const struct {
            QStringList args;
            Action action;
            QString says;
        } rows[] = {{{}, Action::Run, ""},
                    {{"--version"}, Action::Print, "Corvane " CORVANE_VERSION_NUMERIC "\n"},
                    {{"--help"}, Action::Print, usage},
                    {{"-h"}, Action::Print, usage},
                    {{"-platform", "xcb", "--help"}, Action::Print, usage},
                    // Qt options with values, one or two dashes; then without values.
                    {{"-platform",     "offscreen", "--platform",      "xcb",     "-display",         ":1",
                      "-style",        "Fusion",    "-geometry",       "300x200", "-qwindowgeometry", "300x200+0+0",
                      "-session",      "s_1",       "--platformtheme", "gtk3",    "-stylesheet",      "a.qss",
                      "-qwindowtitle", "T"},
                     Action::Run,
                     ""},
                    {{"-reverse", "--reverse", "-widgetcount", "-style=Fusion", "--stylesheet=a.qss"}, Action::Run, ""},
                    // A Qt option's value is its own, whatever it looks like.
                    {{"-platform", "--bogus"}, Action::Run, ""},
                    {{"-reverse", "-platform"}, Action::Refuse, "'-platform' needs a value"},
                    {{"--verbose"}, Action::Refuse, "unknown option '--verbose'"},
                    {{"-platform", "offscreen", "-x"}, Action::Refuse, "option '-x'"},
                    {{"-style="}, Action::Refuse, "'-style='"},
                    {{"song.mid"}, Action::Refuse, "takes no file or other argument: 'song.mid'"},
                    {{"a.wav", "--help"}, Action::Refuse, "'a.wav'"}};
        for (const auto& r : rows) {
            const CommandLineAnswer a = answerCommandLine(r.args, QStringLiteral("en_GB.UTF-8"));
            const QByteArray why = (r.args.join(' ') + QLatin1String(" -> ") + a.text).toUtf8();
            QVERIFY2(a.action == r.action && a.text.contains(r.says), why);
            QVERIFY2(a.exitCode == (r.action == Action::Refuse ? 2 : 0), why);
            if (r.action == Action::Refuse)
                QVERIFY2(a.text.contains(QLatin1String("\nUsage: corvane")), why);
        }
    }

    void languages()
    {
        const QString zh = answerCommandLine({"--help"}, "zh_CN.UTF-8").text;
        QVERIFY2(zh.startsWith(QStringLiteral("用法：corvane")) && zh.contains("--version"), qPrintable(zh));
        QVERIFY(answerCommandLine({"x"}, "zh_CN").text.contains(QStringLiteral("不接受文件")));
        for (const char* other : {"", "C", "C.UTF-8", "de_DE.UTF-8", "zh_TW.UTF-8"})
            QVERIFY2(answerCommandLine({"--help"}, other).text.startsWith("Usage: corvane"), other);
    }

    // The program as built, with no display to connect to: each answer and
    // its exit status, the text on the right stream, no window attempted
    // (which would end in Qt's abort, status 134).
    void programWithoutDisplay()
    {
        const struct {
            QStringList args;
            const char* lang;
            int status;
            QString out, err;
        } runs[] = {{{"--version"}, "en_US.UTF-8", 0, "Corvane " CORVANE_VERSION_NUMERIC "\n", ""},
                    {{"--help"}, "en_US.UTF-8", 0, "Usage: corvane", ""},
                    {{"--help"}, "zh_CN.UTF-8", 0, QStringLiteral("用法："), ""},
                    {{"movie.avi"}, "en_US.UTF-8", 2, "", "'movie.avi'\nUsage: corvane"},
                    {{"-platform", "xcb", "--fullscreen"}, "C", 2, "", "'--fullscreen'"}};
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "PULSE_SERVER",
                                 "QT_QPA_PLATFORM", "LC_ALL", "LC_MESSAGES"})
            env.remove(name);
        for (const auto& r : runs) {
            env.insert("LANG", r.lang);
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(qEnvironmentVariable("CORVANE_EXE"), r.args);
            QVERIFY(p.waitForFinished(20000));
            const QString stdOut = QString::fromUtf8(p.readAllStandardOutput());
            const QString stdErr = QString::fromUtf8(p.readAllStandardError());
            const QByteArray why = (r.args.join(' ') + ' ' + r.lang + ":\n" + stdOut + stdErr).toUtf8();
            QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == r.status, why);
            QVERIFY2(r.out.isEmpty() ? stdOut.isEmpty() : stdOut.contains(r.out), why);
            QVERIFY2(r.err.isEmpty() ? stdErr.isEmpty() : stdErr.contains(r.err), why);
        }
    }

    // Both manual pages list the two options in a section of their own.
    void manualPages()
    {
        for (const auto& [page, section] : {std::pair{"corvane.1", ".SH OPTIONS"}, {"corvane.zh_CN.1", ".SH 选项"}}) {
            QFile f(qEnvironmentVariable("CORVANE_SOURCE_DIR") + "/packaging/" + page);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QString text = QString::fromUtf8(f.readAll());
            const qsizetype at = text.indexOf(QString::fromUtf8(section));
            QVERIFY2(at > 0 && text.indexOf("\\-\\-help", at) > at && text.indexOf("\\-\\-version", at) > at, page);
        }
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "command_line_test.moc"
