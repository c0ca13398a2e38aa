// The handlers against recording fakes: every call, its value and its order.
#include "DispatchIds.h"
#include "FakeForm1.h"
#include "Monitoring.h"
#include "Opening.h"
#include "Transport.h"

#include <QtTest>

using namespace corvane;
using namespace corvane::test;
using namespace corvane::dispid;

namespace {

Call put(const char* c, DispId id, const Variant& v) { return {c, "put", id, v}; }
Call get(const char* c, DispId id, const Variant& v) { return {c, "get", id, v}; }
Call callOf(const char* c, DispId id) { return {c, "call", id, {}}; }
Call enable(const char* c, bool on) { return {c, "enable", 0, on}; }
Call valueOf(const char* c, int v) { return {c, "value", 0, int32_t(v)}; }

CallLog buttons(bool kindsOn, bool transportOn)
{
    CallLog out;
    for (int n = 1; n <= 6; ++n)
        out.push_back({QStringLiteral("Command%1").arg(n), "put", button::Enabled, kindsOn});
    for (int n = 1; n <= 7; ++n)
        out.push_back({QStringLiteral("CommandSCE%1").arg(n), "put", button::Enabled, transportOn});
    return out;
}

CallLog operator+(CallLog a, const CallLog& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Replays the enable flags written to each control, to read the window's state.
QMap<QString, bool> enableState(const CallLog& log)
{
    QMap<QString, bool> s;
    for (int n = 1; n <= 6; ++n)
        s[QStringLiteral("Command%1").arg(n)] = true;
    for (int n = 1; n <= 7; ++n)
        s[QStringLiteral("CommandSCE%1").arg(n)] = false;
    s["Check1"] = s["Check2"] = false;
    for (const Call& c : log)
        if ((c.op == "put" && c.id == button::Enabled) || c.op == "enable")
            s[c.control] = c.value.toBool();
    return s;
}

}  // namespace

class HandlersTest : public QObject {
    Q_OBJECT
private slots:
    void openAndPlay_data();
    void openAndPlay();
    void cancelTouchesOnlyTypeAndFilter();
    void flashOpening();
    void transportButtons();
    void stopReturnsToIdleFromEveryState();
    void completion_data();
    void completion();
    void statusUpdateCopiesPosition();
    void muteFollowsTheBox();
};

void HandlersTest::openAndPlay_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("length");
    QTest::newRow("video") << 0 << "AVIVideo"
                           << "/媒体/片 段.AVI"
                           << "1234";
    QTest::newRow("audio") << 1 << "WAVEAudio"
                           << " a.wav "
                           << "1234";
    QTest::newRow("media") << 2 << "MPEGVideo2"
                           << "/m/x.asx"
                           << "1234";
    QTest::newRow("movie") << 3 << "MPEGVideo"
                           << "/m/x.mp3"
                           << "1234";
    QTest::newRow("midi, nothing playable") << 4 << "Sequencer"
                                            << "/m/x.rmi"
                                            << "0";
}

void HandlersTest::openAndPlay()
{
    QFETCH(int, kind);
    QFETCH(QString, type);
    QFETCH(QString, name);
    QFETCH(QString, length);
    FakeForm1 f;
    f.chooses(name);
    f.MMControl1.setAnswer(mci::Length, length);
    f.Check1.tick = 1;
    corvane::openAndPlay(f.controls, kMediaKinds[kind]);

    const QString filter = QString::fromLatin1(kMediaKinds[kind].filter);
    const CallLog expected =
            CallLog{
                    put("MMControl1", mci::DeviceType, type),
                    put("CommonDialog1", dialog::Filter, filter),
                    callOf("CommonDialog1", dialog::ShowOpen),
                    get("CommonDialog1", dialog::FileName, name),
                    put("MMControl1", mci::FileName, name),   // unchanged: spaces, case, no check
                    put("MMControl1", mci::Command, "open"),  // no "close" before it
                    put("MMControl1", mci::Command, "play"),
                    put("Slider1", slider::Min, int32_t(0)),
                    get("MMControl1", mci::Length, length),
                    put("Slider1", slider::Max, length.toInt()),  // text converted to a number
            }
            + buttons(false, true) + CallLog{enable("Check1", true), enable("Check2", true)};
    QCOMPARE(f.calls(), toStrings(expected));
    QCOMPARE(f.Check1.tick, int16_t(1));
}

void HandlersTest::cancelTouchesOnlyTypeAndFilter()
{
    FakeForm1 f;
    f.chooses("");
    corvane::openAndPlay(f.controls, mediaKind("movie"));
    corvane::openFlash(f.controls);
    QCOMPARE(f.calls(),
             toStrings({put("MMControl1", mci::DeviceType, "MPEGVideo"),
                        put("CommonDialog1", dialog::Filter, kMediaKinds[3].filter),
                        callOf("CommonDialog1", dialog::ShowOpen), get("CommonDialog1", dialog::FileName, ""),
                        put("CommonDialog1", dialog::Filter, kFlashFilter), callOf("CommonDialog1", dialog::ShowOpen),
                        get("CommonDialog1", dialog::FileName, "")}));
}

