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

}  // namespace

class HandlersTest : public QObject {
    Q_OBJECT
private slots:
    void openAndPlay();
    void flashOpening();
    void transportButtons();
    void stopReturnsToIdleFromEveryState();
    void completion();
};

// The kind's type and filter, the choice passed on unchanged, open and play,
// the slider's range from the length text, the loaded state; the ticks stay.
// A cancelled dialog leaves everything past the choice untouched.
void HandlersTest::openAndPlay()
{
    for (const auto& [kind, name, length] : {std::tuple{kMediaKinds[0], "/媒体/片 段.AVI", "1234"},
                                             {kMediaKinds[4], " /m/x.rmi", "0"},
                                             {kMediaKinds[3], "", "1234"}}) {
        FakeForm1 f;
        f.chooses(name);
        f.MMControl1.setAnswer(mci::Length, length);
        f.Check1.tick = 1;
        corvane::openAndPlay(f.controls, kind);
        const CallLog expected =
                CallLog{
                        put("MMControl1", mci::DeviceType, kind.deviceType),
                        put("CommonDialog1", dialog::Filter, kind.filter),
                        callOf("CommonDialog1", dialog::ShowOpen),
                        get("CommonDialog1", dialog::FileName, name),
                        put("MMControl1", mci::FileName, name),   // unchanged: spaces, case, no check
                        put("MMControl1", mci::Command, "open"),  // no "close" before it
                        put("MMControl1", mci::Command, "play"),
                        put("Slider1", slider::Min, int32_t(0)),
                        get("MMControl1", mci::Length, length),
                        put("Slider1", slider::Max, QString(length).toInt()),  // text converted to a number
                }
                + buttons(false, true) + CallLog{enable("Check1", true), enable("Check2", true)};
        QCOMPARE(f.calls(), toStrings(*name ? expected : CallLog(expected.begin(), expected.begin() + 4)));
        QCOMPARE(f.Check1.tick, int16_t(1));
    }
}

// A movie plays with play and stop as its only transport; a cancel stops at the choice.
void HandlersTest::flashOpening()
{
    for (const QString file : {"/m/a.swf", ""}) {
        FakeForm1 f;
        f.chooses(file);
        corvane::openFlash(f.controls);
        CallLog expected{
                put("CommonDialog1", dialog::Filter, "(*.swf)|*.swf|(*.*)|*.*"),
                callOf("CommonDialog1", dialog::ShowOpen),
                get("CommonDialog1", dialog::FileName, file),
                put("ShockwaveFlash1", flash::Movie, file),
                callOf("ShockwaveFlash1", flash::Play),
                put("Slider1", slider::Min, int32_t(0)),
        };
        for (int n = 1; n <= 6; ++n)
            expected.push_back({QStringLiteral("Command%1").arg(n), "put", button::Enabled, false});
        expected.push_back(put("CommandSCE2", button::Enabled, true));
        expected.push_back(put("CommandSCE7", button::Enabled, true));
        QCOMPARE(f.calls(), toStrings(file.isEmpty() ? CallLog(expected.begin(), expected.begin() + 3) : expected));
    }
}

// Each transport button and the mute box: what they tell the controls.
void HandlersTest::transportButtons()
{
    const auto mute = [](int tick, bool on) {
        return CallLog{valueOf("Check1", tick), put("MMControl1", mci::Mute, on),
                       put("ShockwaveFlash1", flash::Mute, on)};
    };
    const struct {
        void (*handler)(Form1Controls&);
        CallLog expected;
        int tick = 0;  // of the mute box
    } rows[] = {
            {transport::toStartAndPlay,
             {put("MMControl1", mci::Command, "prev"), put("MMControl1", mci::Command, "play"),
              put("Slider1", slider::Value, int32_t(0))}},
            {transport::play, {callOf("ShockwaveFlash1", flash::Play), put("MMControl1", mci::Command, "play")}},
            {transport::pause, {put("MMControl1", mci::Command, "pause")}},
            {transport::stepBack, {put("MMControl1", mci::Command, "back")}},
            {transport::stepForward, {put("MMControl1", mci::Command, "step")}},
            {transport::next, {put("MMControl1", mci::Command, "next")}},
            {transport::muteClicked, mute(1, true), 1},
            {transport::muteClicked, mute(0, false), 0},
            {transport::muteClicked, mute(2, false), 2},  // greyed: not muted
    };
    for (const auto& row : rows) {
        FakeForm1 f;
        f.Check1.tick = int16_t(row.tick);
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

    // From the loaded state, and from the state after a Flash opening.
    for (bool viaFlash : {false, true}) {
        FakeForm1 f;
        f.chooses("/m/a.file");
        f.Check2.tick = 1;
        if (viaFlash)
            corvane::openFlash(f.controls);
        else
            corvane::openAndPlay(f.controls, mediaKind("video"));
        const size_t before = f.log->size();
        transport::stopToIdle(f.controls);
        QCOMPARE(toStrings(CallLog(f.log->begin() + before, f.log->end())), toStrings(expected));
        QCOMPARE(f.Check2.tick, int16_t(1));  // the tick survives
        QCOMPARE(f.ShockwaveFlash1.get(flash::Movie).toText(), viaFlash ? QString("/m/a.file") : QString());
    }
}

// At the media's end (the position at the length) "prev", then "play" when
// the repeat box is ticked, else "stop"; short of it or past it, nothing.
void HandlersTest::completion()
{
    const struct {
        int length, position, repeat;
        const char* then;
    } rows[] = {{3000, 2999, 1, ""},     {3000, 3001, 1, ""},     {3000, 3000, 1, "play"},
                {3000, 3000, 0, "stop"}, {3000, 3000, 2, "stop"}, {0, 0, 0, "stop"}};
    for (const auto& r : rows) {
        FakeForm1 f;
        f.MMControl1.setAnswer(mci::Length, int32_t(r.length));
        f.MMControl1.setAnswer(mci::Position, int32_t(r.position));
        f.Check2.tick = int16_t(r.repeat);
        monitoring::done(f.controls, {Variant(int32_t(4))});
        CallLog expected{get("MMControl1", mci::Length, int32_t(r.length)),
                         get("MMControl1", mci::Position, int32_t(r.position))};
        if (*r.then)
            expected = expected
                    + CallLog{put("MMControl1", mci::Command, "prev"), valueOf("Check2", r.repeat),
                              put("MMControl1", mci::Command, r.then)};
        QCOMPARE(f.calls(), toStrings(expected));
    }
}

QTEST_GUILESS_MAIN(HandlersTest)
#include "handlers_test.moc"
