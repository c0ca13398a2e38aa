// The device's transport rules on a scripted engine, in virtual time: no
// engine, no waiting. Each row is a script of steps and checks.
#include "DispatchIds.h"
#include "media/MediaDevice.h"
#include "media/mpv/LoadQueue.h"

#include <algorithm>
#include <QtTest>

using namespace corvane;

namespace {

// Tracks starting at the given times, the last time the end; the position
// is where the test puts it.
class FakeDriver : public MediaDriver {
public:
    QList<qint64> starts{0};
    qint64 pos = 0;
    bool video = false, refuse = false;
    QStringList log;

    bool open(const QString&, bool) override { return !refuse; }
    void close() override {}
    void prepare(bool) override { log << "prepare"; }
    void play() override { log << "play"; }
    void pause() override { log << "pause"; }
    void seek(qint64 ms) override { log << QStringLiteral("seek%1").arg(pos = ms); }
    void seekToEnd() override { log << "atend"; }
    void frameStep(int d) override { log << (d > 0 ? "frame+" : "frame-"); }
    qint64 lengthMs() const override { return starts.last(); }
    qint64 positionMs() const override { return pos; }
    bool hasVideo() const override { return video; }
    int trackCount() const override { return int(starts.size()) - 1; }
    int currentTrack() const override
    {
        return int(std::upper_bound(starts.begin() + 1, starts.end() - 1, pos) - starts.begin()) - 1;
    }
    qint64 trackStartMs(int track) const override { return starts[track]; }
    void setMuted(bool) override {}
    bool engineMuted() const override { return false; }
    QString engineName() const override { return {}; }
};

}  // namespace

class TstDeviceRules : public QObject {
    Q_OBJECT
    QPointer<FakeDriver> fake_;

    void open(MediaDevice& device, const QString& step)
    {
        fake_->starts = {0};
        for (const QString& ms : step.size() > 5 ? step.mid(5).split(',') : QStringList{"1000"})
            fake_->starts << fake_->starts.last() + ms.toLongLong();
        fake_->pos = 0;
        device.put(dispid::mci::Command, QStringLiteral("open"));
        fake_->log.clear();
    }

    // What the device shows, in the notation of the check that asks.
    QString seen(MediaDevice& device, QChar what, int done)
    {
        switch (what.toLatin1()) {
        case '=': return '=' + QString::number(device.get(dispid::mci::Position).toInt());
        case '#': return '#' + QString::number(done);
        case '>': return '>' + std::exchange(fake_->log, {}).join(',');
        default: return device.isOpen() ? (device.isPlaying() ? "+" : "-") : (device.isPlaying() ? "!" : "x");
        }
    }

private slots:
    void initTestCase()
    {
        setMediaDriverFactory([this](MediaEngine, const QString&, const QString&) {
            return std::unique_ptr<MediaDriver>(fake_ = new FakeDriver);
        });
    }
    void cleanupTestCase() { setMediaDriverFactory({}); }

    void rules_data()
    {
        QTest::addColumn<QString>("script");
        // video, refuse: of the next open; open[:ms,ms]: tracks of those lengths (one of 1000 ms)
        // the verbs | engine reports: @ms (position) end[:track] fail | checks: =position
        // #completions so far, + playing, - open and halted, x closed, >calls since the last >
        const char* rows[][2] = {
                {"play to the end: once, at the length", "open play @400 =400 end =1000 #1 - end play #1 + end #2"},
                {"past the probed length: held at the length", "open play @1200 =1000 #0 + end #1"},
                {"plain play never goes back", "open play @300 =300 @250 =300 pause @280 =300 play @350 =350"},
                {"prev goes back and keeps playing", "open play @800 =800 prev =0 + @100 =100 >play,seek0"},
                {"play at the end: from the start", "open play end #1 play =0 + >play,atend,seek0,play"},
                {"prev at the end, then play or stop", "open play end #1 prev play =0 + end #2 prev stop =0 - #2"},
                {"next: the end at once, once", "open next =1000 #1 - next #1 >atend"},
                {"next while playing halts at the end", "open play @200 next =1000 #1 - end #1"},
                {"open or close over the end drops the completion", "open next open #0 =0 - next close #0 x"},
                {"open over playing: at the start, halted", "open play @500 open =0 - end #0"},
                {"ended while paused: the next play ends", "open play pause end #0 - play #1 =1000"},
                {"ended while paused, then prev: plays again", "open play pause end prev play #0 + end #1"},
                {"stop keeps the place", "open play @500 stop - =500 play + >play,pause,play"},
                {"pause and stop at the end stay there", "open next pause stop =1000 - play =0 +"},
                {"a track's end is not the media's", "open:400,600 play end:0 #0 + @700 =700 end:1 #1"},
                {"next by tracks, then the end", "open:400,600 next =400 next =1000 #1 >seek400,atend"},
                {"step and back stay in the track", "open:400,600 @100 step =400 back =400 step =1000 #1"},
                {"audio steps of 5 s", "open:20000 @1000 step =6000 back =1000 back =0 @19000 step #1"},
                {"back at the end leaves it", "open:20000 next #1 back =15000 - play + >atend,seek15000,play"},
                {"video frames", "video open play @300 step - =300 back @100 =100 >play,frame+,frame-"},
                {"video back at the end", "video open next back =960 - step =960"},
                {"engine failure closes", "open play fail x #0 =0"},
                {"refused: nothing open", "refuse open x play next #0 >"},
                {"verbs with nothing open", "play pause stop prev next step back close x #0"},
        };
        for (const auto& r : rows)
            QTest::newRow(r[0]) << QString::fromLatin1(r[1]);
    }