void HandlersTest::flashOpening()
{
    FakeForm1 f;
    f.chooses("/m/a.swf");
    corvane::openFlash(f.controls);
    CallLog expected{
            put("CommonDialog1", dialog::Filter, "(*.swf)|*.swf|(*.*)|*.*"),
            callOf("CommonDialog1", dialog::ShowOpen),
            get("CommonDialog1", dialog::FileName, "/m/a.swf"),
            put("ShockwaveFlash1", flash::Movie, "/m/a.swf"),
            callOf("ShockwaveFlash1", flash::Play),
            put("Slider1", slider::Min, int32_t(0)),
    };
    for (int n = 1; n <= 6; ++n)
        expected.push_back({QStringLiteral("Command%1").arg(n), "put", button::Enabled, false});
    expected.push_back(put("CommandSCE2", button::Enabled, true));
    expected.push_back(put("CommandSCE7", button::Enabled, true));
    QCOMPARE(f.calls(), toStrings(expected));
    for (const Call& c : *f.log)
        QVERIFY2(c.control != "MMControl1", qPrintable(toString(c)));

    // From idle: play and stop are the only transport buttons, boxes stay off.
    const auto s = enableState(*f.log);
    for (int n = 1; n <= 7; ++n)
        QCOMPARE(s[QStringLiteral("CommandSCE%1").arg(n)], n == 2 || n == 7);
    QVERIFY(!s["Check1"] && !s["Check2"]);
}

void HandlersTest::transportButtons()
{
    const struct {
        void (*handler)(Form1Controls&);
        CallLog expected;
    } rows[] = {
            {transport::toStartAndPlay,
             {put("MMControl1", mci::Command, "prev"), put("MMControl1", mci::Command, "play"),
              put("Slider1", slider::Value, int32_t(0))}},
            {transport::play, {callOf("ShockwaveFlash1", flash::Play), put("MMControl1", mci::Command, "play")}},
            {transport::pause, {put("MMControl1", mci::Command, "pause")}},
            {transport::stepBack, {put("MMControl1", mci::Command, "back")}},
            {transport::stepForward, {put("MMControl1", mci::Command, "step")}},
            {transport::next, {put("MMControl1", mci::Command, "next")}},
    };
    for (const auto& row : rows) {
        FakeForm1 f;
        row.handler(f.controls);
        QCOMPARE(f.calls(), toStrings(row.expected));
    }
}

void HandlersTest::stopReturnsToIdleFromEveryState()
{
    const CallLog expected = CallLog{callOf("ShockwaveFlash1", flash::Stop), put("MMControl1", mci::Command, "close"),
                                     put("MMControl1", mci::FileName, ""), put("MMControl1", mci::Flag52, false),
                                     put("Slider1", slider::Value, int32_t(0))}
            + buttons(true, false) + CallLog{enable("Check1", false), enable("Check2", false)};
    const auto idle = enableState({});

    // From the loaded state, and from the state after a Flash opening.
    for (bool viaFlash : {false, true}) {
        FakeForm1 f;
        f.chooses("/m/a.file");
        f.Check2.tick = 1;
        if (viaFlash)
            corvane::openFlash(f.controls);
        else
            corvane::openAndPlay(f.controls, mediaKind("video"));
        QVERIFY(enableState(*f.log) != idle);
        const size_t before = f.log->size();
        transport::stopToIdle(f.controls);
        QCOMPARE(toStrings(CallLog(f.log->begin() + before, f.log->end())), toStrings(expected));
        QCOMPARE(enableState(*f.log), idle);
        QCOMPARE(f.Check2.tick, int16_t(1));  // the tick survives
        QCOMPARE(f.ShockwaveFlash1.get(flash::Movie).toText(), viaFlash ? QString("/m/a.file") : QString());
    }
}

void HandlersTest::completion_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QStringList>("commands");
    QTest::newRow("short of the end") << 3000 << 2999 << 1 << QStringList{};
    QTest::newRow("past the end") << 3000 << 3001 << 1 << QStringList{};
    QTest::newRow("end, repeat") << 3000 << 3000 << 1 << QStringList{"prev", "play"};
    QTest::newRow("end, no repeat") << 3000 << 3000 << 0 << QStringList{"prev", "stop"};
    QTest::newRow("end, greyed box") << 3000 << 3000 << 2 << QStringList{"prev", "stop"};
    QTest::newRow("nothing open") << 0 << 0 << 0 << QStringList{"prev", "stop"};
}

void HandlersTest::completion()
{
    QFETCH(int, length);
    QFETCH(int, position);
    QFETCH(int, repeat);
    QFETCH(QStringList, commands);
    FakeForm1 f;
    f.MMControl1.setAnswer(mci::Length, int32_t(length));
    f.MMControl1.setAnswer(mci::Position, int32_t(position));
    f.Check2.tick = int16_t(repeat);
    monitoring::done(f.controls, {Variant(int32_t(4))});

    CallLog expected{get("MMControl1", mci::Length, int32_t(length)),
                     get("MMControl1", mci::Position, int32_t(position))};
    if (!commands.isEmpty()) {
        expected.push_back(put("MMControl1", mci::Command, commands[0]));
        expected.push_back(valueOf("Check2", repeat));
        expected.push_back(put("MMControl1", mci::Command, commands[1]));
    }
    QCOMPARE(f.calls(), toStrings(expected));
}

void HandlersTest::statusUpdateCopiesPosition()
{
    FakeForm1 f;
    f.MMControl1.setAnswer(mci::Position, QStringLiteral("2500"));
    monitoring::statusUpdate(f.controls);
    QCOMPARE(f.calls(),
             toStrings({get("MMControl1", mci::Position, QStringLiteral("2500")),
                        put("Slider1", slider::Value, int32_t(2500))}));
}

void HandlersTest::muteFollowsTheBox()
{
    FakeForm1 f;
    for (int tick : {1, 0, 2}) {
        f.clear();
        f.Check1.tick = int16_t(tick);
        transport::muteClicked(f.controls);
        QCOMPARE(f.calls(),
                 toStrings({valueOf("Check1", tick), put("MMControl1", mci::Mute, tick == 1),
                            put("ShockwaveFlash1", flash::Mute, tick == 1)}));
    }
}

QTEST_GUILESS_MAIN(HandlersTest)
#include "handlers_test.moc"
