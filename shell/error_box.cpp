#include "error_box.h"

#include <QMessageBox>

#include "app_title.h"

void QtErrorBox::ShowError(const std::string& text)
{
    // The message may hold a path: it is decoded here, for display only,
    // and shown as plain text so nothing in it is taken as markup.
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(applicationTitle),
                    QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())),
                    QMessageBox::Ok, parent_);
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}
