#pragma once
// The person's input to the display area, as plain values for the host
// process, and back into events there: mouse buttons, moves and wheel, keys,
// in the area's own coordinates, and the text an input method commits.
#include "FlashProtocol.h"

#include <memory>
#include <QList>
#include <QVariantList>

class QEvent;

namespace corvane::flashinput {

// The message's name.
inline constexpr const char* Name = flashwire::Input;

// The messages for this event: none for events that do not go, several for
// a long text (TypedChars).
QList<QVariantList> encode(const QEvent& event);
// The event that the message (as made by encode) stands for; null when it
// is no such message.
std::unique_ptr<QEvent> decode(const QVariantList& message);

}  // namespace corvane::flashinput
