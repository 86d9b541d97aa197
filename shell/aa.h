#pragma once
// The main window: the form built from the stored layout aa.ui, its
// component references and the handlers of its events. The handlers only
// pass each event on to the merge workflow, inside the error guard.
#include <QMainWindow>
#include <array>
#include <memory>

#include "merged_text_store.h"

class QGroupBox;
class QListWidget;
class QStatusBar;
class QToolButton;
class ErrorBox;
class FileDialogRunner;
class FileOpenDialog;
class FileSaveDialog;
class ImageList;
class ListWidgetSourceList;
class MergedTextView;
class PaneSplitter;
class StatusBarPanels;
class ToolBar;

namespace velmor {
class MergeWorkflow;
class MessageBox;
}  // namespace velmor

// The hints of the command buttons: open, save, up, down, delete, start.
// They are kept on the buttons; neither a tooltip nor a status text shows them.
inline constexpr std::array<const char*, 6> hintTable = {
    "Open source files",     "Save target file",     "Move up selected item",
    "Move down selected item", "Delete selected item", "Start import of source files",
};

// The maker's notice under the merged text.
inline constexpr const char* noticeLine = "Made by the Velmor Merger team";

// The stored filter of both file dialogs and its default extension.
inline constexpr const char* pgnFilter = "Partiensammlung (*.pgn)|*.pgn|";
inline constexpr const char* pgnExtension = "pgn";

// What the window shows its file dialogs and message boxes with. Members
// left empty get the platform's; tests hand in scripted ones. They must
// outlive the window.
struct FormServices {
    FileDialogRunner* fileDialogs = nullptr;
    velmor::MessageBox* informationBox = nullptr;
    ErrorBox* errorBox = nullptr;
};

class TfrmZOZIdaviz : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmZOZIdaviz(FormServices services = {}, QWidget* parent = nullptr);
    ~TfrmZOZIdaviz() override;

    // Shows the window maximized; restored, it is centred on the screen.
    void showFirstTime();

    // Components.
    QToolButton* btnOpen = nullptr;
    QToolButton* btnUp = nullptr;
    QToolButton* btnDown = nullptr;
    QToolButton* btnDelete = nullptr;
    QToolButton* btnStart = nullptr;
    QWidget* btnSpace1 = nullptr;
    QWidget* btnSpace2 = nullptr;
    QToolButton* btnSave = nullptr;
    QGroupBox* grpListbox = nullptr;
    QGroupBox* grpMemo = nullptr;
    FileOpenDialog* od_Main = nullptr;
    MergedTextView* re_Main = nullptr;
    FileSaveDialog* sd_Main = nullptr;
    ToolBar* tb_Main = nullptr;
    ImageList* il_Main = nullptr;
    QListWidget* lb_Main = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QStatusBar* StatusBar2 = nullptr;
    PaneSplitter* Splitter1 = nullptr;

    // Event handlers.
    void FormCreate();
    void btnOpenClick();
    void btnSaveClick();
    void btnUpClick();
    void btnDownClick();
    void btnDeleteClick();
    void btnStartClick();
    void FormClose(QCloseEvent* event);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void loadLayout();
    void setUpComponents();
    void connectEvents();
    void runCommand(void (velmor::MergeWorkflow::*command)());

    std::unique_ptr<FileDialogRunner> ownFileDialogs_;
    std::unique_ptr<velmor::MessageBox> ownInformationBox_;
    std::unique_ptr<ErrorBox> ownErrorBox_;
    FormServices services_;

    velmor::MergedTextStore mergedText_;
    std::unique_ptr<ListWidgetSourceList> sourceList_;
    std::unique_ptr<StatusBarPanels> panels_;
    std::unique_ptr<velmor::MergeWorkflow> workflow_;
};
