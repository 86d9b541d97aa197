#include "file_dialog_settings.h"

#include <QFile>

#include "name_filters.h"

FileDialogRequest FileDialogSettings::request(FileDialogRequest::Kind kind) const
{
    FileDialogRequest r;
    r.kind = kind;
    r.nameFilters = qtNameFilters(filter);
    // An index outside the list (0, or 4 with one entry) falls back to the
    // first entry, as the platform dialog does.
    const bool inList = filterIndex >= 1 && filterIndex <= r.nameFilters.size();
    r.nameFilterIndex = inList ? filterIndex - 1 : 0;
    r.defaultSuffix = QString::fromLocal8Bit(defaultExt.data(), static_cast<qsizetype>(defaultExt.size()));
    r.initialFile = QFile::decodeName(QByteArray::fromStdString(fileName));
    return r;
}

void FileDialogSettings::takeFilterIndex(const FileDialogAnswer& answer)
{
    filterIndex = answer.nameFilterIndex + 1;
}
