// The merge benchmark through the real main window, offscreen:
//     window_bench TARGET SOURCE...
// The files are added through a scripted open dialog, the run starts from
// btnStart's handler, the merged text is painted once the event loop has
// run, and the save goes through a scripted save dialog. Prints each step's
// time and one RESULT line for bench/run.sh.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "aa.h"
#include "error_box.h"
#include "file_dialog_runner.h"
#include "merged_text_view.h"
#include "message_box.h"

namespace {

class ScriptedDialogs final : public FileDialogRunner {
public:
    std::deque<QStringList> picks;
    FileDialogAnswer run(QWidget*, const FileDialogRequest&) override
    {
        if (picks.empty())
            return {};
        FileDialogAnswer answer{true, picks.front(), 0};
        picks.pop_front();
        return answer;
    }
};

class CountingMessages final : public velmor::MessageBox {
public:
    std::vector<std::string> shown;
    void ShowMessage(const std::string& text) override { shown.push_back(text); }
};

class RecordingErrors final : public ErrorBox {
public:
    std::vector<std::string> shown;
    void ShowError(const std::string& text) override { shown.push_back(text); }
};

double seconds(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TARGET SOURCE...\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QStringList sources;
    for (int i = 2; i < argc; ++i)
        sources << QFile::decodeName(argv[i]);
    ScriptedDialogs dialogs;
    CountingMessages information;
    RecordingErrors errors;
    TfrmZOZIdaviz form(FormServices{&dialogs, &information, &errors});
    form.show();
    QApplication::processEvents();

    dialogs.picks.push_back(sources);
    form.btnOpenClick();

    QElapsedTimer timer;
    timer.start();
    form.btnStartClick();
    const double runSeconds = seconds(timer);

    // The view shows the new text once the event loop runs again: its
    // update, then its scroll bars coming, then the paint.
    timer.restart();
    QApplication::processEvents();
    QApplication::processEvents();
    form.re_Main->viewport()->repaint();
    const double paintSeconds = seconds(timer);

    dialogs.picks.push_back({QFile::decodeName(argv[1])});
    timer.restart();
    form.btnSaveClick();
    const double saveSeconds = seconds(timer);

    if (!errors.shown.empty() || information.shown != std::vector<std::string>{"Import successful"}) {
        for (const std::string& error : errors.shown)
            std::fprintf(stderr, "window_bench: %s\n", error.c_str());
        std::fprintf(stderr, "window_bench: the run did not end as expected\n");
        return 1;
    }
    std::printf("merge run:   %8.3f s\n", runSeconds);
    std::printf("first paint: %8.3f s\n", paintSeconds);
    std::printf("save:        %8.3f s\n", saveSeconds);
    std::printf("RESULT run_s=%.3f paint_s=%.3f save_s=%.3f\n", runSeconds, paintSeconds, saveSeconds);
    form.close();
    return 0;
}
