#include "MidiFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <QtEndian>
#include <queue>

namespace corvane {

namespace {

constexpr quint32 kDefaultUsPerBeat = 500000;
// Ticks beyond this end a track: every delta of the written file then fits
// in a four-byte variable-length quantity, and ticks fit the synthesizer's int.
constexpr qint64 kMaxTick = 0x0fffffff;

quint32 be(const uchar* p, int n)
{
    quint32 v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

class Reader {
public:
    Reader(const uchar* p, qsizetype n) : p_(p), end_(p + n) {}
    bool atEnd() const { return p_ >= end_; }
    bool byte(uchar* out)
    {
        if (p_ >= end_)
            return false;
        *out = *p_++;
        return true;
    }
    // The next byte if it is a data byte (below 0x80).
    bool dataByte(uchar* out) { return p_ < end_ && *p_ < 0x80 && byte(out); }
    bool skip(quint32 n)
    {
        if (quint64(end_ - p_) < n)
            return false;
        p_ += n;
        return true;
    }
    // A variable-length quantity: at most four bytes.
    bool vlq(quint32* out)
    {
        quint32 v = 0;
        for (int i = 0; i < 4; ++i) {
            uchar b;
            if (!byte(&b))
                return false;
            v = (v << 7) | (b & 0x7f);
            if (!(b & 0x80)) {
                *out = v;
                return true;
            }
        }
        return false;
    }
    const uchar* pos() const { return p_; }

private:
    const uchar* p_;
    const uchar* end_;
};

// One event kept: a channel message, a tempo change or a system exclusive message.
struct Event {
    enum Kind : quint8 { Channel, Tempo, Sysex };
    qint64 tick = 0;
    Kind kind = Channel;
    uchar status = 0, d1 = 0, d2 = 0;  // Channel
    quint32 value = 0;                 // Tempo: microseconds a beat; Sysex: bytes of its body
    const uchar* body = nullptr;       // Sysex
};

int channelDataBytes(uchar status) { return (status & 0xf0) == 0xc0 || (status & 0xf0) == 0xd0 ? 1 : 2; }

// Data bytes carried by the system common and real-time status bytes.
int systemDataBytes(uchar status) { return status == 0xf2 ? 2 : status == 0xf1 || status == 0xf3 ? 1 : 0; }

// Reads one track chunk, an event at a time, at absolute ticks from `base`.
class TrackReader {
public:
    TrackReader(const uchar* data, qsizetype size, qint64 base) : r_(data, size), tick_(base) {}

    // The next event kept; false once the track has ended, at end().
    bool next(Event* e)
    {
        while (!ended_) {
            quint32 delta;
            uchar status;
            if (r_.atEnd() || !r_.vlq(&delta) || tick_ + delta > kMaxTick || !r_.byte(&status))
                break;
            e->tick = tick_ + delta;
            const Step step = event(e, status);
            if (step == Step::Cut)
                break;
            tick_ = e->tick;  // only a whole event moves the track on
            if (step == Step::Keep)
                return true;
            ended_ = step == Step::End;
        }
        ended_ = true;
        return false;
    }
    // The tick the track ends at: its end-of-track event, or the last whole
    // event before a cut.
    qint64 end() const { return tick_; }

private:
    enum class Step { Keep, Skip, End, Cut };

    Step event(Event* e, uchar status)
    {
        if (status == 0xff)
            return meta(e);
        if (status == 0xf0 || status == 0xf7)
            return sysex(e, status);
        if (status > 0xef) {
            // A stray system byte: it and its data go, running status stays.
            uchar d;
            for (int i = systemDataBytes(status); i > 0 && r_.dataByte(&d); --i) {}
            return Step::Skip;
        }
        return channel(e, status);
    }

    Step meta(Event* e)
    {
        uchar type;
        quint32 len;
        if (!r_.byte(&type) || !r_.vlq(&len))
            return Step::Cut;
        const uchar* body = r_.pos();
        if (!r_.skip(len))
            return Step::Cut;
        if (type == 0x2f)
            return Step::End;  // anything after it is ignored
        e->kind = Event::Tempo;
        e->value = type == 0x51 && len >= 3 ? be(body, 3) : 0;
        return e->value > 0 ? Step::Keep : Step::Skip;
    }

    // F0 messages are kept; F7 escapes (arbitrary bytes) are not.
    Step sysex(Event* e, uchar status)
    {
        quint32 len;
        if (!r_.vlq(&len))
            return Step::Cut;
        e->kind = Event::Sysex;
        e->body = r_.pos();
        e->value = len;
        if (!r_.skip(len))
            return Step::Cut;
        return status == 0xf0 && len > 0 ? Step::Keep : Step::Skip;
    }

    Step channel(Event* e, uchar status)
    {
        uchar d1 = status;
        if (status & 0x80) {
            running_ = status;
            if (!r_.dataByte(&d1))
                return Step::Cut;
        } else if (!running_) {
            return Step::Cut;  // a data byte with no status to run on
        }
        uchar d2 = 0;
        if (channelDataBytes(running_) == 2 && !r_.dataByte(&d2))
            return Step::Cut;
        e->kind = Event::Channel;
        e->status = running_;
        e->d1 = d1;
        e->d2 = d2;
        return Step::Keep;
    }

    Reader r_;
    qint64 tick_;
    uchar running_ = 0;
    bool ended_ = false;
};

char* putVlq(char* out, quint32 v)
{
    int shift = 21;
    while (shift > 0 && (v >> shift) == 0)
        shift -= 7;
    for (; shift > 0; shift -= 7)
        *out++ = char(0x80 | ((v >> shift) & 0x7f));
    *out++ = char(v & 0x7f);
    return out;
}

// Writes the clean format-0 file as the events come, in tick order, and
// keeps what the tempo map and the checks need. Never writes more than
// twice the bytes read plus a little: no event grows by more than its
// status byte, and merging only shortens deltas.
class SmfWriter {
public:
    SmfWriter(qsizetype inputBytes, quint32 division, qsizetype tracks)
        : out_(2 * inputBytes + 16 * tracks + 64, Qt::Uninitialized)
    {
        o_ = std::copy_n("MThd\0\0\0\x06\0\0\0\x01", 12, out_.data());
        *o_++ = char(division >> 8);
        *o_++ = char(division);
        o_ = std::copy_n("MTrk\0\0\0\0", 8, o_);
        trackStart_ = o_ - out_.data();
    }

    void put(const Event& e)
    {
        o_ = putVlq(o_, quint32(e.tick - tick_));
        tick_ = e.tick;
        switch (e.kind) {
        case Event::Channel:
            *o_++ = char(e.status);
            *o_++ = char(e.d1);
            if (channelDataBytes(e.status) == 2)
                *o_++ = char(e.d2);
            break;
        case Event::Tempo:
            o_ = std::copy_n("\xff\x51\x03", 3, o_);
            for (int s = 16; s >= 0; s -= 8)
                *o_++ = char(e.value >> s);
            break;
        case Event::Sysex:
            *o_++ = char(0xf0);
            o_ = std::copy_n(reinterpret_cast<const char*>(e.body), e.value, putVlq(o_, e.value));
            break;
        }
    }

    QByteArray finish(qint64 total)
    {
        o_ = std::copy_n("\xff\x2f\x00", 3, putVlq(o_, quint32(total - tick_)));
        const auto len = quint32(o_ - out_.data() - trackStart_);
        for (int i = 0; i < 4; ++i)
            out_[trackStart_ - 4 + i] = char(len >> (24 - 8 * i));
        out_.truncate(o_ - out_.data());
        return std::move(out_);
    }

private:
    QByteArray out_;
    char* o_;
    qsizetype trackStart_;
    qint64 tick_ = 0;
};

// What the first reading keeps: no more than the checks and the tempo map need.
struct Scan {
    struct Tempo {
        qint64 tick;
        quint32 usPerBeat;
    };
    void put(const Event& e)
    {
        ++events;
        if (e.kind == Event::Tempo)
            tempos.push_back({e.tick, e.value});
    }
    qint64 events = 0;
    std::vector<Tempo> tempos;
};

// Where the MTrk chunks are, cut to the bytes there are.
MidiChunks trackChunks(const QByteArray& b, qint64 first)
{
    MidiChunks chunks;
    const auto* p = reinterpret_cast<const uchar*>(b.constData());
    for (qint64 at = first; at + 8 <= b.size(); at += 8 + qint64(be(p + at + 4, 4))) {
        if (std::memcmp(p + at, "MTrk", 4) == 0)
            chunks.emplace_back(at + 8, std::min<qint64>(be(p + at + 4, 4), b.size() - at - 8));
    }
    return chunks;
}

// The tracks one by one: side by side (each from tick 0), or for format 2
// (`chained`) each after the one before, from the default tempo. Returns
// the length in ticks.
template <typename Sink>
qint64 eachTrack(const uchar* p, const MidiChunks& chunks, bool chained, Sink& w)
{
    qint64 start = 0;
    qint64 total = 0;
    for (const auto& [at, size] : chunks) {
        if (chained && start > 0) {
            Event tempo;
            tempo.tick = start;
            tempo.kind = Event::Tempo;
            tempo.value = kDefaultUsPerBeat;
            w.put(tempo);
        }
        TrackReader r(p + at, size, start);
        Event e;
        while (r.next(&e))
            w.put(e);
        total = std::max(total, r.end());
        start = chained ? r.end() : 0;
    }
    return total;
}

// Format 0 and 1: the tracks side by side, merged in tick order (earlier
// tracks first at equal ticks). Returns the length in ticks.
qint64 mergeTracks(const uchar* p, const MidiChunks& chunks, SmfWriter& w)
{
    struct Head {
        Event e;
        size_t track;
        bool operator<(const Head& o) const { return e.tick != o.e.tick ? e.tick > o.e.tick : track > o.track; }
    };
    if (chunks.size() == 1)
        return eachTrack(p, chunks, false, w);
    std::vector<TrackReader> readers;
    readers.reserve(chunks.size());
    std::priority_queue<Head> heads;
    for (const auto& [at, size] : chunks) {
        readers.emplace_back(p + at, size, 0);
        Head h{{}, readers.size() - 1};
        if (readers.back().next(&h.e))
            heads.push(h);
    }
    while (!heads.empty()) {
        Head h = heads.top();
        heads.pop();
        w.put(h.e);
        if (readers[h.track].next(&h.e))
            heads.push(h);
    }
    qint64 total = 0;
    for (const TrackReader& r : readers)
        total = std::max(total, r.end());
    return total;
}

}  // namespace

QByteArray MidiFile::unwrapRmid(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "RMID")
        return bytes;
    const qint64 riffEnd = std::min<qint64>(bytes.size(), 8 + qint64(qFromLittleEndian<quint32>(p + 4)));
    qint64 at = 12;
    while (at + 8 <= riffEnd) {
        const qint64 size = qFromLittleEndian<quint32>(p + at + 4);
        if (bytes.mid(at, 4) == "data")
            return bytes.mid(at + 8, size);  // a cut chunk gives what it has
        at += 8 + size + (size & 1);
    }
    return {};
}

std::optional<MidiFile> MidiFile::parse(const QByteArray& input, QString* problem)
{
    auto fail = [problem](const char* why) {
        if (problem)
            *problem = QString::fromUtf8(why);
        return std::nullopt;
    };
    const QByteArray b = unwrapRmid(input);
    const auto* p = reinterpret_cast<const uchar*>(b.constData());
    if (b.size() < 14 || !b.startsWith("MThd"))
        return fail("not a MIDI file");
    const quint32 headerLen = be(p + 4, 4);
    const quint32 format = be(p + 8, 2);
    const quint32 division = be(p + 12, 2);
    if (headerLen < 6)
        return fail("bad MIDI header");
    if (format > 2)
        return fail("unknown MIDI format");
    if (division == 0 || (division & 0x8000))
        return fail("unsupported MIDI time division");

    MidiFile f;
    f.bytes_ = b;
    f.division_ = division;
    f.chained_ = format == 2;
    f.chunks_ = trackChunks(b, 8 + qint64(headerLen));
    if (f.chunks_.empty())
        return fail("no MIDI track");
    Scan scan;
    f.totalTicks_ = eachTrack(p, f.chunks_, f.chained_, scan);
    // A file of meta events and system exclusive messages only plays as
    // silence for its length; a file with nothing readable is refused.
    if (scan.events == 0 && f.totalTicks_ <= 0)
        return fail("empty MIDI file");
    f.events_ = scan.events;
    // Tracks were read one by one: in tick order, earlier tracks first at equal ticks.
    std::stable_sort(scan.tempos.begin(), scan.tempos.end(),
                     [](const Scan::Tempo& a, const Scan::Tempo& c) { return a.tick < c.tick; });
    f.tempo_.push_back({0, 0.0, kDefaultUsPerBeat / double(division) / 1000.0});
    for (const Scan::Tempo& t : scan.tempos) {
        TempoPoint& last = f.tempo_.back();
        const double perTick = double(t.usPerBeat) / division / 1000.0;
        if (t.tick == last.tick)
            last.msPerTick = perTick;  // a later change at the same tick wins
        else
            f.tempo_.push_back({t.tick, last.ms + (t.tick - last.tick) * last.msPerTick, perTick});
    }
    return f;
}

QByteArray MidiFile::writeSmf() const
{
    const auto* p = reinterpret_cast<const uchar*>(bytes_.constData());
    SmfWriter w(bytes_.size(), division_, qsizetype(chunks_.size()));
    if (chained_)
        eachTrack(p, chunks_, true, w);
    else
        mergeTracks(p, chunks_, w);
    return w.finish(totalTicks_);
}

double MidiFile::tickToMs(qint64 tick) const
{
    if (tempo_.empty())
        return 0;
    auto it = std::upper_bound(tempo_.begin(), tempo_.end(), tick,
                               [](qint64 t, const TempoPoint& pt) { return t < pt.tick; });
    const TempoPoint& pt = *std::prev(it == tempo_.begin() ? std::next(it) : it);
    return pt.ms + (tick - pt.tick) * pt.msPerTick;
}

qint64 MidiFile::msToTick(double ms) const
{
    if (tempo_.empty() || ms <= 0)
        return 0;
    auto it = std::upper_bound(tempo_.begin(), tempo_.end(), ms,
                               [](double m, const TempoPoint& pt) { return m < pt.ms; });
    const TempoPoint& pt = *std::prev(it);
    return pt.tick + qint64(std::llround((ms - pt.ms) / pt.msPerTick));
}

}  // namespace corvane