    void rules()
    {
        QFETCH(QString, script);
        MediaDevice device;
        int done = 0;
        device.advise([&](DispId ev, const Args&) { done += ev == dispid::mci::Done; });
        device.put(dispid::mci::DeviceType, QStringLiteral("MPEGVideo"));
        QCOMPARE(fake_->log, QStringList{"prepare"});  // the engine gets ready before the file is chosen
        device.put(dispid::mci::FileName, QStringLiteral("/media.avi"));
        for (const QString& step : script.split(' ')) {
            if (QStringLiteral("=#+-x>").contains(step[0])) {
                QCoreApplication::processEvents();  // queued completions arrive
                QCOMPARE(seen(device, step[0], done), step);
            } else if (step == "video" || step == "refuse") {
                (step == "video" ? fake_->video : fake_->refuse) = true;
            } else if (step.startsWith("open")) {
                open(device, step);
            } else if (step[0] == '@') {
                fake_->pos = step.mid(1).toLongLong();
            } else if (step == "fail") {
                emit fake_->failed();
            } else if (step.startsWith("end")) {
                emit fake_->trackEnded(step.size() > 3 ? step.mid(4).toInt() : fake_->trackCount() - 1);
            } else {
                device.put(dispid::mci::Command, step);
            }
        }
    }

    // Halted, the status updates slow down once the position stands still
    // (the window and the engines then sleep); "play" brings the full rate
    // back at once, and nothing open means no updates at all.
    void statusPace()
    {
        using dispid::mci::Command;
        MediaDevice device;
        int updates = 0;
        device.advise([&](DispId ev, const Args&) { updates += ev == dispid::mci::StatusUpdate; });
        device.put(dispid::mci::DeviceType, QStringLiteral("WAVEAudio"));
        device.put(dispid::mci::FileName, QStringLiteral("/media.wav"));
        QCOMPARE(device.statusIntervalMs(), 0);
        open(device, "open:60000");
        device.put(Command, QStringLiteral("play"));
        QTest::qWait(6 * MediaDevice::kStatusIntervalMs);  // playing, even where the engine reports no move
        QCOMPARE(device.statusIntervalMs(), MediaDevice::kStatusIntervalMs);
        device.put(Command, QStringLiteral("pause"));
        QTRY_COMPARE_WITH_TIMEOUT(device.statusIntervalMs(), MediaDevice::kStillStatusIntervalMs, 3000);
        const int slow = updates;
        device.put(Command, QStringLiteral("play"));
        QCOMPARE(device.statusIntervalMs(), MediaDevice::kStatusIntervalMs);
        QTRY_VERIFY_WITH_TIMEOUT(updates > slow, MediaDevice::kStillStatusIntervalMs / 2);
        device.put(Command, QStringLiteral("close"));
        QCOMPARE(device.statusIntervalMs(), 0);
    }

    // A long list is handed to the engine a few loads at a time; answers of
    // an earlier media are stale; entries map back to tracks.
    void loadQueue()
    {
        constexpr int kMax = LoadQueue::kMaxInFlight;
        LoadQueue q;
        q.reset(kMax + 2);
        const quint32 first = q.generation();
        int sent = 0;
        while (q.takeNext() >= 0)
            ++sent;
        QVERIFY(sent == kMax && q.handedOver(kMax - 1) && !q.handedOver(kMax));
        QVERIFY(q.answered(first, 5, 105) && q.answered(first, 0, -1));  // in any order; refused: no entry
        QCOMPARE(QList<int>({q.takeNext(), q.takeNext(), q.takeNext()}), QList<int>({kMax, kMax + 1, -1}));
        QVERIFY(!q.answered(first, kMax + 2, 7));  // never sent
        QCOMPARE(QList<int>({q.trackOf(105), q.trackOf(-1), q.trackOf(7)}), QList<int>({5, -1, -1}));
        q.reset(1);
        QVERIFY(q.generation() != first && q.trackOf(105) == -1 && !q.answered(first, 0, 200));
        QVERIFY(q.takeNext() == 0 && q.answered(q.generation(), 0, 201) && q.trackOf(201) == 0);
    }
};

QTEST_GUILESS_MAIN(TstDeviceRules)
#include "tst_device_rules.moc"
