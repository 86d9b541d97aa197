#pragma once
// The main window with scripted dialogs and boxes, shown offscreen; every
// test ends with no window left open.
#include <QLabel>
#include <QListWidget>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

#include "aa.h"
#include "shell_fakes.h"

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TfrmZOZIdaviz>(FormServices{&dialogs, &information, &errors});
    }

    void TearDown() override
    {
        form->close();
        form.reset();
        expectNoWindowOpen();
    }

    void show()
    {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    QString panel(int index) const
    {
        return form->StatusBar1->findChild<QLabel*>(QStringLiteral("panel%1").arg(index))->text();
    }

    QStringList entries() const
    {
        QStringList out;
        for (int i = 0; i < form->lb_Main->count(); ++i)
            out << form->lb_Main->item(i)->text();
        return out;
    }

    void click(QToolButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    ScriptedFileDialogs dialogs;
    RecordingMessageBox information;
    RecordingErrorBox errors;
    std::unique_ptr<TfrmZOZIdaviz> form;
};
