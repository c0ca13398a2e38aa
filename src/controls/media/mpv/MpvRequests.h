#pragma once
// What the mpv driver tags its engine requests and observed properties with,
// shared by its request side (MpvDriver.cpp) and its event side
// (MpvDriverEvents.cpp). Internal to the driver.
#include <cstdint>
#include <cstring>
#include <mpv/client.h>
#include <QtGlobal>

namespace corvane::mpvreq {

enum : uint64_t { TagNone = 0, TagSeek = 2, TagJump = 3 };
// Replies to "loadfile" carry the track and the open they belong to.
constexpr uint64_t kLoadTag = uint64_t(1) << 63;
inline uint64_t loadTag(quint32 generation, int track)
{
    return kLoadTag | (uint64_t(generation & 0x7fffffffu) << 32) | uint32_t(track);
}
inline quint32 loadGeneration(uint64_t tag) { return quint32(tag >> 32) & 0x7fffffffu; }
inline int loadTrack(uint64_t tag) { return int(uint32_t(tag)); }
// The playlist entry id a "loadfile" reply names, or -1.
inline int64_t entryIdOf(const mpv_node& result)
{
    if (result.format != MPV_FORMAT_NODE_MAP || !result.u.list)
        return -1;
    for (int i = 0; i < result.u.list->num; ++i) {
        const mpv_node& v = result.u.list->values[i];
        if (std::strcmp(result.u.list->keys[i], "playlist_entry_id") == 0 && v.format == MPV_FORMAT_INT64)
            return v.u.int64;
    }
    return -1;
}

enum : uint64_t { PropTimePos = 1, PropMute };

// At most this far the position runs on past the engine's last report.
constexpr qint64 kMaxRunOnMs = 200;

}  // namespace corvane::mpvreq
