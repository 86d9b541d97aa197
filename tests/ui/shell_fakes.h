#pragma once
// Scripted stand-ins for the file dialogs and message boxes, and the check
// that a test leaves no window open.
#include <QApplication>
#include <QToolTip>
#include <QWidget>
#include <deque>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "error_box.h"
#include "file_dialog_runner.h"
#include "message_box.h"

// Answers each showing with the next scripted answer (a cancel when none is
// left) and keeps every request.
class ScriptedFileDialogs final : public FileDialogRunner {
public:
    void willPick(QStringList files, int filterIndex = 0) { answers.push_back({true, std::move(files), filterIndex}); }
    void willCancel() { answers.push_back({}); }

    FileDialogAnswer run(QWidget*, const FileDialogRequest& request) override
    {
        requests.push_back(request);
        if (answers.empty())
            return {};
        FileDialogAnswer a = answers.front();
        answers.pop_front();
        return a;
    }

    std::deque<FileDialogAnswer> answers;
    std::vector<FileDialogRequest> requests;
};

class RecordingMessageBox final : public velmor::MessageBox {
public:
    void ShowMessage(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

class RecordingErrorBox final : public ErrorBox {
public:
    void ShowError(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

// Every test ends with no window, dialog or tooltip left on screen.
inline void expectNoWindowOpen()
{
    QApplication::processEvents();
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible()) << "left open: " << w->metaObject()->className() << " "
                                     << w->objectName().toStdString();
    QToolTip::hideText();
}
