#pragma once
// The Song face of a Simplified-Chinese system, 9 pt, as the whole
// application's font: the faces Debian installs stand in for its names.
#include <QApplication>
#include <QFont>

namespace corvane {

inline void installSongFace()
{
    QFont::insertSubstitutions(QStringLiteral("宋体"),
                               {QStringLiteral("AR PL SungtiL GB"), QStringLiteral("Noto Serif CJK SC")});
    QFont::insertSubstitutions(QStringLiteral("SimSun"), {QStringLiteral("AR PL SungtiL GB")});
    QFont song(QStringLiteral("宋体"));
    song.setPointSizeF(9);
    QApplication::setFont(song);
}

}  // namespace corvane
