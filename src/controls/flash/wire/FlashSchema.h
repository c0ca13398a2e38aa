#pragma once
// Which messages each side may send, and what each holds: a fixed list of
// fields, each of a fixed kind and within fixed bounds. A message that
// fails its check is no message: the wire ends the connection.
#include <QVariantList>

namespace corvane::flashschema {

// Sent by the host process, as the display area accepts them.
bool fromHost(const QVariantList& message);
// Sent by the display area, as the host accepts them.
bool toHost(const QVariantList& message);

}  // namespace corvane::flashschema
