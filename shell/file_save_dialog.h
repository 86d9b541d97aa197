#pragma once
// The file-save dialog component: FileName holds the chosen target after a
// confirmed choice and is handed to the next opening as its initial name.
#include <QObject>

#include "file_dialog_settings.h"
#include "file_dialogs.h"

class QWidget;

class FileSaveDialog final : public QObject, public velmor::SaveDialog {
    Q_OBJECT
public:
    FileSaveDialog(FileDialogRunner& runner, QWidget* owner);

    FileDialogSettings settings;

    bool Execute() override;
    std::string FileName() const override { return settings.fileName; }
    void SetFileName(const std::string& path) override { settings.fileName = path; }

private:
    FileDialogRunner& runner_;
    QWidget* owner_;
};
