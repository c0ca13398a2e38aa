#include "MediaProbe.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace corvane {

namespace {

using Clock = std::chrono::steady_clock;

// A container guess below this score is a guess from a few bytes or the name
// alone (random data named .mp3, say); the engine refuses those too. Only
// when the guess is the container the file's name says is it taken (an .mp3
// of a frame or two scores no more), and the engine is then told it.
constexpr int kMinProbeScore = AVPROBE_SCORE_RETRY + 1;

int interruptAfterDeadline(void* opaque) { return Clock::now() >= *static_cast<Clock::time_point*>(opaque) ? 1 : 0; }

struct FormatContext {
    AVFormatContext* ctx = nullptr;
    ~FormatContext()
    {
        if (ctx)
            avformat_close_input(&ctx);  // also frees a context never opened
    }
};

bool decodable(const AVCodecParameters* par)
{
    return par->codec_id != AV_CODEC_ID_NONE && avcodec_find_decoder(par->codec_id) != nullptr;
}

// Whether the container's header already tells all we need, so no packets
// have to be decoded to learn it (wav, mp4, avi, asf usually do).
bool headerComplete(const AVFormatContext* ctx)
{
    if (ctx->nb_streams == 0)
        return false;
    bool timed = ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* st = ctx->streams[i];
        timed = timed || (st->duration != AV_NOPTS_VALUE && st->duration > 0);
        const AVCodecParameters* par = st->codecpar;
        if (par->codec_type == AVMEDIA_TYPE_AUDIO
            && (par->codec_id == AV_CODEC_ID_NONE || par->sample_rate <= 0 || par->ch_layout.nb_channels <= 0))
            return false;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO && (par->codec_id == AV_CODEC_ID_NONE || par->width <= 0))
            return false;
    }
    return timed;
}

// At least one packet of media follows the header. Plain PCM shows it by
// the bytes left after the header (reading a packet of it makes the wav
// reader scan the data for wrapped compressed audio, which takes a while).
bool hasData(AVFormatContext* ctx)
{
    const AVCodecParameters* first = ctx->streams[0]->codecpar;
    if (ctx->nb_streams == 1 && first->codec_id >= AV_CODEC_ID_PCM_S16LE && first->codec_id < AV_CODEC_ID_ADPCM_IMA_QT
        && ctx->pb) {
        const int64_t size = avio_size(ctx->pb);
        return size > 0 && size - avio_tell(ctx->pb) >= std::max(1, first->block_align);
    }
    AVPacket* pkt = av_packet_alloc();
    const bool ok = pkt && av_read_frame(ctx, pkt) >= 0;
    av_packet_free(&pkt);
    return ok;
}

