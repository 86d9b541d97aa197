#pragma once
// The command bar: a fixed strip in the system's dark-shadow colour with an
// etched line along its top edge. Its buttons sit at fixed places inside it.
#include <QFrame>

class ToolBar final : public QFrame {
    Q_OBJECT
public:
    explicit ToolBar(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
