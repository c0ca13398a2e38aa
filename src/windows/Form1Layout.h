#pragma once
// The main window as data: frame, controls in creation order, menu tree.
// Places and sizes are in twips (15 to a pixel at 96 dpi).
#include <array>

namespace corvane::form1 {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int px(int twips) { return twips / kTwipsPerPixel; }

inline constexpr const char* kCaption = "Corvane";
inline constexpr int kClientWidth = 4590;
inline constexpr int kClientHeight = 4935;

enum class Kind { Panel, Button, Slider, Check, Dialog, Device, Flash };
enum class Face { None, ToStart, Play, Pause, Back, Forward, Next };

struct FontSpec {
    const char* family = nullptr;  // nullptr: the container's font
    double points = 0;
    int weight = 400;
};

struct ControlSpec {
    const char* name;
    Kind kind;
    int left, top, width, height;  // twips, in the panel (the panel: in the window)
    int tab;                       // tab index; -1: no place in the tab order
    const char* caption;
    const char* hint;
    FontSpec font;
    Face face;
    bool enabledAtStart;
};

inline constexpr FontSpec kSong9{"宋体", 9, 400};
inline constexpr FontSpec kSymbol18{"Webdings", 18, 700};
inline constexpr FontSpec kSymbol26{"Webdings", 26.25, 700};
inline constexpr const char* kFlashHint = "支持播放Flash控制";

// In creation order; the panel first, then its children.
inline constexpr std::array<ControlSpec, 20> kControls{{
        {"XPSideMenu1", Kind::Panel, -120, 0, 5295, 5295, 0, "", "", {}, Face::None, true},
        {"Command1", Kind::Button, 240, 120, 735, 375, 18, "视频", "视频文件 *.avi", kSong9, Face::None, true},
        {"Command2", Kind::Button, 960, 120, 735, 375, 17, "音频", "音频文件 *.wav", kSong9, Face::None, true},
        {"Command3", Kind::Button, 3120, 120, 735, 375, 16, "媒体",
         "媒体文件 *.wmv *.wma *.wmx *.wmp *.wm *.wvx *.wax *.asf *.asx", kSong9, Face::None, true},
        {"Command4", Kind::Button, 2400, 120, 735, 375, 15, "电影",
         "电影文件 *.mpeg *.mpg *.mpe *.m1v *.mp2 *.mpv2 *.mp2v *.mpa 包括 *.mp3 *.m3u", kSong9, Face::None, true},
        {"Command5", Kind::Button, 1680, 120, 735, 375, 14, "数字", "数字文件 *.mid *.midi *.rmi", kSong9, Face::None,
         true},
        {"Command6", Kind::Button, 3840, 120, 735, 375, 13, "动画", "动画文件 *.swf", kSong9, Face::None, true},
        {"CommandSCE1", Kind::Button, 240, 1080, 375, 375, 12, "", "", kSymbol18, Face::ToStart, false},
        {"CommandSCE2", Kind::Button, 600, 1080, 375, 375, 11, "", kFlashHint, kSymbol18, Face::Play, false},
        {"CommandSCE3", Kind::Button, 960, 1080, 375, 375, 10, "", "", kSymbol18, Face::Pause, false},
        {"CommandSCE4", Kind::Button, 1320, 1080, 375, 375, 9, "", "", kSymbol18, Face::Back, false},
        {"CommandSCE5", Kind::Button, 1680, 1080, 375, 375, 8, "", "", kSymbol18, Face::Forward, false},
        {"CommandSCE6", Kind::Button, 2040, 1080, 375, 375, 7, "", "", kSymbol18, Face::Next, false},
        {"CommandSCE7", Kind::Button, 2400, 1080, 495, 495, 6, "<", kFlashHint, kSymbol26, Face::None, false},
        {"Slider1", Kind::Slider, 240, 600, 4335, 375, 5, "", "", {}, Face::None, true},
        {"Check1", Kind::Check, 3240, 1080, 1335, 255, 4, "静音播放(&S)", "", {}, Face::None, false},
        {"Check2", Kind::Check, 3240, 1320, 1335, 255, 3, "重复播放(&T)", "", {}, Face::None, false},
        {"CommonDialog1", Kind::Dialog, 0, 0, 0, 0, -1, "", "", {}, Face::None, true},
        {"MMControl1", Kind::Device, 120, 600, 3540, 375, 2, "", "", {}, Face::None, true},
        {"ShockwaveFlash1", Kind::Flash, 240, 1680, 4335, 3135, 1, "", "", {}, Face::None, true},
}};

// Screen-reader names of the controls without a caption: the icon-only
// transport buttons, the slider and the Flash display area.
struct AccessibleName {
    const char* control;
    const char* name;
    const char* description = "";
};
inline constexpr std::array<AccessibleName, 9> kAccessibleNames{{
        {"CommandSCE1", "回到开头并播放"},
        {"CommandSCE2", "播放"},
        {"CommandSCE3", "暂停"},
        {"CommandSCE4", "后退"},
        {"CommandSCE5", "前进"},
        {"CommandSCE6", "下一个"},
        {"CommandSCE7", "停止"},
        {"Slider1", "播放位置", "只显示播放到哪里，移动滑块不会改变播放位置"},
        {"ShockwaveFlash1", "动画显示", "播放 Flash 动画的区域"},
}};

struct MenuSpec {
    const char* name;
    int level;             // 0: a menu of the bar; 1: its item; 2: a submenu's item
    const char* caption;   // "-" is a separator line
    const char* shortcut;  // "" for none
};

inline constexpr std::array<MenuSpec, 16> kMenu{{
        {"file", 0, "文件(&F)", ""},
        {"open", 1, "打开(&O)", ""},
        {"video", 2, "视频文件(&V)", "Ctrl+V"},
        {"audio", 2, "音频文件(&A)", "Ctrl+A"},
        {"midi", 2, "数字音频(&I)", "Ctrl+I"},
        {"movie", 2, "电影文件(&M)", "Ctrl+M"},
        {"media", 2, "媒体文件(&W)", "Ctrl+W"},
        {"flash", 2, "动画文件(&F)", "Ctrl+F"},
        {"close", 1, "关闭(&C)", ""},
        {"hhh", 1, "-", ""},
        {"exit", 1, "退出(&X)", ""},
        {"helper", 0, "帮助(&H)", ""},
        {"help", 1, "使用说明(&H)...", ""},
        {"former", 1, "格式列表(&F)...", ""},
        {"jj", 1, "-", ""},
        {"about", 1, "关于 Corvane 5x(&A)", ""},
}};

}  // namespace corvane::form1
