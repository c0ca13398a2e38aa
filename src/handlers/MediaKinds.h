#pragma once
// The media kinds played by the media device control, and the Flash filter.
#include <array>
#include <QString>

namespace corvane {

struct MediaKind {
    const char* name;  // the menu item
    int button;        // n of CommandN
    const char* deviceType;
    const char* filter;
};

inline constexpr std::array<MediaKind, 5> kMediaKinds{{
        {"video", 1, "AVIVideo", "(*.avi)|*.avi|(*.*)|*.*"},
        {"audio", 2, "WAVEAudio", "(*.wav)|*.wav|(*.*)|*.*"},
        {"media", 3, "MPEGVideo2",
         "(*.wmv)|*.wmv|(*.wvx)|*.wvx|(*.wma)|*.wma|(*.wax)|*.wax|(*.asf)|*.asf|(*.asx)|*.asx|"
         "(*.wm)|*.wm|(*.wmx)|*.wmx|(*.*)|*.*"},
        {"movie", 4, "MPEGVideo",
         "(*.mpeg)|*.mpeg|(*.mpg)|*.mpg|(*.mpe)|*.mpe|(*.m1v)|*.m1v|(*.mp2)|*.mp2|(*.mpv2)|*.mpv2|"
         "(*.mp2v)|*.mp2v|(*.mpa)|*.mpa|(*.mov)|*.mov|(*.qt)|*.qt|(*.mp3)|*.mp3|(*.*)|*.*"},
        {"midi", 5, "Sequencer", "(*.mid)|*.mid|(*.midi)|*.midi|(*.rmi)|*.rmi|(*.*)|*.*"},
}};

inline constexpr const char* kFlashFilter = "(*.swf)|*.swf|(*.*)|*.*";

const MediaKind& mediaKind(const QString& name);

}  // namespace corvane
