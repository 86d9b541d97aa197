#include "file_open_dialog.h"

#include <QFile>
#include <QWidget>

FileOpenDialog::FileOpenDialog(FileDialogRunner& runner, QWidget* owner)
    : QObject(owner), runner_(runner), owner_(owner)
{
}

bool FileOpenDialog::Execute()
{
    files_.clear();
    const FileDialogAnswer answer = runner_.run(owner_, settings.request(FileDialogRequest::Kind::Open));
    if (!answer.confirmed || answer.files.isEmpty())
        return false;
    for (const QString& file : answer.files)
        files_.push_back(QFile::encodeName(file).toStdString());
    // The next opening starts at the first file of this choice.
    settings.fileName = files_.front();
    settings.takeFilterIndex(answer);
    return true;
}
