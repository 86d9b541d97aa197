#include "file_dialog_runner.h"

#include <QFileDialog>

namespace {

void configure(QFileDialog& dialog, const FileDialogRequest& request)
{
    const bool open = request.kind == FileDialogRequest::Kind::Open;
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    // Open takes several files at once. Qt checks that they exist, which
    // the list itself never does.
    dialog.setFileMode(open ? QFileDialog::ExistingFiles : QFileDialog::AnyFile);
    // An existing target is replaced without a question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !open);
    dialog.setNameFilters(request.nameFilters);
    if (!request.nameFilters.isEmpty())
        dialog.selectNameFilter(request.nameFilters.value(request.nameFilterIndex));
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.initialFile.isEmpty())
        dialog.selectFile(request.initialFile);
}

}  // namespace

FileDialogAnswer QtFileDialogRunner::run(QWidget* parent, const FileDialogRequest& request)
{
    QFileDialog dialog(parent);
    configure(dialog, request);
    FileDialogAnswer answer;
    answer.confirmed = dialog.exec() == QDialog::Accepted;
    if (answer.confirmed) {
        answer.files = dialog.selectedFiles();
        answer.nameFilterIndex =
            static_cast<int>(qMax<qsizetype>(0, request.nameFilters.indexOf(dialog.selectedNameFilter())));
    }
    return answer;
}
