// The main window through its real widgets, with scripted dialogs and boxes.
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QSplitterHandle>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <memory>

#include "aa.h"
#include "file_open_dialog.h"
#include "file_save_dialog.h"
#include "image_list.h"
#include "merged_text_view.h"
#include "pane_splitter.h"
#include "shell_fakes.h"
#include "window_fixture.h"
#include "tool_bar.h"

namespace {

using MainWindowTest = WindowTest;

// Counts the paint events that a widget receives.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

TEST_F(MainWindowTest, ComponentsCarryTheirNamesAndSitInTheirParents)
{
    struct Component {
        QObject* object;
        const char* name;
        const char* parent;
        const char* className;
    };
    const Component table[] = {
        {form->tb_Main, "tb_Main", "formClient", "ToolBar"},
        {form->btnOpen, "btnOpen", "tb_Main", "QToolButton"},
        {form->btnSave, "btnSave", "tb_Main", "QToolButton"},
        {form->btnSpace1, "btnSpace1", "tb_Main", "QWidget"},
        {form->btnUp, "btnUp", "tb_Main", "QToolButton"},
        {form->btnDown, "btnDown", "tb_Main", "QToolButton"},
        {form->btnDelete, "btnDelete", "tb_Main", "QToolButton"},
        {form->btnSpace2, "btnSpace2", "tb_Main", "QWidget"},
        {form->btnStart, "btnStart", "tb_Main", "QToolButton"},
        {form->Splitter1, "Splitter1", "formClient", "PaneSplitter"},
        {form->grpListbox, "grpListbox", "Splitter1", "QGroupBox"},
        {form->lb_Main, "lb_Main", "grpListbox", "QListWidget"},
        {form->StatusBar1, "StatusBar1", "grpListbox", "QStatusBar"},
        {form->grpMemo, "grpMemo", "Splitter1", "QGroupBox"},
        {form->re_Main, "re_Main", "grpMemo", "MergedTextView"},
        {form->StatusBar2, "StatusBar2", "grpMemo", "QStatusBar"},
        {form->il_Main, "il_Main", "frmZOZIdaviz", "ImageList"},
        {form->od_Main, "od_Main", "frmZOZIdaviz", "FileOpenDialog"},
        {form->sd_Main, "sd_Main", "frmZOZIdaviz", "FileSaveDialog"},
    };
    EXPECT_EQ(form->objectName(), "frmZOZIdaviz");
    for (const Component& c : table) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.object, nullptr);
        EXPECT_EQ(c.object->objectName(), QLatin1String(c.name));
        EXPECT_EQ(form->findChild<QObject*>(QLatin1String(c.name)), c.object);
        EXPECT_EQ(c.object->parent()->objectName(), QLatin1String(c.parent));
        EXPECT_STREQ(c.object->metaObject()->className(), c.className);
    }
    EXPECT_EQ(form->centralWidget()->objectName(), "formClient");
}

