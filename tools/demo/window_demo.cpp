// Shows the main window after a small merge, for a screenshot: the files
// named on the command line are "picked" in the open dialog, the merge is
// started, and the window stays up until it is closed or killed.
#include <QApplication>
#include <QListWidget>

#include "aa.h"
#include "app_title.h"
#include "file_dialog_runner.h"
#include "image_list.h"
#include "message_box.h"

namespace {

class PickedFiles final : public FileDialogRunner {
public:
    explicit PickedFiles(QStringList files) : files_(std::move(files)) {}
    FileDialogAnswer run(QWidget*, const FileDialogRequest&) override { return {true, files_, 0}; }

private:
    QStringList files_;
};

class NoBox final : public velmor::MessageBox {
public:
    void ShowMessage(const std::string&) override {}
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString::fromUtf8(applicationTitle));
    QApplication::setWindowIcon(ImageList::applicationIcon());
    PickedFiles picked(QApplication::arguments().mid(1));
    NoBox noBox;
    TfrmZOZIdaviz form(FormServices{&picked, &noBox, nullptr});
    form.resize(760, 430);
    form.move(20, 20);
    form.show();
    form.btnOpenClick();
    form.lb_Main->setCurrentRow(1);
    form.btnStartClick();
    return QApplication::exec();
}
