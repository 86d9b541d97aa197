#pragma once
// The box that shows an error a command let escape.
#include <string>

class QWidget;

class ErrorBox {
public:
    virtual ~ErrorBox() = default;
    // `text` is shown exactly as given: the full stop is already there.
    virtual void ShowError(const std::string& text) = 0;
};

// The platform's message box: critical icon, one OK button, application
// modal, captioned with the application title.
class QtErrorBox final : public ErrorBox {
public:
    explicit QtErrorBox(QWidget* parent) : parent_(parent) {}
    void ShowError(const std::string& text) override;

private:
    QWidget* parent_;
};
