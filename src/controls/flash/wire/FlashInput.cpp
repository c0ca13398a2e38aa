#include "FlashInput.h"

#include <algorithm>
#include <QInputMethodEvent>
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

// The committed text in pieces, none of which splits a character.
QList<QVariantList> encodeTyped(const QInputMethodEvent& e)
{
    QList<QVariantList> out;
    const QString& text = e.commitString();
    for (qsizetype at = 0; at < text.size();) {
        qsizetype n = std::min(flashwire::TypedChars, text.size() - at);
        if (at + n < text.size() && text.at(at + n - 1).isHighSurrogate())
            --n;
        out.append({QString::fromLatin1(Name), int(QEvent::InputMethod), text.mid(at, n)});
        at += n;
    }
    return out;
}

}  // namespace

QList<QVariantList> encode(const QEvent& event)
{
    switch (event.type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: return {encodeMouse(static_cast<const QMouseEvent&>(event))};
    case QEvent::Wheel: return {encodeWheel(static_cast<const QWheelEvent&>(event))};
    case QEvent::KeyPress:
    case QEvent::KeyRelease: return {encodeKey(static_cast<const QKeyEvent&>(event))};
    case QEvent::InputMethod: return encodeTyped(static_cast<const QInputMethodEvent&>(event));
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
    case QEvent::InputMethod: {
        auto typed = std::make_unique<QInputMethodEvent>();
        typed->setCommitString(m.value(2).toString());
        return typed;
    }
    default: return nullptr;
    }
}

}  // namespace corvane::flashinput
