#include "Icons.h"

#include "IconArt.h"

#include <QPixmap>

namespace corvane {
namespace {
// A picture with only 256-colour images shows them; one that also has
// 32-bit images shows those, as a desktop with full colour would.
QIcon iconOf(iconart::Picture picture)
{
    QIcon icon;
    for (int size : iconart::sizes(picture)) {
        QImage image = iconart::paint(picture, size);
        if (!iconart::hasTrueColour(picture))
            image = iconart::toPalette(image).convertToFormat(QImage::Format_ARGB32);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}
}  // namespace

QIcon appIcon() { return iconOf(iconart::Picture::App); }
QIcon helpIcon() { return iconOf(iconart::Picture::Help); }
QIcon formatsIcon() { return iconOf(iconart::Picture::Formats); }
QIcon aboutIcon() { return iconOf(iconart::Picture::About); }
}  // namespace corvane
