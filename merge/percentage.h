#pragma once

namespace velmor {

// The progress after source k of n (1 <= k <= n), as a whole percentage.
// It is the value that k / n and then * 100, each rounded to a 64-bit
// significand (ties to even), and finally rounded to an integer (ties to
// even) give. Worked out with integers, so every compiler and CPU agrees,
// also where long double has only 53 bits.
int progressPercent(int k, int n);

}  // namespace velmor
