#include "aa.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>

#include "app_title.h"
#include "error_box.h"
#include "file_dialog_runner.h"
#include "file_open_dialog.h"
#include "file_save_dialog.h"
#include "guarded_command.h"
#include "image_list.h"
#include "information_box.h"
#include "list_widget_source_list.h"
#include "merge_workflow.h"
#include "merged_text_view.h"
#include "no_tool_tips.h"
#include "pane_splitter.h"
#include "status_bar_panels.h"
#include "tool_bar.h"
#include "ui_aa.h"

namespace {

constexpr int leftPaneWidth = 181;

// A service handed in by the caller, or else the platform's one, kept alive
// by `own`.
template <class Service, class Platform>
Service* orPlatform(Service* given, std::unique_ptr<Service>& own, QWidget* parent)
{
    if (given)
        return given;
    own = std::make_unique<Platform>(parent);
    return own.get();
}

}  // namespace

TfrmZOZIdaviz::TfrmZOZIdaviz(FormServices services, QWidget* parent)
    : QMainWindow(parent), services_(services)
{
    if (!services_.fileDialogs) {
        ownFileDialogs_ = std::make_unique<QtFileDialogRunner>();
        services_.fileDialogs = ownFileDialogs_.get();
    }
    services_.informationBox = orPlatform<velmor::MessageBox, QtInformationBox>(
        services.informationBox, ownInformationBox_, this);
    services_.errorBox = orPlatform<ErrorBox, QtErrorBox>(services.errorBox, ownErrorBox_, this);

    loadLayout();
    setUpComponents();
    sourceList_ = std::make_unique<ListWidgetSourceList>(*lb_Main);
    panels_ = std::make_unique<StatusBarPanels>(*StatusBar1);
    workflow_ = std::make_unique<velmor::MergeWorkflow>(velmor::WorkflowParts{
        *sourceList_, *od_Main, *sd_Main, *panels_, mergedText_, *services_.informationBox});
    connectEvents();
    runGuarded(*services_.errorBox, [this] { FormCreate(); });
}

TfrmZOZIdaviz::~TfrmZOZIdaviz()
{
    // The view refers to the merged text, which goes before the child
    // widgets do: the view has to go first.
    delete re_Main;
}

void TfrmZOZIdaviz::loadLayout()
{
    Ui::TfrmZOZIdaviz ui;
    ui.setupUi(this);
    btnOpen = ui.btnOpen;
    btnUp = ui.btnUp;
    btnDown = ui.btnDown;
    btnDelete = ui.btnDelete;
    btnStart = ui.btnStart;
    btnSpace1 = ui.btnSpace1;
    btnSpace2 = ui.btnSpace2;
    btnSave = ui.btnSave;
    grpListbox = ui.grpListbox;
    grpMemo = ui.grpMemo;
    re_Main = ui.re_Main;
    tb_Main = ui.tb_Main;
    lb_Main = ui.lb_Main;
    StatusBar1 = ui.StatusBar1;
    StatusBar2 = ui.StatusBar2;
    Splitter1 = ui.Splitter1;
    // The components that are not controls.
    il_Main = new ImageList(this);
    il_Main->setObjectName(QStringLiteral("il_Main"));
    od_Main = new FileOpenDialog(*services_.fileDialogs, this);
    od_Main->setObjectName(QStringLiteral("od_Main"));
    sd_Main = new FileSaveDialog(*services_.fileDialogs, this);
    sd_Main->setObjectName(QStringLiteral("sd_Main"));
}