TEST_F(MainWindowTest, FormCreateSetsCaptionHintsDialogsAndNotice)
{
    EXPECT_EQ(form->windowTitle(), "Velmor Merger 0.0.2");
    EXPECT_EQ(form->StatusBar2->currentMessage(), QString::fromUtf8(noticeLine));
    for (const FileDialogSettings* settings : {&form->od_Main->settings, &form->sd_Main->settings}) {
        EXPECT_EQ(settings->filter, "Partiensammlung (*.pgn)|*.pgn|");
        EXPECT_EQ(settings->defaultExt, "pgn");
        EXPECT_EQ(settings->filterIndex, 4);
        EXPECT_EQ(settings->fileName, "");
    }
    // Nothing else is shown at start.
    EXPECT_EQ(form->lb_Main->count(), 0);
    EXPECT_EQ(panel(0), "");
    EXPECT_EQ(panel(1), "");
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(MainWindowTest, ToolBarHoldsButtonsInOrderWithGapsImagesAndHints)
{
    struct Slot {
        QWidget* widget;
        int left;
        int width;
        int imageIndex;  // -1: a gap
        const char* hint;
    };
    const Slot table[] = {
        {form->btnOpen, 0, 25, 0, "Open source files"},
        {form->btnSave, 25, 25, 1, "Save target file"},
        {form->btnSpace1, 50, 8, -1, nullptr},
        {form->btnUp, 58, 25, 2, "Move up selected item"},
        {form->btnDown, 83, 25, 3, "Move down selected item"},
        {form->btnDelete, 108, 25, 4, "Delete selected item"},
        {form->btnSpace2, 133, 8, -1, nullptr},
        {form->btnStart, 141, 25, 5, "Start import of source files"},
    };
    show();
    EXPECT_EQ(form->tb_Main->height(), 41);
    EXPECT_EQ(form->tb_Main->width(), form->width());
    EXPECT_EQ(form->tb_Main->y(), 0);
    const int origin = form->btnOpen->x();
    for (const Slot& s : table) {
        SCOPED_TRACE(s.widget->objectName().toStdString());
        EXPECT_EQ(s.widget->x() - origin, s.left);
        EXPECT_EQ(s.widget->width(), s.width);
        EXPECT_EQ(s.widget->height(), 25);
        EXPECT_EQ(s.widget->y(), form->btnOpen->y());
        EXPECT_EQ(s.widget->focusPolicy(), Qt::NoFocus);
        EXPECT_TRUE(s.widget->toolTip().isEmpty());
        EXPECT_TRUE(s.widget->statusTip().isEmpty());
        auto* button = qobject_cast<QToolButton*>(s.widget);
        ASSERT_EQ(button != nullptr, s.imageIndex >= 0);
        if (!button)
            continue;
        EXPECT_EQ(button->property("imageIndex").toInt(), s.imageIndex);
        EXPECT_EQ(button->icon().pixmap(16).toImage(), form->il_Main->image(s.imageIndex).pixmap(16).toImage());
        EXPECT_EQ(button->property("hint").toString(), QString::fromUtf8(s.hint));
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
        EXPECT_FALSE(button->autoRaise());
    }
    // The six images are all different pictures.
    for (int i = 0; i < 6; ++i)
        for (int j = i + 1; j < 6; ++j)
            EXPECT_NE(form->il_Main->image(i).pixmap(16).toImage(), form->il_Main->image(j).pixmap(16).toImage());
}

TEST_F(MainWindowTest, HoveringAButtonShowsNoTooltipAndNoStatusText)
{
    show();
    for (QToolButton* button :
         {form->btnOpen, form->btnSave, form->btnUp, form->btnDown, form->btnDelete, form->btnStart}) {
        SCOPED_TRACE(button->objectName().toStdString());
        const QPoint centre = button->rect().center();
        QTest::mouseMove(button, centre);
        QHelpEvent help(QEvent::ToolTip, centre, button->mapToGlobal(centre));
        QApplication::sendEvent(button, &help);
        EXPECT_FALSE(QToolTip::isVisible());
        EXPECT_TRUE(QToolTip::text().isEmpty());
    }
    EXPECT_EQ(form->StatusBar2->currentMessage(), QString::fromUtf8(noticeLine));
    EXPECT_EQ(panel(0), "");
    EXPECT_EQ(panel(1), "");
}

TEST_F(MainWindowTest, EveryButtonReachesItsCommand)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const QString a = write("a.pgn", "[Event \"A\"]\n1. e4");
    const QString b = write("b.pgn", "[Event \"B\"]\r\n1. d4\r\n");
    const QString target = dir.filePath(QStringLiteral("merged.pgn"));
    show();

    dialogs.willPick({a, b});
    click(form->btnOpen);
    EXPECT_EQ(entries(), QStringList({a, b}));
    EXPECT_EQ(panel(0), "2 item(s)");
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].kind, FileDialogRequest::Kind::Open);
    EXPECT_EQ(dialogs.requests[0].nameFilters, QStringList{"Partiensammlung (*.pgn)"});
    EXPECT_EQ(dialogs.requests[0].defaultSuffix, "pgn");

    form->lb_Main->setCurrentRow(1);
    click(form->btnUp);
    EXPECT_EQ(entries(), QStringList({b, a}));
    EXPECT_EQ(form->lb_Main->currentRow(), 0);
    click(form->btnDown);
    EXPECT_EQ(entries(), QStringList({a, b}));
    EXPECT_EQ(form->lb_Main->currentRow(), 1);

    click(form->btnStart);
    EXPECT_EQ(panel(1), "100 % complete");
    EXPECT_EQ(information.shown, std::vector<std::string>{"Import successful"});

    dialogs.willPick({target});
    click(form->btnSave);
    QFile saved(target);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("[Event \"A\"]\r\n1. e4\r\n\r\n[Event \"B\"]\r\n1. d4\r\n\r\n"));
    EXPECT_EQ(dialogs.requests.back().kind, FileDialogRequest::Kind::Save);
    EXPECT_EQ(form->lb_Main->count(), 0);
    EXPECT_EQ(panel(0), "");
    EXPECT_EQ(panel(1), "");
    EXPECT_EQ(form->sd_Main->FileName(), "");

    dialogs.willPick({a});
    click(form->btnOpen);
    // The open dialog starts at the first file of its last choice.
    EXPECT_EQ(dialogs.requests.back().initialFile, a);
    form->lb_Main->setCurrentRow(0);
    click(form->btnDelete);
    EXPECT_EQ(form->lb_Main->count(), 0);
    EXPECT_EQ(panel(0), "0 item(s)");
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(MainWindowTest, FailedCommandShowsTheErrorBoxAndTheWindowStaysUsable)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.pgn"));
    show();
    dialogs.willPick({missing});
    click(form->btnOpen);
    click(form->btnStart);
    EXPECT_EQ(errors.shown, std::vector<std::string>{"Cannot open file " + QFile::encodeName(missing).toStdString() + "."});
    EXPECT_TRUE(information.shown.empty());

    // The next command runs as usual.
    form->lb_Main->setCurrentRow(0);
    click(form->btnDelete);
    EXPECT_EQ(panel(0), "0 item(s)");
    EXPECT_EQ(errors.shown.size(), 1u);
}

