#include "progress_line.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

namespace velmor::cli {

namespace {

// "0:07", "12:34", "1:02:03".
std::string clockTime(double seconds)
{
    const auto s = static_cast<long long>(seconds < 0 ? 0 : std::llround(seconds));
    char out[32];
    if (s >= 3600)
        std::snprintf(out, sizeof out, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(out, sizeof out, "%lld:%02lld", s / 60, s % 60);
    return out;
}

// "812 MB", "3000 MB", "42.5 GB": four digits at most before the unit.
std::string amount(ByteCount bytes)
{
    char out[32];
    const double size = static_cast<double>(bytes);
    if (size < 1e10)
        std::snprintf(out, sizeof out, "%.0f MB", size / 1e6);
    else
        std::snprintf(out, sizeof out, "%.1f GB", size / 1e9);
    return out;
}

void writeText(int fd, const std::string& text)
{
    // A terminal that refuses the line costs nothing but the line.
    (void)!::write(fd, text.data(), text.size());
}

}  // namespace

ProgressLine::ProgressLine(int fd, std::optional<ByteCount> total) : fd_(fd), total_(total) {}

ProgressLine::~ProgressLine()
{
    clear();
}

std::string ProgressLine::text(ByteCount done, std::optional<ByteCount> total, double seconds)
{
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    char speed[32];
    std::snprintf(speed, sizeof speed, "%.0f MB/s", rate / 1e6);
    std::string line = "velmor-merge: ";
    if (total) {
        const ByteCount shown = done < *total ? done : *total;
        const int percent = *total ? static_cast<int>(shown * 100 / *total) : 100;
        line += std::to_string(percent) + "% of " + amount(*total) + ", ";
    } else {
        line += amount(done) + ", ";
    }
    line += std::string(speed) + ", " + clockTime(seconds) + " elapsed";
    if (total && rate > 0 && done < *total)
        line += ", " + clockTime(static_cast<double>(*total - done) / rate) + " left";
    return line;
}

void ProgressLine::update(ByteCount done)
{
    const Clock::time_point now = Clock::now();
    if (now < next_)
        return;
    next_ = now + interval;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    // Back to the line's start, the new text, and away with any rest of the
    // longer text before it.
    writeText(fd_, "\r" + text(done, total_, seconds) + "\033[K");
    shown_ = true;
}

void ProgressLine::clear()
{
    if (!shown_)
        return;
    writeText(fd_, "\r\033[K");
    shown_ = false;
}

}  // namespace velmor::cli
