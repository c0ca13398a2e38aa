// The variant's conversions, the dialog's filter conversion and the
// real widgets behind the late-bound interface.
#include "DialogAnswer.h"
#include "DispatchIds.h"
#include "MediaKinds.h"
#include "widgets/CommandButton.h"
#include "widgets/FileDialog.h"
#include "widgets/Slider.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace corvane;

class HostingTest : public QObject {
    Q_OBJECT
private slots:
    void variantConversions()
    {
        // Numbers from text round half away from zero and saturate; true is -1.
        const std::pair<Variant, int32_t> ints[] = {{true, -1},     {false, 0},     {Variant(), 0},
                                                    {"3000", 3000}, {" 12.5 ", 13}, {"-2.5", -3},
                                                    {"abc", 0},     {"nan", 0},     {"1e12", INT32_MAX}};
        for (const auto& [v, n] : ints)
            QCOMPARE(v.toInt(), n);
        QCOMPARE(Variant(int32_t(-7)).toText(), QStringLiteral("-7"));
        QVERIFY(Variant("1").toBool() && !Variant("0").toBool());
        QVERIFY(Variant("x") != Variant("y"));
        QVERIFY(Variant(int32_t(1)) != Variant(true));  // types differ
    }

    void filtersKeepPairsAndOrder()
    {
        QCOMPARE(toNameFilters(QString::fromLatin1(kFlashFilter)), (QStringList{"(*.swf) (*.swf)", "(*.*) (*.*)"}));
        for (const auto& kind : kMediaKinds) {
            const QString filter = QString::fromLatin1(kind.filter);
            const QStringList out = toNameFilters(filter), parts = filter.split('|');
            QCOMPARE(out.size() * 2, parts.size());
            QCOMPARE(out.last(), QStringLiteral("(*.*) (*.*)"));
            for (int k = 0; k < out.size(); ++k)
                QCOMPARE(out[k], parts[2 * k] + " (" + parts[2 * k + 1] + ")");
        }
        QCOMPARE(toNameFilters(QStringLiteral("(*.mpeg)|*.mpeg|(*.mpg)|*.mpg")).at(1),
                 QStringLiteral("(*.mpg) (*.mpg)"));
        QCOMPARE(toNameFilters(QString()), QStringList());
    }

    // Choices, a cancel and a pick with the completion list up, with the
    // settings folder pointed at an empty one: Qt's own dialog would keep
    // its folders and history there in QtProject.conf.
    void dialogYieldsChoiceOrEmptyAndKeepsNoSettings()
    {
        QTemporaryDir dir, config;
        const QByteArray configBefore = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        const QString chosen = dir.filePath(QStringLiteral("中文 名.wav")), other = dir.filePath("b.mid");
        QFile(chosen).open(QIODevice::WriteOnly);
        QFile(other).open(QIODevice::WriteOnly);
        {
            QWidget owner;
            FileDialog d(&owner);
            test::DialogAnswer answer;
            const auto show = [&](const QString& file) {
                answer.arm(file);
                d.call(dispid::dialog::ShowOpen);
                return d.get(dispid::dialog::FileName).toText();
            };
            d.put(dispid::dialog::Filter, kMediaKinds[1].filter);
            QCOMPARE(show(chosen), chosen);
            QVERIFY(answer.seen && answer.mode == QFileDialog::ExistingFile);
            QCOMPARE(answer.filters, toNameFilters(kMediaKinds[1].filter));
            // A cancel after a choice must not replay that choice.
            QCOMPARE(show({}), QString());
            QVERIFY(answer.seen);
            // The dialog comes back for the next kind with that kind's filters, in
            // the chosen file's folder, with nothing of the earlier choice offered.
            d.put(dispid::dialog::Filter, kMediaKinds[4].filter);
            QCOMPARE(show(other), other);
            QVERIFY(answer.seen);
            QCOMPARE(answer.filters, toNameFilters(kMediaKinds[4].filter));
            QCOMPARE(answer.typed, QString());
            QVERIFY(!answer.preselected.contains(chosen));
            // A name picked while its completion list is up: the list goes with the
            // dialog, and no popup keeps the owner from becoming active again.
            answer.completing = true;
            QCOMPARE(show(other), other);
            QVERIFY(answer.completionsShown);
            QCOMPARE(QApplication::activePopupWidget(), nullptr);
        }
        qputenv("XDG_CONFIG_HOME", configBefore);
        QCOMPARE(QDir(config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    // Enabled from the start; clicks by mouse and by key count only then.
    void buttonClicksOnlyWhenEnabled()
    {
        CommandButton b;
        int clicks = 0;
        b.advise([&](DispId e, const Args&) { clicks += e == dispid::Click; });
        b.resize(40, 25);
        b.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b));
        for (const bool on : {true, false, true}) {
            QCOMPARE(b.get(dispid::button::Enabled).toInt(), on ? -1 : 0);
            const int before = clicks;
            QTest::mouseClick(&b, Qt::LeftButton);
            b.setFocus();
            QTest::keyClick(&b, Qt::Key_Space);
            QCOMPARE(clicks, before + (on ? 2 : 0));
            b.put(dispid::button::Enabled, !on);
        }
    }

    // The position is put again at every status update, paused too: a put that
    // changes nothing must not repaint the bar (each repaint wakes the program
    // and the display server).
    void sliderPaintsOnlyWhatChanged()
    {
        struct Paints : QObject {
            int count = 0;
            bool eventFilter(QObject*, QEvent* e) override
            {
                count += e->type() == QEvent::Paint;
                return false;
            }
        } paints;
        corvane::Slider slider;
        slider.resize(200, 30);
        slider.show();
        QVERIFY(QTest::qWaitForWindowExposed(&slider));
        slider.put(dispid::slider::Max, 4000);
        slider.put(dispid::slider::Value, 1200);
        QCOMPARE(slider.tickInterval(), 400);
        QTest::qWait(50);  // the first paints of the new range
        slider.installEventFilter(&paints);
        for (int i = 0; i < 5; ++i) {
            slider.put(dispid::slider::Value, 1200);
            QTest::qWait(20);
        }
        QCOMPARE(paints.count, 0);
        slider.put(dispid::slider::Value, 2400);
        QTRY_VERIFY(paints.count > 0);
    }
};

QTEST_MAIN(HostingTest)
#include "hosting_test.moc"
