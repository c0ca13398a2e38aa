#include "Form3.h"

#include "Icons.h"
#include "SecondaryFonts.h"

namespace corvane::secondary {
namespace {
ControlSpec row(QString name, int index, int top, int width, int height, const char* caption, int tab)
{
    return {ControlKind::Label,
            std::move(name),
            index,
            {},
            120,
            top,
            width,
            height,
            QString::fromUtf8(caption),
            std::nullopt,
            std::nullopt,
            tab,
            Unloads::OnClick};
}
}  // namespace

// The two long rows hold runs of 10 and 14 spaces: the rows are wider than
// their labels and wrap inside those runs, so "*.asf" and "*.mp2v" start
// the second lines.
const WindowLayout& form3Layout()
{
    static const WindowLayout layout{
            QStringLiteral("Form3"),
            QStringLiteral("格式列表"),
            4350,
            3090,
            defaultUiFont(),  // none of its own
            &corvane::formatsIcon,
            {
                    row(QStringLiteral("Label4"), -1, 120, 4215, 495, "Corvane 5X可以支持的文件播放格式及扩展名如下",
                        6),
                    row(QStringLiteral("Label1"), 0, 720, 4455, 255, "视频：*.avi", 0),
                    row(QStringLiteral("Label1"), 1, 1080, 4455, 255, "音频：*.wav", 1),
                    row(QStringLiteral("Label1"), 2, 1440, 4455, 255, "数字：*.mid *.midi *.rmi", 2),
                    row(QStringLiteral("Label1"), 3, 1800, 4455, 375,
                        "媒体：*.wmv *.wma *.wmx *.wmp *.wm *.wvx *.wax          *.asf *.asx", 3),
                    row(QStringLiteral("Label2"), -1, 2280, 4575, 375,
                        "电影：*.mpeg *.mpg *.mpe *.m1v *.mp2 *.mpv2              *.mp2v *.mpa *.mp3", 4),
                    row(QStringLiteral("Label3"), -1, 2760, 4575, 255, "动画：*.swf", 5),
            },
    };
    return layout;
}

}  // namespace corvane::secondary
