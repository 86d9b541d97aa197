#include "file_save_dialog.h"

#include <QFile>
#include <QWidget>

FileSaveDialog::FileSaveDialog(FileDialogRunner& runner, QWidget* owner)
    : QObject(owner), runner_(runner), owner_(owner)
{
}

bool FileSaveDialog::Execute()
{
    const FileDialogAnswer answer = runner_.run(owner_, settings.request(FileDialogRequest::Kind::Save));
    if (!answer.confirmed || answer.files.isEmpty())
        return false;
    settings.fileName = QFile::encodeName(answer.files.front()).toStdString();
    settings.takeFilterIndex(answer);
    return true;
}
