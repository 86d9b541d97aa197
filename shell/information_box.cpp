#include "information_box.h"

#include <QMessageBox>
#include <QPushButton>

#include "app_title.h"

void QtInformationBox::ShowMessage(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(applicationTitle),
                    QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())),
                    QMessageBox::NoButton, parent_);
    box.setTextFormat(Qt::PlainText);
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}
