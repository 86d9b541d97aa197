#include "percentage.h"

#include <cstdint>

namespace velmor {

namespace {

// A positive binary floating-point value significand * 2^exponent, with a
// 64-bit significand whose top bit is set, as the x87 extended format has.
struct Extended {
    std::uint64_t significand;
    int exponent;
};

// Rounds significand + (guard, sticky) to nearest, ties to even.
void roundToEven(Extended& x, bool guard, bool sticky)
{
    if (!guard || (!sticky && (x.significand & 1) == 0))
        return;
    if (++x.significand == 0) {
        x.significand = std::uint64_t{1} << 63;
        ++x.exponent;
    }
}

// k / n for 0 < k < n, by long division one bit at a time.
Extended quotient(std::uint64_t k, std::uint64_t n)
{
    std::uint64_t remainder = k;
    int bitsAfterPoint = 0;
    do {
        remainder <<= 1;
        ++bitsAfterPoint;
    } while (remainder < n);
    remainder -= n;
    Extended q{1, 0};
    for (int i = 1; i < 64; ++i) {
        remainder <<= 1;
        q.significand <<= 1;
        if (remainder >= n) {
            remainder -= n;
            q.significand |= 1;
        }
    }
    remainder <<= 1;
    const bool guard = remainder >= n;
    if (guard)
        remainder -= n;
    q.exponent = -(bitsAfterPoint + 63);
    roundToEven(q, guard, remainder != 0);
    return q;
}

// x * 100, rounded back to a 64-bit significand.
Extended timesHundred(Extended x)
{
    // The 71-bit product as high:low 64-bit halves.
    const std::uint64_t upper = (x.significand >> 32) * 100;
    const std::uint64_t lower = (x.significand & 0xFFFFFFFFu) * 100;
    std::uint64_t low = upper << 32;
    std::uint64_t high = upper >> 32;
    low += lower;
    if (low < lower)
        ++high;
    int shift = 0;
    while ((high >> shift) != 0)
        ++shift;
    const std::uint64_t dropped = low & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t halfway = std::uint64_t{1} << (shift - 1);
    Extended r{(low >> shift) | (high << (64 - shift)), x.exponent + shift};
    roundToEven(r, dropped >= halfway, (dropped & (halfway - 1)) != 0);
    return r;
}

// x rounded to the nearest integer, ties to even. x <= 100.
int toInteger(Extended x)
{
    const int fractionBits = -x.exponent;
    if (fractionBits > 64)
        return 0;  // below one half
    if (fractionBits == 64)  // between one half and one
        return x.significand == (std::uint64_t{1} << 63) ? 0 : 1;
    const std::uint64_t whole = x.significand >> fractionBits;
    const std::uint64_t fraction = x.significand & ((std::uint64_t{1} << fractionBits) - 1);
    const std::uint64_t half = std::uint64_t{1} << (fractionBits - 1);
    const bool up = fraction > half || (fraction == half && (whole & 1) != 0);
    return static_cast<int>(whole + (up ? 1 : 0));
}

}  // namespace

int progressPercent(int k, int n)
{
    if (k >= n)
        return 100;
    const Extended q = quotient(static_cast<std::uint64_t>(k), static_cast<std::uint64_t>(n));
    return toInteger(timesHundred(q));
}

}  // namespace velmor
