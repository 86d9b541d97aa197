#include "pane_splitter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QSplitterHandle>

namespace {

class PaneSplitterHandle final : public QSplitterHandle {
public:
    PaneSplitterHandle(Qt::Orientation orientation, PaneSplitter* parent)
        : QSplitterHandle(orientation, parent), splitter_(parent)
    {
    }

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() != Qt::LeftButton)
            return;
        dragging_ = true;
        grabOffset_ = e->position().toPoint().x();
        // Esc must reach the handle while the drag lasts.
        grabKeyboard();
        splitter_->showDragLine(wantedWidth(e));
    }

    void mouseMoveEvent(QMouseEvent* e) override
    {
        if (dragging_)
            splitter_->showDragLine(splitter_->legalLeftWidth(wantedWidth(e)));
    }

    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (!dragging_ || e->button() != Qt::LeftButton)
            return;
        endDrag();
        splitter_->setLeftWidth(splitter_->legalLeftWidth(wantedWidth(e)));
    }

    void keyPressEvent(QKeyEvent* e) override
    {
        if (dragging_ && e->key() == Qt::Key_Escape)
            endDrag();
        else
            QSplitterHandle::keyPressEvent(e);
    }

private:
    int wantedWidth(QMouseEvent* e) const
    {
        return splitter_->mapFromGlobal(e->globalPosition().toPoint()).x() - grabOffset_;
    }

    void endDrag()
    {
        dragging_ = false;
        releaseKeyboard();
        splitter_->hideDragLine();
    }

    PaneSplitter* splitter_;
    bool dragging_ = false;
    int grabOffset_ = 0;
};

}  // namespace

PaneSplitter::PaneSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent)
{
}

int PaneSplitter::legalLeftWidth(int wanted) const
{
    const int widest = qMax(0, width() - handleWidth() - minRight);
    if (wanted <= snap)
        return 0;
    return qMin(wanted, widest);
}

void PaneSplitter::setLeftWidth(int width)
{
    setSizes({width, qMax(0, this->width() - handleWidth() - width)});
}

QSplitterHandle* PaneSplitter::createHandle()
{
    return new PaneSplitterHandle(orientation(), this);
}