void TfrmZOZIdaviz::setUpComponents()
{
    for (QToolButton* button : {btnOpen, btnSave, btnUp, btnDown, btnDelete, btnStart})
        button->setIcon(il_Main->image(button->property("imageIndex").toInt()));

    // The left pane keeps its width when the window grows; a drag can
    // collapse it, never the right pane.
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setCollapsible(0, true);
    Splitter1->setCollapsible(1, false);
    Splitter1->setSizes({leftPaneWidth, width() - leftPaneWidth - Splitter1->handleWidth()});

    // The panes' children sit 2 pixels inside the etched frame and below a
    // caption strip; the style's own group-box insets would add to that.
    for (QGroupBox* pane : {grpListbox, grpMemo})
        pane->setContentsMargins(0, 0, 0, 0);

    re_Main->setSource(&mergedText_);

    // The status bars keep the platform's status-bar font, at the form's
    // size: panel 1 of the 181-pixel pane must hold "100 % complete".
    // They never take the keyboard focus; only the list and the merged
    // text do.
    for (QStatusBar* bar : {StatusBar1, StatusBar2}) {
        QFont font = bar->font();
        font.setPointSizeF(this->font().pointSizeF());
        bar->setFont(font);
        bar->setFocusPolicy(Qt::NoFocus);
    }
    lb_Main->setFocus();

    // No control ever shows a tooltip, a status text or a what's-this text.
    auto* noToolTips = new NoToolTips(this);
    for (QWidget* widget : findChildren<QWidget*>())
        widget->installEventFilter(noToolTips);
}

void TfrmZOZIdaviz::connectEvents()
{
    connect(btnOpen, &QToolButton::clicked, this, &TfrmZOZIdaviz::btnOpenClick);
    connect(btnSave, &QToolButton::clicked, this, &TfrmZOZIdaviz::btnSaveClick);
    connect(btnUp, &QToolButton::clicked, this, &TfrmZOZIdaviz::btnUpClick);
    connect(btnDown, &QToolButton::clicked, this, &TfrmZOZIdaviz::btnDownClick);
    connect(btnDelete, &QToolButton::clicked, this, &TfrmZOZIdaviz::btnDeleteClick);
    connect(btnStart, &QToolButton::clicked, this, &TfrmZOZIdaviz::btnStartClick);
}

void TfrmZOZIdaviz::showFirstTime()
{
    // The restored window is centred on the screen; it starts maximized.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    showMaximized();
}

void TfrmZOZIdaviz::FormCreate()
{
    setWindowTitle(QString::fromUtf8(applicationTitle));

    const std::array<QToolButton*, 6> commandButtons = {btnOpen, btnSave, btnUp, btnDown, btnDelete, btnStart};
    for (std::size_t i = 0; i < commandButtons.size(); ++i)
        commandButtons[i]->setProperty("hint", QString::fromUtf8(hintTable[i]));

    for (FileDialogSettings* dialog : {&od_Main->settings, &sd_Main->settings}) {
        dialog->defaultExt = pgnExtension;
        dialog->filter = pgnFilter;
        dialog->filterIndex = 4;
    }

    StatusBar2->showMessage(QString::fromUtf8(noticeLine));
}

void TfrmZOZIdaviz::runCommand(void (velmor::MergeWorkflow::*command)())
{
    runGuarded(*services_.errorBox, [this, command] { (workflow_.get()->*command)(); });
}

void TfrmZOZIdaviz::btnOpenClick()
{
    runCommand(&velmor::MergeWorkflow::btnOpenClick);
}

void TfrmZOZIdaviz::btnSaveClick()
{
    runCommand(&velmor::MergeWorkflow::btnSaveClick);
}

void TfrmZOZIdaviz::btnUpClick()
{
    runCommand(&velmor::MergeWorkflow::btnUpClick);
}

void TfrmZOZIdaviz::btnDownClick()
{
    runCommand(&velmor::MergeWorkflow::btnDownClick);
}

void TfrmZOZIdaviz::btnDeleteClick()
{
    runCommand(&velmor::MergeWorkflow::btnDeleteClick);
}

void TfrmZOZIdaviz::btnStartClick()
{
    runCommand(&velmor::MergeWorkflow::btnStartClick);
}

void TfrmZOZIdaviz::FormClose(QCloseEvent* event)
{
    // Closing never asks: whatever the list and the merged text hold is
    // dropped and the program ends.
    event->accept();
}

void TfrmZOZIdaviz::closeEvent(QCloseEvent* event)
{
    FormClose(event);
}
