#pragma once
// Stored layouts of the help, formats and about windows. A layout is plain
// data: the frame, the font and the controls with their places in twips.
// SecondaryBuilder turns a layout into a live window.
#include <QIcon>
#include <QRgb>
#include <QString>

#include <optional>
#include <vector>

namespace corvane::secondary {

// 15 twips make one pixel at 96 dots per inch.
constexpr int kTwipsPerPixel = 15;
constexpr int px(int twips) { return twips / kTwipsPerPixel; }

struct FontSpec {
    QString family;  // the name the layout asks for, e.g. "宋体"
    double points;
    int weight;   // 400 regular, 700 bold
    int charset;  // 0 Western, 134 GB2312; kept for the record
};

enum class ControlKind { Label, TextBox, PictureBox };

// What closes the owning window. Labels of the formats window unload it on a
// click; the help text box unloads it on any change of its text.
enum class Unloads { Never, OnClick, OnChange };

struct ControlSpec {
    ControlKind kind;
    QString name;                                  // `Label1`, `Text1`, `Picture1`, ...
    int index = -1;                                // index in a control array, -1 for none
    QString container;                             // empty: the window itself
    int left = 0, top = 0, width = 0, height = 0;  // twips, inside the container
    QString text;
    std::optional<FontSpec> font;    // none: the container's font
    std::optional<QRgb> foreground;  // none: the system's text colour
    int tabIndex = 0;
    Unloads unloads = Unloads::Never;
};

struct WindowLayout {
    QString name;  // `Form2`, `Form3`, `Form4`
    QString caption;
    int clientWidth = 0, clientHeight = 0;  // twips
    FontSpec font;                          // the window's font (or the system default)
    QIcon (*icon)() = nullptr;
    std::vector<ControlSpec> controls;
};

}  // namespace corvane::secondary
