#include "FlashInput.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

namespace corvane::flashinput {
namespace {

QVariantList encodeMouse(const QMouseEvent& e)
{
    return {QString::fromLatin1(Name), int(e.type()),    e.position(),
            int(e.button()),           int(e.buttons()), int(e.modifiers())};
}

QVariantList encodeWheel(const QWheelEvent& e)
{
    return {QString::fromLatin1(Name), int(e.type()),      e.position(),   e.pixelDelta(), e.angleDelta(),
            int(e.buttons()),          int(e.modifiers()), int(e.phase()), e.inverted()};
}

QVariantList encodeKey(const QKeyEvent& e)
{
    return {QString::fromLatin1(Name), int(e.type()),       e.key(),  int(e.modifiers()), e.nativeScanCode(),
            e.nativeVirtualKey(),      e.nativeModifiers(), e.text(), e.isAutoRepeat(),   e.count()};
}

}  // namespace

QVariantList encode(const QEvent& event)
{
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: return encodeMouse(static_cast<const QMouseEvent&>(event));
    case QEvent::Wheel: return encodeWheel(static_cast<const QWheelEvent&>(event));
    case QEvent::KeyPress:
    case QEvent::KeyRelease: return encodeKey(static_cast<const QKeyEvent&>(event));
    default: return {};
    }
}

std::unique_ptr<QEvent> decode(const QVariantList& m)
{
    if (m.size() < 2 || m.at(0).toString() != QLatin1String(Name))
        return nullptr;
    const auto type = QEvent::Type(m.at(1).toInt());
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
        const QPointF at = m.value(2).toPointF();
        return std::make_unique<QMouseEvent>(type, at, at, at, Qt::MouseButton(m.value(3).toInt()),
                                             Qt::MouseButtons(m.value(4).toInt()),
                                             Qt::KeyboardModifiers(m.value(5).toInt()));
    }
    case QEvent::Wheel: {
        const QPointF at = m.value(2).toPointF();
        return std::make_unique<QWheelEvent>(
                at, at, m.value(3).toPoint(), m.value(4).toPoint(), Qt::MouseButtons(m.value(5).toInt()),
                Qt::KeyboardModifiers(m.value(6).toInt()), Qt::ScrollPhase(m.value(7).toInt()), m.value(8).toBool());
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return std::make_unique<QKeyEvent>(type, m.value(2).toInt(), Qt::KeyboardModifiers(m.value(3).toInt()),
                                           m.value(4).toUInt(), m.value(5).toUInt(), m.value(6).toUInt(),
                                           m.value(7).toString(), m.value(8).toBool(), m.value(9).toInt());
    default: return nullptr;
    }
}

}  // namespace corvane::flashinput
