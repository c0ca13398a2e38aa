#pragma once
// Test movies that use what real movies use, so that a player meets in them
// what it meets in real ones. Both show, in their first frame, a box of the
// marker colour over more than half the stage (200 x 150 pixels), with the
// rest drawn beside and over it; a screen grab can tell from the marker
// colour that the frame is on show.
//
// AVM1: a timeline of frames; shapes with linear and radial gradients and
// a bitmap fill (DefineBitsLossless); frame actions that count the frames
// and show the count, through Math, in a text field of device text
// (DefineEditText); static text in an embedded font (DefineFont2,
// DefineText); a button (DefineButton2) whose over and down states differ,
// whose release counts clicks; an event sound (DefineSound, StartSound).
//
// AVM2: a document class, a Sprite, whose constructor draws boxes and a
// stroked line and a circle with graphics, adds a TextField of device text
// and one of the embedded font (DefineFont3), adds an embedded bitmap
// (DefineBitsLossless2 bound to a Bitmap class) and plays an embedded sound
// (DefineSound bound to a Sound class).
#include <QByteArray>
#include <QColor>
#include <QString>

#include <initializer_list>

namespace corvane::test {

struct RichMovie {
    QColor background = QColor(0xF0, 0xE8, 0xD0);
    QColor marker = QColor(0x30, 0x60, 0xC0);
    QString text = QStringLiteral("Corvane");  // the device text
    int frameRate = 12;
    int frames = 12;    // AVM1: the timeline's length
    int soundMs = 200;  // the event sound's length
    int soundHz = 440;
};

QByteArray writeAvm1Movie(const RichMovie& movie);
QByteArray writeAvm2Movie(const RichMovie& movie);

}  // namespace corvane::test
