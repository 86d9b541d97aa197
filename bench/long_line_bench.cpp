// The merged-text view over a screen of lines gigabytes long, offscreen:
//     long_line_bench [LENGTH [LINES]]     (default: 3 GB lines, 100 of them)
// The lines are made up as they are read, so nothing but the view costs
// memory. In a 1920 x 1080 view it times, three times each: a paint of the
// screen, End on the first line with the paint that shows its end, the
// horizontal bar dragged to its far right with its paint, and Home. Prints
// the medians, the bytes read per step and the peak RSS before and after,
// and one RESULT line.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "long_lines.h"
#include "merged_text_view.h"

namespace {

double peakRssMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void press(MergedTextView& view, Qt::Key key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&view, &event);
}

struct Step {
    const char* name;
    std::function<void()> run;
    std::vector<double> ms;
    velmor::ByteCount bytesRead = 0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const velmor::ByteCount length = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 3'000'000'000ull;
    const velmor::LineCount lines = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 100;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    velmor::testing::LongLines text(lines, length, "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 ");
    MergedTextView view;
    view.setSource(&text);
    view.resize(1920, 1080);
    view.show();
    QApplication::processEvents();
    QApplication::processEvents();
    const double rssBefore = peakRssMiB();

    QWidget* screen = view.viewport();
    QScrollBar* bar = view.horizontalScrollBar();
    std::vector<Step> steps = {
        {"paint a screen", [&] { screen->repaint(); }, {}},
        {"End + paint", [&] { press(view, Qt::Key_End); screen->repaint(); }, {}},
        {"Home + paint", [&] { press(view, Qt::Key_Home); screen->repaint(); }, {}},
        {"bar far right + paint", [&] { bar->setValue(bar->maximum()); screen->repaint(); }, {}},
        {"bar far left + paint", [&] { bar->setValue(0); screen->repaint(); }, {}},
    };
    for (int round = 0; round < 3; ++round)
        for (Step& step : steps) {
            text.bytesRead = 0;
            QElapsedTimer timer;
            timer.start();
            step.run();
            step.ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
            step.bytesRead = text.bytesRead;
            QApplication::processEvents();
        }

    const int rows = screen->height() / view.fontMetrics().lineSpacing();
    std::printf("%llu lines of %llu bytes, %d rows of %d pixels shown; median of 3\n",
                static_cast<unsigned long long>(lines), static_cast<unsigned long long>(length), rows,
                screen->width());
    for (const Step& step : steps)
        std::printf("%-22s %8.1f ms  (%llu bytes read)\n", step.name, median(step.ms),
                    static_cast<unsigned long long>(step.bytesRead));
    std::printf("peak RSS: %.1f MiB after showing the view, %.1f MiB at the end\n", rssBefore, peakRssMiB());
    std::printf("RESULT paint_ms=%.1f end_ms=%.1f far_right_ms=%.1f rss_before_mib=%.1f rss_after_mib=%.1f\n",
                median(steps[0].ms), median(steps[1].ms), median(steps[3].ms), rssBefore, peakRssMiB());
    return 0;
}
