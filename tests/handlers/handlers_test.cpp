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

// Command1..Command6, then the given CommandSCE buttons, in that order.
CallLog buttons(bool kindsOn, bool transportOn, std::initializer_list<int> transport = {1, 2, 3, 4, 5, 6, 7})
{
    CallLog out;
    for (int n = 1; n <= 6; ++n)
        out.push_back({QStringLiteral("Command%1").arg(n), "put", button::Enabled, kindsOn});
    for (int n : transport)
        out.push_back({QStringLiteral("CommandSCE%1").arg(n), "put", button::Enabled, transportOn});
    return out;
}

CallLog operator+(CallLog a, const CallLog& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Stop returns to idle from whatever state `f` is in.
void checkStop(FakeForm1& f)
{
    f.log->clear();
    transport::stopToIdle(f.controls);
    QCOMPARE(f.calls(),
             toStrings(CallLog{callOf("ShockwaveFlash1", flash::Stop), put("MMControl1", mci::Command, "close"),
                               put("MMControl1", mci::FileName, ""), put("MMControl1", mci::Flag52, false),
                               put("Slider1", slider::Value, int32_t(0))}
                       + buttons(true, false) + CallLog{enable("Check1", false), enable("Check2", false)}));
}

}  // namespace

class HandlersTest : public QObject {
    Q_OBJECT
private slots:
    // The kind's type and filter, the choice passed on unchanged, open and
    // play, the slider's range from the length text, the loaded state; a
    // movie plays with play and stop as its only transport. A cancelled
    // dialog leaves everything past the choice untouched. Stop follows each.
    void openingThenStop()
    {
        for (const auto& [kind, name, length] : {std::tuple{kMediaKinds[0], "/媒体/片 段.AVI", "1234"},
                                                 {kMediaKinds[4], " /m/x.rmi", "0"},
                                                 {kMediaKinds[3], "", "1234"}}) {
            FakeForm1 f;
            f.chooses(name);
            f.MMControl1.setAnswer(mci::Length, length);
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
            checkStop(f);
        }
        for (const QString file : {"/m/a.swf", ""}) {
            FakeForm1 f;
            f.chooses(file);
            corvane::openFlash(f.controls);
            const CallLog expected = CallLog{put("CommonDialog1", dialog::Filter, "(*.swf)|*.swf|(*.*)|*.*"),
                                             callOf("CommonDialog1", dialog::ShowOpen),
                                             get("CommonDialog1", dialog::FileName, file),
                                             put("ShockwaveFlash1", flash::Movie, file),
                                             callOf("ShockwaveFlash1", flash::Play),
                                             put("Slider1", slider::Min, int32_t(0))}
                    + buttons(false, true, {2, 7});
            QCOMPARE(f.calls(), toStrings(file.isEmpty() ? CallLog(expected.begin(), expected.begin() + 3) : expected));
            checkStop(f);
        }
    }

    // Each transport button and the mute box: what they tell the controls.
    void transportButtons()
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

    // At the media's end (the position at the length) "prev", then "play" when
    // the repeat box is ticked, else "stop"; short of it or past it, nothing.
    void completion()
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
            const CallLog ends{put("MMControl1", mci::Command, "prev"), valueOf("Check2", r.repeat),
                               put("MMControl1", mci::Command, r.then)};
            QCOMPARE(f.calls(),
                     toStrings(CallLog{get("MMControl1", mci::Length, int32_t(r.length)),
                                       get("MMControl1", mci::Position, int32_t(r.position))}
                               + (*r.then ? ends : CallLog{})));
        }
    }
};

QTEST_GUILESS_MAIN(HandlersTest)
#include "handlers_test.moc"
