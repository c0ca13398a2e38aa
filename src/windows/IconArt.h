#pragma once
// The program's own icon pictures, drawn with QPainter. The same code makes
// the window icons at run time and the image files of the installed icons
// (tools/icons/).
#include <QImage>

#include <vector>

namespace corvane::iconart {

enum class Picture {
    App,      // four coloured quadrants around a dark disc
    Help,     // a white question mark on a blue disc
    Formats,  // a small window holding a grid of coloured squares
    About,    // a golden five-pointed star
};

// The square image sizes each picture comes in.
std::vector<int> sizes(Picture picture);

// Whether the picture also comes in 32-bit colour with alpha; every picture
// comes in 256 colours.
bool hasTrueColour(Picture picture);

// The picture at one size, 32-bit colour with alpha (QImage::Format_ARGB32).
QImage paint(Picture picture, int size);

// The 256-colour image of a 32-bit one (QImage::Format_Indexed8): index 0
// is transparent, every pixel at least half opaque becomes opaque.
QImage toPalette(const QImage& image);

}  // namespace corvane::iconart
