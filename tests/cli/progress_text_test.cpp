// The words of the progress line for the cases that decide its shape.
#include <gtest/gtest.h>

#include "progress_line.h"

namespace velmor::cli {
namespace {

TEST(ProgressTextTest, ShareSpeedAndTimes)
{
    struct Case {
        ByteCount done;
        std::optional<ByteCount> total;
        double seconds;
        const char* text;
    };
    const Case cases[] = {
        {150'000'000, 300'000'000, 2.0,
         "velmor-merge: 50% of 300 MB, 75 MB/s, 0:02 elapsed, 0:02 left"},
        {1'000'000, 3'000'000'000, 0.25,
         "velmor-merge: 0% of 3000 MB, 4 MB/s, 0:00 elapsed, 12:30 left"},
        {10'000'000, 3'600'000'000'000, 1.0,
         "velmor-merge: 0% of 3600.0 GB, 10 MB/s, 0:01 elapsed, 99:59:59 left"},
        // A source that grew since it was counted: never beyond 100%.
        {310'000'000, 300'000'000, 3.0, "velmor-merge: 100% of 300 MB, 103 MB/s, 0:03 elapsed"},
        // Standard input from a pipe: its length is not known.
        {42'000'000, std::nullopt, 61.0, "velmor-merge: 42 MB, 1 MB/s, 1:01 elapsed"},
        {0, 0, 0.0, "velmor-merge: 100% of 0 MB, 0 MB/s, 0:00 elapsed"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProgressLine::text(c.done, c.total, c.seconds), c.text);
}

}  // namespace
}  // namespace velmor::cli
