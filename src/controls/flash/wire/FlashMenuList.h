#pragma once
// The entries of the movie's menu as one plain value, the way they cross
// between the display area and its host process.
#include "FlashEngine.h"

#include <QList>
#include <QVariant>

namespace corvane::flashmenulist {

QVariant encode(const QList<FlashMenuEntry>& entries);
// The entries in a value made by encode; none for any other value.
QList<FlashMenuEntry> decode(const QVariant& value);

}  // namespace corvane::flashmenulist
