#include "CommandButton.h"

#include "DispatchIds.h"

#include <QFontDatabase>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace corvane {

CommandButton::CommandButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::clicked, this, [this] { Dispatch::raise(dispid::Click); });
}

void CommandButton::put(DispId id, const Variant& value)
{
    if (id == dispid::button::Enabled)
        setEnabled(value.toBool());
}

Variant CommandButton::get(DispId id)
{
    if (id == dispid::button::Enabled)
        return isEnabled();
    return {};
}

Variant CommandButton::call(DispId, const Args&) { return {}; }

void CommandButton::enterEvent(QEnterEvent* event)
{
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CommandButton::leaveEvent(QEvent* event)
{
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CommandButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    const QPalette& pal = palette();
    const bool down = isDown() || isChecked();
    const bool on = isEnabled();

    // A flat face with a soft top light; pressed is darker and sunken.
    QColor face = pal.color(QPalette::Button);
    if (!on)
        face = face.lighter(104);
    else if (down)
        face = face.darker(112);
    else if (hovered_)
        face = face.lighter(108);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, down ? face : face.lighter(110));
    g.setColorAt(1, down ? face.lighter(104) : face.darker(104));
    p.fillRect(r, g);

    p.setPen(on ? pal.color(QPalette::Dark) : pal.color(QPalette::Mid));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (on && !down) {
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
    }
    if (on && hovered_ && !down) {
        p.setPen(pal.color(QPalette::Highlight));
        p.drawRect(r.adjusted(1, 1, -2, -2));
    }

    QRect content = r.adjusted(2, 2, -2, -2);
    if (down)
        content.translate(1, 1);

    if (!icon().isNull()) {
        const QPixmap pm = icon().pixmap(QSize(16, 16), on ? QIcon::Normal : QIcon::Disabled);
        const QPoint at(content.center().x() - 7, content.center().y() - 7);
        p.drawPixmap(at, pm);
    }
    paintCaption(p, content);

    if (hasFocus()) {
        QStyleOptionFocusRect fr;
        fr.initFrom(this);
        fr.rect = r.adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &fr, &p, this);
    }
}

void CommandButton::paintCaption(QPainter& p, const QRect& area)
{
    const QString caption = text();
    if (caption.isEmpty())
        return;
    const QColor ink = isEnabled() ? palette().color(QPalette::ButtonText)
                                   : palette().color(QPalette::Disabled, QPalette::ButtonText);
    // The symbol font of the stop face is missing on Linux: its "<" is the
    // stop symbol, a filled square, which we draw ourselves.
    if (font().family() == QLatin1String("Webdings")
        && !QFontDatabase::families().contains(QStringLiteral("Webdings"))) {
        if (caption == QLatin1String("<")) {
            const int side = qMax(4, qMin(area.width(), area.height()) * 9 / 20);
            QRect sq(0, 0, side, side);
            sq.moveCenter(area.center());
            p.fillRect(sq, ink);
        }
        return;
    }
    p.setPen(ink);
    p.setFont(font());
    p.drawText(area, Qt::AlignCenter | Qt::TextShowMnemonic, caption);
}

}  // namespace corvane
