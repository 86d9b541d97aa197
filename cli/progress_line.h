#pragma once
// One line on a terminal that tells how far a long merge has come: the
// share of all source bytes, the speed, the time spent and the time left.
// It rewrites itself a few times a second and is cleared at the end.
#include <chrono>
#include <optional>
#include <string>

#include "text_units.h"

namespace velmor::cli {

class ProgressLine {
public:
    using Clock = std::chrono::steady_clock;

    // `fd` is the terminal; `total` the bytes of all sources, nothing when
    // one of them is a stream of unknown length.
    ProgressLine(int fd, std::optional<ByteCount> total);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Cheap enough to call for every piece written: it looks at the clock
    // and draws only when the last drawing is old enough.
    void update(ByteCount done);
    // Removes the line, so a message or the shell's prompt starts clean.
    void clear();

    // The line's text, apart from the terminal's control codes.
    static std::string text(ByteCount done, std::optional<ByteCount> total, double seconds);

private:
    int fd_;
    std::optional<ByteCount> total_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point next_ = start_ + interval;
    bool shown_ = false;

    static constexpr std::chrono::milliseconds interval{250};
};

}  // namespace velmor::cli
