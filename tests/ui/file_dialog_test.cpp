// The file dialog components, the filter conversion, the list adapter.
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "file_open_dialog.h"
#include "file_save_dialog.h"
#include "list_widget_source_list.h"
#include "name_filters.h"
#include "shell_fakes.h"

namespace {

TEST(NameFilters, StoredFilterBecomesOneQtFilterPerEntry)
{
    const struct {
        std::string stored;
        QStringList qt;
    } table[] = {
        {"Partiensammlung (*.pgn)|*.pgn|", {"Partiensammlung (*.pgn)"}},
        {"Partiensammlung (*.pgn)|*.pgn", {"Partiensammlung (*.pgn)"}},
        {"Texts|*.txt;*.log|All (*.*)|*.*|", {"Texts (*.txt *.log)", "All (*.*)"}},
        {"", {}},
        {"|*.pgn|", {}},
    };
    for (const auto& row : table)
        EXPECT_EQ(qtNameFilters(row.stored), row.qt) << row.stored;
}

FileDialogSettings pgnSettings()
{
    return {"Partiensammlung (*.pgn)|*.pgn|", "pgn", 4, ""};
}

TEST(FileOpenDialog, CarriesFileNameAndFilterIndexBetweenOpenings)
{
    ScriptedFileDialogs runner;
    FileOpenDialog dialog(runner, nullptr);
    dialog.settings = pgnSettings();

    runner.willPick({"/games/b.pgn", "/games/a.pgn"});
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Files(), (std::vector<std::string>{"/games/b.pgn", "/games/a.pgn"}));
    runner.willCancel();
    EXPECT_FALSE(dialog.Execute());
    EXPECT_TRUE(dialog.Files().empty());
    dialog.Execute();

    ASSERT_EQ(runner.requests.size(), 3u);
    // Filter index 4 with one entry picks that entry.
    EXPECT_EQ(runner.requests[0].nameFilterIndex, 0);
    EXPECT_EQ(runner.requests[0].initialFile, "");
    EXPECT_EQ(runner.requests[0].defaultSuffix, "pgn");
    // After a choice: the first file and the index the dialog reported.
    EXPECT_EQ(dialog.settings.filterIndex, 1);
    EXPECT_EQ(runner.requests[1].initialFile, "/games/b.pgn");
    // A cancel in between changes nothing.
    EXPECT_EQ(runner.requests[2].initialFile, "/games/b.pgn");
}

TEST(FileSaveDialog, StartsFromTheNameItIsGiven)
{
    ScriptedFileDialogs runner;
    FileSaveDialog dialog(runner, nullptr);
    dialog.settings = pgnSettings();
    runner.willPick({"/games/out.pgn"});
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), "/games/out.pgn");
    dialog.SetFileName("");
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.FileName(), "");
    EXPECT_EQ(runner.requests[1].initialFile, "");
    EXPECT_EQ(runner.requests[1].kind, FileDialogRequest::Kind::Save);
}

TEST(QtFileDialogRunner, ConfiguresTheDialogForItsKind)
{
    const struct {
        FileDialogRequest::Kind kind;
        QFileDialog::FileMode mode;
        QFileDialog::AcceptMode accept;
        bool noOverwritePrompt;
    } table[] = {
        {FileDialogRequest::Kind::Open, QFileDialog::ExistingFiles, QFileDialog::AcceptOpen, false},
        {FileDialogRequest::Kind::Save, QFileDialog::AnyFile, QFileDialog::AcceptSave, true},
    };
    for (const auto& row : table) {
        FileDialogRequest request;
        request.kind = row.kind;
        request.nameFilters = QStringList{"Partiensammlung (*.pgn)"};
        request.defaultSuffix = "pgn";
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            seen = true;
            EXPECT_EQ(dialog->fileMode(), row.mode);
            EXPECT_EQ(dialog->acceptMode(), row.accept);
            EXPECT_EQ(dialog->testOption(QFileDialog::DontConfirmOverwrite), row.noOverwritePrompt);
            EXPECT_EQ(dialog->nameFilters(), request.nameFilters);
            EXPECT_EQ(dialog->selectedNameFilter(), "Partiensammlung (*.pgn)");
            EXPECT_EQ(dialog->defaultSuffix(), "pgn");
            dialog->reject();
        });
        EXPECT_FALSE(QtFileDialogRunner().run(nullptr, request).confirmed);
        EXPECT_TRUE(seen);
        expectNoWindowOpen();
    }
}

TEST(ListWidgetSourceList, KeepsPathBytesAndReportsOnlyASelectedEntry)
{
    QListWidget widget;
    ListWidgetSourceList list(widget);
    const std::string latin1Path = "/games/caf\xe9.pgn";  // not valid UTF-8
    list.AddStrings({"/games/a.pgn", latin1Path, "/games/a.pgn"});
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Item(1), latin1Path);
    EXPECT_EQ(list.ItemIndex(), -1);

    // An entry that is only current, as after the list takes the focus,
    // is not selected.
    widget.setCurrentRow(0, QItemSelectionModel::NoUpdate);
    EXPECT_EQ(list.ItemIndex(), -1);

    list.SetItemIndex(2);
    list.AddStrings({"/games/b.pgn"});
    EXPECT_EQ(list.ItemIndex(), 2);
    list.SetItem(2, "/games/c.pgn");
    EXPECT_EQ(list.Item(2), "/games/c.pgn");
    EXPECT_EQ(widget.item(2)->text(), "/games/c.pgn");
    EXPECT_EQ(list.ItemIndex(), 2);

    list.Delete(-1);
    EXPECT_EQ(list.Count(), 4);
    list.SetItemIndex(-1);
    EXPECT_EQ(list.ItemIndex(), -1);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.ItemIndex(), -1);
}

}  // namespace

TEST(QtFileDialogRunner, SaveAddsTheDefaultExtensionToANameTypedWithoutOne)
{
    QTemporaryDir dir;
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Save;
    request.nameFilters = QStringList{"Partiensammlung (*.pgn)"};
    request.defaultSuffix = "pgn";
    request.initialFile = dir.filePath(QStringLiteral("placeholder.pgn"));
    const struct {
        const char* typed;
        const char* chosen;
    } table[] = {{"games", "games.pgn"}, {"games.pgn", "games.pgn"}, {"games.txt", "games.txt"}};
    for (const auto& row : table) {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(QString::fromLatin1(row.typed));
            QTest::keyClick(name, Qt::Key_Return);
        });
        const FileDialogAnswer answer = QtFileDialogRunner().run(nullptr, request);
        ASSERT_TRUE(answer.confirmed) << row.typed;
        EXPECT_EQ(answer.files, QStringList{dir.filePath(QString::fromLatin1(row.chosen))}) << row.typed;
        expectNoWindowOpen();
    }
}
