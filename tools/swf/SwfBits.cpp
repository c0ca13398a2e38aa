#include "SwfBits.h"

#include <bit>
#include <cstdint>

namespace corvane::test::swf {

Bits& Bits::put(int v, int n)
{
    for (int i = n - 1; i >= 0; --i, ++used) {
        if (used % 8 == 0)
            out.append('\0');
        out.back() = char(out.back() | (((uint32_t(v) >> i) & 1) << (7 - used % 8)));
    }
    return *this;
}

int bitsFor(int v) { return int(std::bit_width(uint32_t(v < 0 ? ~v : v))) + 1; }

}  // namespace corvane::test::swf
