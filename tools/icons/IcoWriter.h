#pragma once
// Writes Windows icon files (.ico) with several images of 8 or 32 bits per
// pixel, each stored as a bitmap with its transparency mask.
#include <QByteArray>
#include <QImage>
#include <QList>

namespace corvane::iconart {

// Each image must be Format_Indexed8 (256 colours, stored with 8 bits per
// pixel; fully transparent palette entries are masked) or Format_ARGB32
// (stored with 32 bits per pixel and alpha). Sizes up to 255 pixels.
QByteArray icoFile(const QList<QImage>& images);

}  // namespace corvane::iconart
