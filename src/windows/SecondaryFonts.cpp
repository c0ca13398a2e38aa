#include "SecondaryFonts.h"

#include <QtMath>

namespace corvane::secondary {
namespace {
struct Substitute {
    const char* requested;
    const char* installed;
    bool forceBold;  // the installed regular face is far lighter than the original
};

// Faces from fonts-arphic-gbsn00lp, fonts-comic-neue, fonts-liberation2 and
// fonts-liberation. "Impact" is a black, condensed face at its nominal
// regular weight; the nearest packaged face is the bold cut of Liberation
// Sans Narrow, which also keeps "Version 5.1" inside its 73-pixel label.
constexpr Substitute kSubstitutes[] = {
        {"宋体", "AR PL SungtiL GB", false},        {"SimSun", "AR PL SungtiL GB", false},
        {"Comic Sans MS", "Comic Neue", false},     {"Arial", "Liberation Sans", false},
        {"Impact", "Liberation Sans Narrow", true},
};

const Substitute* find(const QString& family)
{
    for (const auto& s : kSubstitutes)
        if (family.compare(QString::fromUtf8(s.requested), Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}
}  // namespace

QString substituteFamily(const QString& family)
{
    const Substitute* s = find(family);
    return s ? QString::fromUtf8(s->installed) : family;
}

QFont resolveFont(const FontSpec& wanted)
{
    const Substitute* s = find(wanted.family);
    QFont font(substituteFamily(wanted.family));
    font.setPixelSize(qRound(wanted.points * 96.0 / 72.0));
    const bool bold = wanted.weight >= 600 || (s && s->forceBold);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

FontSpec defaultUiFont() { return {QStringLiteral("宋体"), 9.0, 400, 134}; }

}  // namespace corvane::secondary
