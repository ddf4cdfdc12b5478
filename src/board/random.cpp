#include "board/random.h"

#include <ctime>

namespace tolvaren {

void Zufall_t::seed(uint32_t s) {
    if (s == 0) s = static_cast<uint32_t>(std::time(nullptr));
    x = 123456789u;
    y = 101112131u;
    z = 415161718u;
    w = s;
    d = s + 76543210u;
    for (int i = 0; i < 8; ++i) next();
}

uint32_t Zufall_t::next() {
    uint32_t t = x ^ (x << 11);
    t ^= t >> 8;
    const uint32_t w2 = w ^ (w >> 19) ^ t;
    x = y;
    y = z;
    z = w;
    w = w2;
    d = d * 56789u + 33333u;
    return w2 + d;
}

uint64_t Zufall_t::next64() {
    const uint64_t lo = next();
    const uint64_t hi = next();
    return lo | (hi << 32);
}

uint32_t Zufall_t::integer(uint32_t lo, uint32_t hi) {
    const uint32_t r = next();
    const uint32_t span = hi - lo + 1u;
    // span 0 means the full 32-bit range: every output is valid as it is.
    return span == 0 ? lo + r : lo + r % span;
}

double Zufall_t::real(double a, double b) {
    return a + (b - a) * static_cast<double>(next()) / 4294967295.0;
}

SharedRandom& Zufall_t::global() {
    // Initialisation of a local static runs once, even when two threads race to it.
    static SharedRandom instance;
    return instance;
}

}  // namespace tolvaren
