#pragma once
// The file-open dialog component: its settings survive between openings,
// its Files hold the paths of the last confirmed choice.
#include <QObject>

#include "file_dialog_settings.h"
#include "file_dialogs.h"

class QWidget;

class FileOpenDialog final : public QObject, public velmor::OpenDialog {
    Q_OBJECT
public:
    FileOpenDialog(FileDialogRunner& runner, QWidget* owner);

    FileDialogSettings settings;

    bool Execute() override;
    std::vector<std::string> Files() const override { return files_; }

private:
    FileDialogRunner& runner_;
    QWidget* owner_;
    std::vector<std::string> files_;
};
