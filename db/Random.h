#pragma once

#include <QtGlobal>

#include <cstdint>

namespace db {

// A small generator of our own (xorshift64*), so a seed gives the same data
// on every machine and with every standard library.
class Random {
public:
    explicit Random(quint64 seed) : s_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull)
    {
        if (s_ == 0)
            s_ = 1;
        for (int i = 0; i < 4; ++i)
            next();
    }

    quint64 next()
    {
        s_ ^= s_ >> 12;
        s_ ^= s_ << 25;
        s_ ^= s_ >> 27;
        return s_ * 0x2545F4914F6CDD1Dull;
    }

    // Uniform in [0, n); n > 0.
    int below(int n) { return static_cast<int>((next() >> 32) % static_cast<quint64>(n)); }

    // Uniform in [lo, hi].
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }

    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

    // True with probability p.
    bool chance(double p) { return unit() < p; }

    template <typename T, size_t N>
    const T& pick(const T (&items)[N]) { return items[below(static_cast<int>(N))]; }

private:
    quint64 s_;
};

} // namespace db
