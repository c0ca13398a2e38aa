#include "Form4.h"

#include "CorvaneVersion.h"
#include "Icons.h"
#include "SecondaryFonts.h"

namespace corvane::secondary {
namespace {
const FontSpec kSong{QStringLiteral("宋体"), 10.5, 400, 134};

ControlSpec label(QString name, int index, int left, int top, int width, int height, QString text, FontSpec font,
                  int tab, std::optional<QRgb> colour = std::nullopt)
{
    return {ControlKind::Label,
            std::move(name),
            index,
            QStringLiteral("Picture1"),
            left,
            top,
            width,
            height,
            std::move(text),
            std::move(font),
            colour,
            tab,
            Unloads::Never};
}
}  // namespace

// Clicks anywhere in this window do nothing; only the close box closes it.
const WindowLayout& form4Layout()
{
    static const WindowLayout layout{
            QStringLiteral("Form4"),
            QStringLiteral("关于"),
            4350,
            3510,
            defaultUiFont(),  // none of its own; every label has one
            &corvane::aboutIcon,
            {
                    {ControlKind::PictureBox,
                     QStringLiteral("Picture1"),
                     -1,
                     {},
                     0,
                     0,
                     4335,
                     3495,
                     {},
                     std::nullopt,
                     std::nullopt,
                     0,
                     Unloads::Never},
                    label(QStringLiteral("Label1"), -1, 120, 120, 4455, 495, QStringLiteral(CORVANE_PRODUCT_NAME),
                          {QStringLiteral("Comic Sans MS"), 20.25, 700, 0}, 1),
                    label(QStringLiteral("Label3"), -1, 840, 960, 2775, 495, QStringLiteral("Full Edition"),
                          {QStringLiteral("Arial"), 21.75, 700, 0}, 3, qRgb(255, 0, 0)),
                    label(QStringLiteral("Label4"), -1, 240, 1680, 1215, 255, QStringLiteral("作者：团队"), kSong, 4),
                    label(QStringLiteral("Label5"), 0, 240, 1920, 2175, 255, QStringLiteral("年龄：保密"), kSong, 5),
                    label(QStringLiteral("Label5"), 1, 240, 2160, 3855, 255,
                          QStringLiteral("地址：示例市样例区虚构路12号"), kSong, 6),
                    label(QStringLiteral("Label5"), 3, 240, 2400, 2175, 255, QStringLiteral("邮编：000000"), kSong, 8),
                    label(QStringLiteral("Label5"), 4, 240, 2640, 2175, 255, QStringLiteral("即时通讯：00000000"),
                          kSong, 9),
                    label(QStringLiteral("Label5"), 2, 240, 2880, 2175, 255, QStringLiteral("邮箱：cv@example.org"),
                          kSong, 7),
                    label(QStringLiteral("Label2"), -1, 3120, 3120, 1095, 375, QStringLiteral(CORVANE_DISPLAY_VERSION),
                          {QStringLiteral("Impact"), 12, 400, 0}, 2),
            },
    };
    return layout;
}

}  // namespace corvane::secondary
