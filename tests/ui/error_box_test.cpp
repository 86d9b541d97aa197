// The error box: its text rule, the guard around every command, and the
// platform boxes it and the information box are shown with.
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <new>
#include <stdexcept>

#include "error_box.h"
#include "error_text.h"
#include "errors.h"
#include "guarded_command.h"
#include "information_box.h"
#include "shell_fakes.h"

namespace {

TEST(ErrorBoxText, FullStopOnlyAfterBytesAboveTheFullStop)
{
    const struct {
        std::string message;
        std::string shown;
    } table[] = {
        {"", ""},
        {"Cannot open file C:\\a.pgn", "Cannot open file C:\\a.pgn."},
        {"ends in a letter", "ends in a letter."},
        {"digit 7", "digit 7."},
        {"why?", "why?."},
        {"slash /", "slash /."},  // '/' is the byte after '.'
        {"already.", "already."},
        {"blank ", "blank "},
        {"(parenthesis)", "(parenthesis)"},
        {"dash -", "dash -"},
        {"\"quoted\"", "\"quoted\""},
        {"caf\xc3\xa9", "caf\xc3\xa9."},  // high bytes compare unsigned
    };
    for (const auto& row : table)
        EXPECT_EQ(errorBoxText(row.message), row.shown) << row.message;
}

TEST(RunGuarded, EveryEscapingErrorReachesTheBoxExceptTheSilentOne)
{
    const struct {
        const char* what;
        std::function<void()> command;
        std::vector<std::string> shown;
    } table[] = {
        {"no error", [] {}, {}},
        {"velmor error", [] { throw velmor::EFOpenError("Cannot open file /x/a.pgn"); }, {"Cannot open file /x/a.pgn."}},
        {"message with full stop", [] { throw std::runtime_error("Done."); }, {"Done."}},
        {"silent", [] { throw velmor::EAbort(); }, {}},
        {"out of memory", [] { throw std::bad_alloc(); }, {"Out of memory."}},
        {"not a std::exception", [] { throw 42; }, {"Unexpected error."}},
    };
    for (const auto& row : table) {
        RecordingErrorBox box;
        runGuarded(box, row.command);
        EXPECT_EQ(box.shown, row.shown) << row.what;
    }
}

TEST(RunGuarded, AFailingBoxDoesNotLetTheErrorOut)
{
    struct ThrowingBox final : ErrorBox {
        void ShowError(const std::string&) override { throw std::runtime_error("box"); }
    } box;
    EXPECT_NO_THROW(runGuarded(box, [] { throw std::runtime_error("command"); }));
}

// What a modal box showed, read while it is open, and the key that closed it.
struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    bool modal = false;
};

void closeNextBox(SeenBox& seen, Qt::Key key)
{
    QTimer::singleShot(0, [&seen, key] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.modal = box->isModal();
        for (QAbstractButton* b : box->buttons())
            seen.buttons << b->text().remove(QLatin1Char('&'));
        QTest::keyClick(box, key);
    });
}

TEST(PlatformBoxes, ErrorBoxIsCriticalWithTitleAndOneOk)
{
    SeenBox seen;
    closeNextBox(seen, Qt::Key_Return);
    QtErrorBox(nullptr).ShowError("Cannot create file /no/such/dir/out.pgn.");
    EXPECT_EQ(seen.title, "Velmor Merger 0.0.2");
    EXPECT_EQ(seen.text, "Cannot create file /no/such/dir/out.pgn.");
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
    EXPECT_TRUE(seen.modal);
    expectNoWindowOpen();
}

TEST(PlatformBoxes, InformationBoxIsPlainAndClosesOnEnterAndEsc)
{
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        SeenBox seen;
        closeNextBox(seen, key);
        QtInformationBox(nullptr).ShowMessage("Import successful");
        EXPECT_EQ(seen.title, "Velmor Merger 0.0.2");
        EXPECT_EQ(seen.text, "Import successful");
        EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
        EXPECT_EQ(seen.buttons, QStringList{"OK"});
        expectNoWindowOpen();
    }
}

}  // namespace
