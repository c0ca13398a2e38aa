#pragma once
// Bit fields of a Flash movie's file, shared by every movie writer.
#include <QByteArray>

namespace corvane::test::swf {

// Bit fields, most significant bit first, padded to whole bytes. Signed
// values go in as their two's complement.
struct Bits {
    QByteArray out;
    int used = 0;
    Bits& put(int v, int n);
};

// Bits a signed value needs.
int bitsFor(int v);

}  // namespace corvane::test::swf
