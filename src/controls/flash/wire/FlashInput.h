#pragma once
// The person's input to the display area, as plain values for the host
// process, and back into events there: mouse buttons, moves and wheel, and
// keys, in the area's own coordinates.
#include "FlashProtocol.h"

#include <memory>
#include <QVariantList>

class QEvent;

namespace corvane::flashinput {

// The message's name.
inline constexpr const char* Name = flashwire::Input;

// The message for this event, or an empty list for events that do not go.
QVariantList encode(const QEvent& event);
// The event that the message (as made by encode) stands for; null when it
// is no such message.
std::unique_ptr<QEvent> decode(const QVariantList& message);

}  // namespace corvane::flashinput
