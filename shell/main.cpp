// Velmor Merger: joins PGN files into one. No command line, settings or
// saved state are read; every run starts the same way.
#include <QApplication>

#include "aa.h"
#include "app_title.h"
#include "image_list.h"

int main(int, char** argv)
{
    // Qt would take options such as -style from the command line; the
    // program reads none, so Qt is shown only the program's name.
    int argc = 1;
    QApplication app(argc, argv);
    // The display name titles every window; the task-bar entry and the
    // desktop entry find the program by these.
    QApplication::setApplicationName(QStringLiteral("velmor-merger"));
    QApplication::setApplicationDisplayName(QString::fromUtf8(applicationTitle));
    QGuiApplication::setDesktopFileName(QStringLiteral("velmor-merger"));
    QApplication::setWindowIcon(ImageList::applicationIcon());

    TfrmZOZIdaviz frmZOZIdaviz;
    frmZOZIdaviz.showFirstTime();
    QApplication::exec();
    // However the window was closed, the program ends normally.
    return 0;
}
