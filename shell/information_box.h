#pragma once
#include "message_box.h"

class QWidget;

// The plain information box: no icon, the application title as caption and
// one OK button that both Enter and Esc close.
class QtInformationBox final : public velmor::MessageBox {
public:
    explicit QtInformationBox(QWidget* parent) : parent_(parent) {}
    void ShowMessage(const std::string& text) override;

private:
    QWidget* parent_;
};
