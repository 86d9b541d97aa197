// Whole walks through the real window, as a user makes them, with scripted
// file dialogs and message boxes.
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>

#include "file_save_dialog.h"
#include "huge_source.h"
#include "merged_text_view.h"
#include "window_fixture.h"

namespace {

// Records panel 1 of the status bar each time the bar is painted, which
// shows what the user saw during a run that keeps the event loop waiting.
class ProgressWatcher : public QObject {
public:
    explicit ProgressWatcher(QLabel* panel) : panel_(panel) { panel->installEventFilter(this); }
    std::vector<std::string> seen;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && (seen.empty() || seen.back() != panel_->text().toStdString()))
            seen.push_back(panel_->text().toStdString());
        return false;
    }

private:
    QLabel* panel_;
};

class EndToEndTest : public WindowTest {
protected:
    QString write(const char* name, const QByteArray& bytes)
    {
        QFile file(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    static QByteArray contentOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
    }

    std::string mergedText() const
    {
        form->re_Main->selectAll();
        return form->re_Main->selectedBytes();
    }

    static std::string withStop(const std::string& message) { return message + "."; }
    static std::string bytesOf(const QString& path) { return QFile::encodeName(path).toStdString(); }

    QTemporaryDir dir;
};

TEST_F(EndToEndTest, TypicalUseAddsOrdersMergesSavesAndResets)
{
    const QString a = write("a.pgn", "[Event \"A\"]\n1. e4 e5\n");
    const QString b = write("b.pgn", "[Event \"B\"]\r1. d4\r");
    const QString c = write("c.pgn", "[Event \"C\"]\r\n1. c4");
    const QString target = dir.filePath(QStringLiteral("all.pgn"));
    show();
    ProgressWatcher progress(form->StatusBar1->findChild<QLabel*>(QStringLiteral("panel1")));

    dialogs.willPick({a, b, c});
    click(form->btnOpen);
    EXPECT_EQ(panel(0), "3 item(s)");
    form->lb_Main->setCurrentRow(2);
    click(form->btnUp);
    EXPECT_EQ(entries(), QStringList({a, c, b}));

    click(form->btnStart);
    EXPECT_EQ(progress.seen, (std::vector<std::string>{"33 % complete", "67 % complete", "100 % complete"}));
    EXPECT_EQ(information.shown, std::vector<std::string>{"Import successful"});
    const std::string merged =
        "[Event \"A\"]\r\n1. e4 e5\r\n\r\n[Event \"C\"]\r\n1. c4\r\n\r\n[Event \"B\"]\r\n1. d4\r\n\r\n";
    EXPECT_EQ(mergedText(), merged);

    dialogs.willPick({target});
    click(form->btnSave);
    EXPECT_EQ(contentOf(target).toStdString(), merged);
    EXPECT_EQ(form->lb_Main->count(), 0);
    EXPECT_EQ(mergedText(), "");
    EXPECT_EQ(form->sd_Main->FileName(), "");
    EXPECT_EQ(panel(0), "");
    EXPECT_EQ(panel(1), "");
    EXPECT_TRUE(errors.shown.empty());
}

TEST_F(EndToEndTest, MissingSourceStopsTheRunWithTheErrorBox)
{
    const QString first = write("first.pgn", "1");
    const QString missing = dir.filePath(QStringLiteral("no such 100%s.pgn"));
    const QString third = write("third.pgn", "3");
    show();
    dialogs.willPick({first, missing, third});
    click(form->btnOpen);
    form->lb_Main->setCurrentRow(1);

    click(form->btnStart);
    EXPECT_EQ(errors.shown, std::vector<std::string>{withStop("Cannot open file " + bytesOf(missing))});
    EXPECT_EQ(panel(1), "67 % complete");
    EXPECT_EQ(mergedText(), "1\r\n\r\n");
    EXPECT_TRUE(information.shown.empty());

    // Still usable: remove the missing entry and merge again.
    form->lb_Main->setCurrentRow(1);
    click(form->btnDelete);
    click(form->btnStart);
    EXPECT_EQ(mergedText(), "1\r\n\r\n3\r\n\r\n");
    EXPECT_EQ(information.shown, std::vector<std::string>{"Import successful"});
    EXPECT_EQ(errors.shown.size(), 1u);
}

TEST_F(EndToEndTest, FailedSaveKeepsTheWorkForASecondTry)
{
    const QString source = write("s.pgn", "s");
    const QString unreachable = dir.filePath(QStringLiteral("missing folder/all.pgn"));
    const QString target = dir.filePath(QStringLiteral("all.pgn"));
    show();
    dialogs.willPick({source});
    click(form->btnOpen);
    click(form->btnStart);

    dialogs.willPick({unreachable});
    click(form->btnSave);
    EXPECT_EQ(errors.shown, std::vector<std::string>{withStop("Cannot create file " + bytesOf(unreachable))});
    EXPECT_EQ(entries(), QStringList{source});
    EXPECT_EQ(mergedText(), "s\r\n\r\n");
    EXPECT_EQ(panel(0), "1 item(s)");
    EXPECT_EQ(panel(1), "100 % complete");

    dialogs.willPick({target});
    click(form->btnSave);
    EXPECT_EQ(contentOf(target), QByteArray("s\r\n\r\n"));
    EXPECT_EQ(form->lb_Main->count(), 0);
}

TEST_F(EndToEndTest, SourceLargerThanMemoryIsDecidedAtOnce)
{
    // 1 TiB of holes: only NULs, so the empty block, without reading them.
    const QString huge = dir.filePath(QStringLiteral("huge.pgn"));
    ASSERT_TRUE(velmor::testing::makeHugeSource(QFile::encodeName(huge).toStdString()));
    show();
    dialogs.willPick({huge});
    click(form->btnOpen);
    click(form->btnStart);
    EXPECT_TRUE(errors.shown.empty());
    EXPECT_EQ(information.shown, std::vector<std::string>{"Import successful"});
    EXPECT_EQ(mergedText(), "\r\n");
    EXPECT_EQ(panel(1), "100 % complete");
    dialogs.willPick({write("small.pgn", "x")});
    click(form->btnOpen);
    form->lb_Main->setCurrentRow(0);
    click(form->btnDelete);
    click(form->btnStart);
    EXPECT_EQ(mergedText(), "x\r\n\r\n");
}

}  // namespace