TEST_F(MainWindowTest, ARunPaintsOnlyTheStatusBarAndTheMergedTextAfterwards)
{
    QTemporaryDir dir;
    QStringList sources;
    for (int i = 0; i < 12; ++i) {
        QFile file(dir.filePath(QStringLiteral("src-%1.pgn").arg(i)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int line = 0; line < 10; ++line) file.write(QByteArray("[Event \"") + QByteArray::number(i) + "\"]\n");
        sources << file.fileName();
    }
    struct Case {
        const char* name;
        int missing;  // the source that cannot be opened, or -1
    };
    for (const Case& c : {Case{"a run that ends", -1}, Case{"a run that fails", 10}}) {
        SCOPED_TRACE(c.name);
        QStringList entries = sources;
        if (c.missing >= 0) entries[c.missing] = dir.filePath(QStringLiteral("missing.pgn"));
        form->lb_Main->clear();
        dialogs.willPick(entries);
        click(form->btnOpen);
        show();
        QApplication::processEvents();
        QApplication::processEvents();
        PaintCounter text(form->re_Main->viewport());
        PaintCounter progress(form->StatusBar1->findChild<QLabel*>(QStringLiteral("panel1")));

        click(form->btnStart);
        // The run is over, and the event loop has not run since it began.
        EXPECT_EQ(text.count, 0);
        EXPECT_EQ(progress.count, c.missing >= 0 ? c.missing + 1 : sources.size());

        QApplication::processEvents();
        QApplication::processEvents();
        EXPECT_GT(text.count, 0);
        EXPECT_TRUE(form->re_Main->verticalScrollBar()->isVisible());
        const QImage shown = form->re_Main->viewport()->grab().toImage();
        const QColor face = form->re_Main->palette().color(QPalette::Button);
        bool inked = false;
        for (int x = 0; x < shown.width() && !inked; ++x)
            for (int y = 0; y < form->re_Main->fontMetrics().lineSpacing() && !inked; ++y)
                inked = shown.pixelColor(x, y) != face;
        EXPECT_TRUE(inked) << "the first line is not painted";
    }
    EXPECT_EQ(errors.shown.size(), 1u);
}

TEST_F(MainWindowTest, LeftPaneKeepsItsWidthAndPanelOneReachesTheEnd)
{
    show();
    for (const QSize size : {QSize(500, 293), QSize(1000, 600), QSize(640, 400)}) {
        SCOPED_TRACE(size.width());
        form->resize(size);
        QApplication::processEvents();
        EXPECT_EQ(form->grpListbox->width(), 181);
        EXPECT_EQ(form->grpMemo->x(), 182);
        EXPECT_EQ(form->grpMemo->geometry().right(), form->width() - 1);
        EXPECT_EQ(form->grpListbox->height(), size.height() - 41);
        const QLabel* count = form->StatusBar1->findChild<QLabel*>("panel0");
        const QLabel* progress = form->StatusBar1->findChild<QLabel*>("panel1");
        EXPECT_EQ(count->width(), 81);
        EXPECT_LE(form->StatusBar1->width() - progress->geometry().right(), 4);
        EXPECT_EQ(form->StatusBar1->height(), 19);
        EXPECT_EQ(form->StatusBar2->height(), 19);
    }
    form->showMaximized();
    QApplication::processEvents();
    EXPECT_TRUE(form->isMaximized());
    EXPECT_EQ(form->grpListbox->width(), 181);
}

TEST_F(MainWindowTest, SplitterDragSnapsKeepsRoomAndCancelsOnEscape)
{
    show();
    QSplitterHandle* handle = form->Splitter1->handle(1);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(form->Splitter1->handleWidth(), 1);
    EXPECT_FALSE(form->Splitter1->opaqueResize());
    const int widest = form->Splitter1->width() - 1 - 30;
    struct Drag {
        int to;        // wanted left width
        bool escape;   // cancelled before release
        int expected;  // left width afterwards
    };
    const Drag table[] = {
        {120, false, 120}, {31, false, 31}, {30, false, 0}, {150, false, 150},
        {10000, false, widest}, {100, true, widest}, {181, false, 181},
    };
    for (const Drag& d : table) {
        SCOPED_TRACE(d.to);
        const int y = handle->height() / 2;
        const int before = form->Splitter1->sizes().value(0);
        QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(0, y));
        QTest::mouseMove(handle, handle->mapFrom(form->Splitter1, QPoint(d.to, y)));
        // Only a line follows the pointer: the panes wait for the release.
        EXPECT_EQ(form->Splitter1->sizes().value(0), before);
        if (d.escape)
            QTest::keyClick(handle, Qt::Key_Escape);
        QTest::mouseRelease(handle, Qt::LeftButton, {}, handle->mapFrom(form->Splitter1, QPoint(d.to, y)));
        EXPECT_EQ(form->Splitter1->sizes().value(0), d.expected);
        handle = form->Splitter1->handle(1);
    }
}

TEST_F(MainWindowTest, FocusStartsInTheListAndTabMovesBetweenListAndText)
{
    show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_EQ(QApplication::focusWidget(), form->lb_Main);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->re_Main);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->lb_Main);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), form->re_Main);
}

TEST_F(MainWindowTest, ListOnWindowColourMergedTextOnButtonFace)
{
    EXPECT_EQ(form->lb_Main->viewport()->palette().color(form->lb_Main->viewport()->backgroundRole()),
              form->palette().color(QPalette::Base));
    EXPECT_EQ(form->re_Main->viewport()->palette().color(form->re_Main->viewport()->backgroundRole()),
              form->palette().color(QPalette::Button));
    EXPECT_EQ(form->tb_Main->palette().color(form->tb_Main->backgroundRole()),
              form->palette().color(QPalette::Shadow));
}

TEST_F(MainWindowTest, ClosingAsksNothing)
{
    show();
    dialogs.willPick({QStringLiteral("/tmp/a.pgn")});
    click(form->btnOpen);
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
}

}  // namespace
