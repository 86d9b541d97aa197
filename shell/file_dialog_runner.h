#pragma once
// One showing of a file dialog, separated from the settings the dialog
// components carry between openings, so the window can be driven with a
// scripted runner instead of the platform's dialog.
#include <QString>
#include <QStringList>

class QWidget;

struct FileDialogRequest {
    enum class Kind { Open, Save };
    Kind kind = Kind::Open;
    QStringList nameFilters;
    int nameFilterIndex = 0;  // 0-based, always a valid index of nameFilters
    QString defaultSuffix;
    QString initialFile;      // empty: the dialog chooses
};

struct FileDialogAnswer {
    bool confirmed = false;
    QStringList files;        // full paths, in the order the dialog gave them
    int nameFilterIndex = 0;  // 0-based index of the filter in use at the end
};

class FileDialogRunner {
public:
    virtual ~FileDialogRunner() = default;
    // Shows the dialog modally over `parent` and returns when it is closed.
    virtual FileDialogAnswer run(QWidget* parent, const FileDialogRequest& request) = 0;
};

// QFileDialog, the desktop's native dialog where there is one.
class QtFileDialogRunner final : public FileDialogRunner {
public:
    FileDialogAnswer run(QWidget* parent, const FileDialogRequest& request) override;
};
