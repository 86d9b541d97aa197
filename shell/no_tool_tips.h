#pragma once
// Keeps hints from ever showing: swallows tooltip, status-tip and
// what's-this requests of the widgets it watches.
#include <QObject>

class NoToolTips final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
