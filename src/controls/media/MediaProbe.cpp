#include "MediaProbe.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace corvane {

namespace {

using Clock = std::chrono::steady_clock;

// A container guess below this score is a guess from a few bytes or the name
// alone (random data named .mp3, say); the engine refuses those too.
constexpr int kMinProbeScore = AVPROBE_SCORE_RETRY + 1;

int interruptAfterDeadline(void* opaque)
{
    return Clock::now() >= *static_cast<Clock::time_point*>(opaque) ? 1 : 0;
}

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

MediaInfo notPlayable(const char* why)
{
    MediaInfo info;
    info.problem = QString::fromUtf8(why);
    return info;
}

} // namespace

MediaInfo MediaProbe::probe(const QString& absolutePath, std::chrono::milliseconds limit)
{
    const QFileInfo fi(absolutePath);
    if (!fi.isAbsolute() || !fi.exists())
        return notPlayable("no such file");
    if (!fi.isFile())
        return notPlayable("not a regular file");
    if (fi.size() == 0)
        return notPlayable("empty file");

    Clock::time_point deadline = Clock::now() + limit;
    FormatContext fc;
    fc.ctx = avformat_alloc_context();
    if (!fc.ctx)
        return notPlayable("out of memory");
    fc.ctx->interrupt_callback.callback = interruptAfterDeadline;
    fc.ctx->interrupt_callback.opaque = &deadline;

    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "protocol_whitelist", "file", 0);
    const QByteArray url = "file:" + QFile::encodeName(absolutePath);
    const int rc = avformat_open_input(&fc.ctx, url.constData(), nullptr, &opts);
    av_dict_free(&opts);
    if (rc < 0) {
        fc.ctx = nullptr;  // freed by avformat_open_input on failure
        return notPlayable(Clock::now() >= deadline ? "timed out" : "unknown format");
    }
    if (fc.ctx->probe_score < kMinProbeScore)
        return notPlayable("unknown format");
    if (avformat_find_stream_info(fc.ctx, nullptr) < 0 || Clock::now() >= deadline)
        return notPlayable(Clock::now() >= deadline ? "timed out" : "unreadable streams");

    MediaInfo info;
    for (unsigned i = 0; i < fc.ctx->nb_streams; ++i) {
        const AVStream* st = fc.ctx->streams[i];
        const AVCodecParameters* par = st->codecpar;
        if (!decodable(par))
            continue;
        if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate > 0) {
            info.hasAudio = true;
        } else if (par->codec_type == AVMEDIA_TYPE_VIDEO && !(st->disposition & AV_DISPOSITION_ATTACHED_PIC)
                   && par->width > 0 && par->height > 0 && !info.hasVideo) {
            info.hasVideo = true;
            double w = par->width;
            const AVRational sar = st->sample_aspect_ratio.num ? st->sample_aspect_ratio : par->sample_aspect_ratio;
            if (sar.num > 0 && sar.den > 0)
                w = w * sar.num / sar.den;
            info.videoSize = QSize(int(std::lround(w)), par->height);
        }
    }
    if (!info.hasAudio && !info.hasVideo)
        return notPlayable("no playable stream");

    int64_t duration = fc.ctx->duration;
    if (duration == AV_NOPTS_VALUE || duration <= 0) {
        duration = 0;
        for (unsigned i = 0; i < fc.ctx->nb_streams; ++i) {
            const AVStream* st = fc.ctx->streams[i];
            if (st->duration != AV_NOPTS_VALUE && st->duration > 0)
                duration = std::max(duration, av_rescale_q(st->duration, st->time_base, AV_TIME_BASE_Q));
        }
    }
    info.lengthMs = duration / (AV_TIME_BASE / 1000);
    if (info.lengthMs <= 0)
        return notPlayable("no length");
    info.playable = true;
    return info;
}

} // namespace corvane
