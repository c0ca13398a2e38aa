#pragma once
// A message's bytes on the wire: a list of plain values, each a tag and its
// contents. Only these kinds exist: nothing, yes/no, whole numbers (32 and
// 64 bits), real numbers, text, bytes, points (whole and real), and lists
// and maps of these, nested a few levels at most. Decoding makes nothing
// else, whatever the bytes claim, and never holds more than the bytes it
// was given.
#include <QByteArray>
#include <QVariantList>

namespace corvane::flashcodec {

// How deep lists and maps may nest.
inline constexpr int Depth = 8;

// The message's bytes; empty when a value is of a kind not listed above.
QByteArray encode(const QVariantList& message);
// The message in these bytes; false, and `message` empty, when the bytes
// are no message: any other kind, too deep, cut short, or more after it.
bool decode(const QByteArray& bytes, QVariantList& message);

}  // namespace corvane::flashcodec
