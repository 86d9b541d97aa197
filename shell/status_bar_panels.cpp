#include "status_bar_panels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QStatusBar>

namespace {

constexpr int itemCountWidth = 81;

QLabel* makePanel(QWidget& parent, const char* name)
{
    auto* label = new QLabel(&parent);
    label->setObjectName(QLatin1String(name));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    // The bar's font, not the one the platform gives labels.
    label->setFont(parent.parentWidget()->font());
    return label;
}

// Both panels side by side in one item of the bar, so they lie as close
// together as the bar's own items cannot.
QWidget* addPanelRow(QStatusBar& bar)
{
    auto* row = new QWidget(&bar);
    row->setObjectName(QStringLiteral("panels"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    // The panels draw their own sunken frames.
    bar.setStyleSheet(QStringLiteral("QStatusBar::item { border: 0px; }"));
    bar.addWidget(row, 1);
    return row;
}

}  // namespace

StatusBarPanels::StatusBarPanels(QStatusBar& bar) : bar_(bar)
{
    QWidget* row = addPanelRow(bar);
    itemCount_ = makePanel(*row, "panel0");
    progress_ = makePanel(*row, "panel1");
    itemCount_->setFixedWidth(itemCountWidth);
    row->layout()->addWidget(itemCount_);
    static_cast<QHBoxLayout*>(row->layout())->addWidget(progress_, 1);
}

void StatusBarPanels::SetText(Panel panel, const std::string& text)
{
    this->panel(panel)->setText(QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
}

void StatusBarPanels::Refresh()
{
    // Paints now, without the event loop: a merge run keeps the GUI thread
    // and must not take input while it shows its progress.
    bar_.repaint();
}
