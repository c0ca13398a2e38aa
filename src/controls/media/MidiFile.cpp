#include "MidiFile.h"

#include <algorithm>
#include <cmath>

namespace corvane {

namespace {

constexpr double kDefaultUsPerBeat = 500000.0;

quint32 be(const uchar* p, int n)
{
    quint32 v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

quint32 le32(const uchar* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (quint32(p[3]) << 24); }

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

struct TempoEvent {
    qint64 tick;
    quint32 usPerBeat;
};

// Walks one track; returns its length in ticks or -1 if it is malformed.
qint64 readTrack(const uchar* data, quint32 size, std::vector<TempoEvent>* tempos)
{
    Reader r(data, size);
    qint64 tick = 0;
    uchar running = 0;
    while (!r.atEnd()) {
        quint32 delta;
        if (!r.vlq(&delta))
            return -1;
        tick += delta;
        uchar status;
        if (!r.byte(&status))
            return -1;
        if (status == 0xff) {
            uchar type;
            quint32 len;
            if (!r.byte(&type) || !r.vlq(&len))
                return -1;
            const uchar* body = r.pos();
            if (!r.skip(len))
                return -1;
            if (type == 0x51 && len == 3) {
                const quint32 us = be(body, 3);
                if (us == 0)
                    return -1;
                tempos->push_back({tick, us});
            }
            if (type == 0x2f)
                return tick;  // end of track; anything after it is ignored
            running = 0;
        } else if (status == 0xf0 || status == 0xf7) {
            quint32 len;
            if (!r.vlq(&len) || !r.skip(len))
                return -1;
            running = 0;
        } else if (status & 0x80) {
            if (status > 0xef)
                return -1;  // system common or real-time bytes have no place in a file
            running = status;
            const quint32 dataBytes = (status & 0xf0) == 0xc0 || (status & 0xf0) == 0xd0 ? 1 : 2;
            for (quint32 i = 0; i < dataBytes; ++i) {
                uchar d;
                if (!r.byte(&d) || (d & 0x80))
                    return -1;
            }
        } else {
            // Running status: this byte is the first data byte.
            if (!running)
                return -1;
            if ((running & 0xf0) != 0xc0 && (running & 0xf0) != 0xd0) {
                uchar d;
                if (!r.byte(&d) || (d & 0x80))
                    return -1;
            }
        }
    }
    return tick;  // no end-of-track event: the track ends with its chunk
}

}  // namespace

QByteArray MidiFile::unwrapRmid(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "RMID")
        return bytes;
    const qint64 riffEnd = std::min<qint64>(bytes.size(), 8 + qint64(le32(p + 4)));
    qint64 at = 12;
    while (at + 8 <= riffEnd) {
        const qint64 size = le32(p + at + 4);
        if (bytes.mid(at, 4) == "data")
            return at + 8 + size <= bytes.size() ? bytes.mid(at + 8, size) : QByteArray();
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
    MidiFile f;
    f.smf_ = unwrapRmid(input);
    const QByteArray& b = f.smf_;
    const auto* p = reinterpret_cast<const uchar*>(b.constData());
    if (b.size() < 14 || !b.startsWith("MThd"))
        return fail("not a MIDI file");
    const quint32 headerLen = be(p + 4, 4);
    if (headerLen < 6 || 8 + qint64(headerLen) > b.size())
        return fail("bad MIDI header");
    const quint32 format = be(p + 8, 2);
    const quint32 division = be(p + 12, 2);
    if (format > 2)
        return fail("unknown MIDI format");
    if (division == 0 || (division & 0x8000))
        return fail("unsupported MIDI time division");

    std::vector<TempoEvent> tempos;
    qint64 at = 8 + headerLen;
    while (at + 8 <= b.size()) {
        const quint32 size = be(p + at + 4, 4);
        if (at + 8 + qint64(size) > b.size())
            return fail("truncated MIDI track");
        if (b.mid(at, 4) == "MTrk") {
            const qint64 ticks = readTrack(p + at + 8, size, &tempos);
            if (ticks < 0)
                return fail("malformed MIDI track");
            f.totalTicks_ = std::max(f.totalTicks_, ticks);
            ++f.tracks_;
        }
        at += 8 + size;
    }
    if (f.tracks_ == 0)
        return fail("no MIDI track");
    if (f.totalTicks_ <= 0)
        return fail("empty MIDI tracks");

    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoEvent& a, const TempoEvent& c) { return a.tick < c.tick; });
    f.tempo_.push_back({0, 0.0, kDefaultUsPerBeat / division / 1000.0});
    for (const TempoEvent& t : tempos) {
        TempoPoint& last = f.tempo_.back();
        const double ms = last.ms + (t.tick - last.tick) * last.msPerTick;
        const double perTick = double(t.usPerBeat) / division / 1000.0;
        if (t.tick == last.tick)
            last.msPerTick = perTick;  // a later change at the same tick wins
        else
            f.tempo_.push_back({t.tick, ms, perTick});
    }
    return f;
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