// Times the streams by their packets, for containers whose length is only a
// guess from a bit rate (raw elementary streams carry a placeholder rate).
// Reads to the end of a small file; of a large one a few megabytes, and
// scales by the file's size.
int64_t durationFromPackets(AVFormatContext* ctx, Clock::time_point deadline)
{
    constexpr int64_t kByteBudget = 8 * 1024 * 1024;
    int64_t first = INT64_MAX, last = INT64_MIN;
    AVPacket* pkt = av_packet_alloc();
    bool atEnd = false;
    int64_t read = 0;
    while (pkt && Clock::now() < deadline) {
        if (read > kByteBudget)
            break;
        if (av_read_frame(ctx, pkt) < 0) {
            atEnd = true;
            break;
        }
        read += pkt->size;
        const AVStream* st = ctx->streams[pkt->stream_index];
        const int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
        if (ts != AV_NOPTS_VALUE) {
            first = std::min(first, av_rescale_q(ts, st->time_base, AV_TIME_BASE_Q));
            last = std::max(last,
                            av_rescale_q(ts + std::max<int64_t>(0, pkt->duration), st->time_base, AV_TIME_BASE_Q));
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    if (last <= first)
        return 0;
    const int64_t span = last - first;
    if (atEnd || !ctx->pb)
        return span;
    const int64_t pos = avio_tell(ctx->pb), size = avio_size(ctx->pb);
    return pos > 0 && size > pos ? av_rescale(span, size, pos) : span;
}

// A plain PCM RIFF/WAVE file, read as the library reads it: its length is
// the data chunk's bytes over the bits of a sample frame. Only the layout
// where the library takes that count exactly is read here (format tags 1
// and 3 at whole-byte sample sizes, even chunk sizes, the data chunk within
// the file and within the first read); anything else is the library's.
constexpr qint64 kWaveHead = 4096;

quint32 le32(const QByteArray& b, qint64 at) { return qFromLittleEndian<quint32>(b.constData() + at); }
quint16 le16(const QByteArray& b, qint64 at) { return qFromLittleEndian<quint16>(b.constData() + at); }

struct WaveFormat {
    quint16 tag = 0, channels = 0, blockAlign = 0, bits = 0;
    quint32 rate = 0;
    bool plainPcm() const
    {
        const bool sized = tag == 1 ? (bits == 8 || bits == 16 || bits == 24 || bits == 32)
                                    : (tag == 3 && (bits == 32 || bits == 64));
        return sized && channels > 0 && rate > 0 && blockAlign == channels * bits / 8;
    }
};

std::optional<MediaInfo> waveFromHeader(const QString& absolutePath, qint64 fileSize)
{
    QFile file(absolutePath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(kWaveHead);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return std::nullopt;
    std::optional<WaveFormat> fmt;
    for (qint64 at = 12; at + 8 <= head.size();) {
        const QByteArray id = head.mid(at, 4);
        const quint32 size = le32(head, at + 4);
        const qint64 body = at + 8;
        if (id == "data") {
            if (!fmt || !fmt->plainPcm() || size < fmt->blockAlign || body + qint64(size) > fileSize)
                return std::nullopt;
            const qint64 frames = qint64(size) * 8 / (fmt->channels * fmt->bits);
            MediaInfo info;
            info.playable = true;
            info.hasAudio = true;
            const qint64 us = av_rescale_q(frames, AVRational{1, int(fmt->rate)}, AV_TIME_BASE_Q);
            info.lengthMs = (us + AV_TIME_BASE / 1000 - 1) / (AV_TIME_BASE / 1000);
            return info.lengthMs > 0 ? std::optional(info) : std::nullopt;
        }
        if (size % 2 != 0)
            return std::nullopt;  // the library pads such chunks its own way
        if (id == "fmt ") {
            if (fmt || size < 16 || body + 16 > head.size())
                return std::nullopt;
            fmt = WaveFormat{le16(head, body), le16(head, body + 2), le16(head, body + 12), le16(head, body + 14),
                             le32(head, body + 4)};
        }
        at = body + qint64(size);
    }
    return std::nullopt;
}

MediaInfo notPlayable(const char* why)
{
    MediaInfo info;
    info.problem = QString::fromUtf8(why);
    return info;
}

const char* fileProblem(const QFileInfo& fi)
{
    if (!fi.isAbsolute() || !fi.exists())
        return "no such file";
    if (!fi.isFile())
        return "not a regular file";
    return fi.size() == 0 ? "empty file" : nullptr;
}

// Opens the container and learns its streams; why not, or nullptr.
const char* openStreams(FormatContext& fc, const QString& absolutePath, const Clock::time_point& deadline,
                        QByteArray* container)
{
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "protocol_whitelist", "file", 0);
    // Guessing the container reads ever larger heads of the file, up to this
    // much; a quarter of the library's default keeps a file of noise from
    // holding the caller for long, and still reaches past the usual tags.
    av_dict_set(&opts, "formatprobesize", "262144", 0);
    const QByteArray url = "file:" + QFile::encodeName(absolutePath);
    const int rc = avformat_open_input(&fc.ctx, url.constData(), nullptr, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        fc.ctx = nullptr;  // freed by avformat_open_input on failure
        return Clock::now() >= deadline ? "timed out" : "unknown format";
    }
    if (fc.ctx->probe_score < kMinProbeScore) {
        const AVInputFormat* guess = fc.ctx->iformat;
        if (!guess->extensions || !av_match_ext(url.constData(), guess->extensions))
            return "unknown format";
        *container = QByteArray(guess->name).split(',').first();
    }
    // Decoding a few packets to learn the streams costs some milliseconds;
    // only containers that need it pay for it.
    if (headerComplete(fc.ctx))
        return hasData(fc.ctx) ? nullptr : "no media data";
    if (avformat_find_stream_info(fc.ctx, nullptr) < 0 || Clock::now() >= deadline)
        return Clock::now() >= deadline ? "timed out" : "unreadable streams";
    return nullptr;
}

QSize displaySize(const AVStream* st)
{
    const AVCodecParameters* par = st->codecpar;
    double w = par->width;
    const AVRational sar = st->sample_aspect_ratio.num ? st->sample_aspect_ratio : par->sample_aspect_ratio;
    if (sar.num > 0 && sar.den > 0)
        w = w * sar.num / sar.den;
    return QSize(int(std::lround(w)), par->height);
}

void readStreams(const AVFormatContext* ctx, MediaInfo* info)
{
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* st = ctx->streams[i];
        const AVCodecParameters* par = st->codecpar;
        if (!decodable(par))
            continue;
        if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate > 0) {
            info->hasAudio = true;
        } else if (par->codec_type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC)
                   && par->width > 0 && par->height > 0 && !info->hasVideo) {
            info->hasVideo = true;
            info->videoSize = displaySize(st);
        }
    }
}

// The container's length, else its longest stream's; in microseconds.
int64_t durationUs(AVFormatContext* ctx, Clock::time_point deadline)
{
    int64_t duration = ctx->duration;
    if (ctx->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE)
        duration = durationFromPackets(ctx, deadline);
    if (duration != AV_NOPTS_VALUE && duration > 0)
        return duration;
    duration = 0;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVStream* st = ctx->streams[i];
        if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
            duration = std::max(duration, av_rescale_q(st->duration, st->time_base, AV_TIME_BASE_Q));
    }
    return duration;
}

}  // namespace

MediaInfo MediaProbe::probe(const QString& absolutePath, std::chrono::milliseconds limit)
{
    const QFileInfo fi(absolutePath);
    if (const char* problem = fileProblem(fi))
        return notPlayable(problem);
    if (auto wave = waveFromHeader(absolutePath, fi.size()))
        return *wave;
    Clock::time_point deadline = Clock::now() + limit;
    FormatContext fc;
    fc.ctx = avformat_alloc_context();
    if (!fc.ctx)
        return notPlayable("out of memory");
    fc.ctx->interrupt_callback.callback = interruptAfterDeadline;
    fc.ctx->interrupt_callback.opaque = &deadline;
    MediaInfo info;
    if (const char* problem = openStreams(fc, absolutePath, deadline, &info.container))
        return notPlayable(problem);
    readStreams(fc.ctx, &info);
    if (!info.hasAudio && !info.hasVideo)
        return notPlayable("no playable stream");
    // Whole milliseconds, rounded up: a clip of under a millisecond lasts one.
    const int64_t us = durationUs(fc.ctx, deadline);
    info.lengthMs = us > 0 ? (us + AV_TIME_BASE / 1000 - 1) / (AV_TIME_BASE / 1000) : 0;
    if (info.lengthMs <= 0)
        return notPlayable("no length");
    info.playable = true;
    return info;
}

}  // namespace corvane
