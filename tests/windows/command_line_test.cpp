// The command line: what each argument list is answered with, and the
// program as built answering with no display, bus or sound server.
#include "CommandLine.h"
#include "CorvaneVersion.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

using namespace corvane;
using Action = CommandLineAnswer::Action;

Q_DECLARE_METATYPE(corvane::CommandLineAnswer::Action)

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void answers_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("says");  // what the text holds
        const QString usage = QStringLiteral("Usage: corvane");
        QTest::newRow("nothing") << QStringList{} << Action::Run << QString();
        QTest::newRow("version") << QStringList{"--version"} << Action::Print
                                 << QStringLiteral("Corvane " CORVANE_VERSION_NUMERIC "\n");
        QTest::newRow("help") << QStringList{"--help"} << Action::Print << usage;
        QTest::newRow("-h") << QStringList{"-h"} << Action::Print << usage;
        QTest::newRow("help after a Qt option") << QStringList{"-platform", "xcb", "--help"} << Action::Print << usage;
        QTest::newRow("Qt options with values, one or two dashes") << QStringList{
                "-platform",     "offscreen", "--platform",      "xcb",     "-display",         ":1",
                "-style",        "Fusion",    "-geometry",       "300x200", "-qwindowgeometry", "300x200+0+0",
                "-session",      "s_1",       "--platformtheme", "gtk3",    "-stylesheet",      "a.qss",
                "-qwindowtitle", "T"} << Action::Run << QString();
        QTest::newRow("Qt options without values")
                << QStringList{"-reverse", "--reverse", "-widgetcount", "-style=Fusion", "--stylesheet=a.qss"}
                << Action::Run << QString();
        // A Qt option's value is its own, whatever it looks like.
        QTest::newRow("a value like an option") << QStringList{"-platform", "--bogus"} << Action::Run << QString();
        QTest::newRow("a Qt option without its value") << QStringList{"-reverse", "-platform"} << Action::Refuse
                                                       << QStringLiteral("'-platform' needs a value");
        QTest::newRow("unknown option") << QStringList{"--verbose"} << Action::Refuse
                                        << QStringLiteral("unknown option '--verbose'");
        QTest::newRow("unknown after Qt options")
                << QStringList{"-platform", "offscreen", "-x"} << Action::Refuse << QStringLiteral("option '-x'");
        QTest::newRow("an empty style=") << QStringList{"-style="} << Action::Refuse << QStringLiteral("'-style='");
        QTest::newRow("a file") << QStringList{"song.mid"} << Action::Refuse
                                << QStringLiteral("takes no file or other argument: 'song.mid'");
        QTest::newRow("a file before help")
                << QStringList{"a.wav", "--help"} << Action::Refuse << QStringLiteral("'a.wav'");
    }

    void answers()
    {
        QFETCH(QStringList, args);
        QFETCH(Action, action);
        QFETCH(QString, says);
        const CommandLineAnswer a = answerCommandLine(args, QStringLiteral("en_GB.UTF-8"));
        QCOMPARE(a.action, action);
        QVERIFY2(a.text.contains(says), qPrintable(a.text));
        QCOMPARE(a.exitCode, action == Action::Refuse ? 2 : 0);
        if (action == Action::Refuse)
            QVERIFY2(a.text.contains(QLatin1String("\nUsage: corvane")), qPrintable(a.text));
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
    void programWithoutDisplay_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("version") << QStringList{"--version"} << "en_US.UTF-8" << 0
                                 << "Corvane " CORVANE_VERSION_NUMERIC "\n"
                                 << "";
        QTest::newRow("help") << QStringList{"--help"} << "en_US.UTF-8" << 0 << "Usage: corvane"
                              << "";
        QTest::newRow("help in Chinese") << QStringList{"--help"} << "zh_CN.UTF-8" << 0 << QStringLiteral("用法：")
                                         << "";
        QTest::newRow("a file") << QStringList{"movie.avi"} << "en_US.UTF-8" << 2 << ""
                                << "'movie.avi'\nUsage: corvane";
        QTest::newRow("unknown after a Qt option") << QStringList{"-platform", "xcb", "--fullscreen"} << "C" << 2 << ""
                                                   << "'--fullscreen'";
    }

    void programWithoutDisplay()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, lang);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "PULSE_SERVER",
                                 "QT_QPA_PLATFORM", "LC_ALL", "LC_MESSAGES"})
            env.remove(name);
        env.insert("LANG", lang);
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("CORVANE_EXE"), args);
        QVERIFY(p.waitForFinished(20000));
        const QString stdOut = QString::fromUtf8(p.readAllStandardOutput());
        const QString stdErr = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), status);
        QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.contains(out), qPrintable(stdOut));
        QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.contains(err), qPrintable(stdErr));
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
