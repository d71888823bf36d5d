#include <gtest/gtest.h>

#include <QLabel>
#include <QVBoxLayout>

#include "forms_support.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/textbox.h"
#include "platform/vberror.h"

using namespace vorna::forms;
using vorna::test::flushDeletes;
using vorna::test::showActive;

namespace {

// A window with two boxes and a button; txtFirst refuses to be left while it holds "BAD".
class FocusForm : public Form {
public:
    FocusForm() {
        auto* layout = new QVBoxLayout(this);
        auto* label = new QLabel(QStringLiteral("&Second :"), this);
        txtFirst = new TextBox(this);
        txtSecond = new TextBox(this);
        cmdGo = new CommandButton(QStringLiteral("&Go"), this);
        layout->addWidget(txtFirst);
        layout->addWidget(label);
        layout->addWidget(txtSecond);
        layout->addWidget(cmdGo);
        label->setBuddy(txtSecond);
        watch(txtFirst, "first");
        watch(txtSecond, "second");
        watch(cmdGo, "go");
        txtFirst->validate = [this](bool& cancel) {
            log << "validate first";
            cancel = txtFirst->text() == "BAD";
        };
        connect(cmdGo, &QPushButton::clicked, this, [this] { log << "click go"; });
    }
    void watch(QWidget* w, const QString& name) {
        focusEvents(w).gotFocus = [this, name] { log << "got " + name; };
        focusEvents(w).lostFocus = [this, name] { log << "lost " + name; };
    }
    TextBox* txtFirst;
    TextBox* txtSecond;
    CommandButton* cmdGo;
    QStringList log;
};

class Focus : public ::testing::Test {
protected:
    void SetUp() override {
        form = new FocusForm;
        ASSERT_TRUE(showActive(form));
        ASSERT_TRUE(giveFocus(form->txtFirst));
        form->log.clear();
    }
    void TearDown() override {
        form->unload();
        flushDeletes();
    }
    FocusForm* form = nullptr;
};

TEST_F(Focus, RefusedValidateKeepsTheFocusAndSwallowsTheClick) {
    form->txtFirst->setText("BAD");
    QTest::mouseClick(form->cmdGo, Qt::LeftButton);
    EXPECT_EQ(form->log, QStringList{"validate first"});
    EXPECT_EQ(QApplication::focusWidget(), form->txtFirst);
    EXPECT_EQ(form->activeControl(), form->txtFirst);

    // Once the value is sound the same click moves the focus, then clicks.
    form->log.clear();
    form->txtFirst->setText("GOOD");
    QTest::mouseClick(form->cmdGo, Qt::LeftButton);
    EXPECT_EQ(form->log, (QStringList{"validate first", "lost first", "got go", "click go"}));
    EXPECT_EQ(QApplication::focusWidget(), form->cmdGo);
}

TEST_F(Focus, ARefusedPressWhoseReleaseWentElsewhereSpoilsNoLaterClick) {
    // A message box shown by the Validate takes the release of the refused press.
    form->txtFirst->setText("BAD");
    QTest::mousePress(form->cmdGo, Qt::LeftButton);
    form->txtFirst->setText("GOOD");
    form->log.clear();
    QTest::mouseClick(form->cmdGo, Qt::LeftButton);
    EXPECT_EQ(form->log.last(), "click go");
}

TEST(FocusFirstShow, TheFirstControlGetsTheFocusOnceWhenTheWindowShows) {
    auto* form = new FocusForm;
    ASSERT_TRUE(showActive(form));
    EXPECT_EQ(form->log, QStringList{"got first"});
    EXPECT_EQ(form->activeControl(), form->txtFirst);
    form->unload();
    flushDeletes();
}

TEST_F(Focus, RefusedTabKeepsTheFocusAndTheSelection) {
    form->txtFirst->setText("BAD");
    form->txtFirst->setSelection(1, 2);
    QTest::keyClick(form->txtFirst, Qt::Key_Tab);
    EXPECT_EQ(form->log, QStringList{"validate first"});
    EXPECT_EQ(QApplication::focusWidget(), form->txtFirst);
    EXPECT_EQ(form->txtFirst->selectedText(), "AD");

    form->log.clear();
    form->txtFirst->setText("OK");
    QTest::keyClick(form->txtFirst, Qt::Key_Tab);
    EXPECT_EQ(form->log, (QStringList{"validate first", "lost first", "got second"}));
    EXPECT_EQ(QApplication::focusWidget(), form->txtSecond);
    // Leaving a box that has no Validate needs no permission.
    form->log.clear();
    QTest::keyClick(form->txtSecond, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(form->log, (QStringList{"lost second", "got first"}));
}

TEST_F(Focus, MovesByCodeAndByShortcutValidateToo) {
    form->txtFirst->setText("BAD");
    EXPECT_FALSE(giveFocus(form->txtSecond));
    EXPECT_EQ(form->activeControl(), form->txtFirst);
    // A plain QWidget::setFocus is caught as well: the focus comes back.
    form->txtSecond->setFocus();
    EXPECT_EQ(QApplication::focusWidget(), form->txtFirst);
    EXPECT_EQ(form->activeControl(), form->txtFirst);
    // Alt + the button's letter neither moves the focus nor clicks.
    QTest::keyClick(form->txtFirst, Qt::Key_G, Qt::AltModifier);
    QTest::qWait(250);  // a shortcut click is animated
    EXPECT_EQ(form->log, (QStringList{"validate first", "validate first", "validate first"}));

    form->log.clear();
    form->txtFirst->setText("OK");
    QTest::keyClick(form->txtFirst, Qt::Key_S, Qt::AltModifier);  // the label's buddy
    EXPECT_EQ(form->log, (QStringList{"validate first", "lost first", "got second"}));
    EXPECT_EQ(QApplication::focusWidget(), form->txtSecond);
}

TEST_F(Focus, ActivationChangesAreNoFocusMoves) {
    form->txtFirst->setText("BAD");  // any Validate here would refuse and show up in the log
    QWidget other;
    other.move(500, 0);
    ASSERT_TRUE(showActive(&other));
    ASSERT_TRUE(showActive(form));
    EXPECT_TRUE(form->log.isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), form->txtFirst);
}

TEST_F(Focus, ValidateControlsRaises380WhenTheActiveControlRefuses) {
    form->txtFirst->setText("OK");
    EXPECT_NO_THROW(form->validateControls());
    form->txtFirst->setText("BAD");
    try {
        form->validateControls();
        FAIL() << "no error raised";
    } catch (const vorna::VbError& e) {
        EXPECT_EQ(e.number, vorna::err::InvalidPropertyValue);
    }
    EXPECT_EQ(form->activeControl(), form->txtFirst);
    EXPECT_EQ(form->log, (QStringList{"validate first", "validate first"}));
}

TEST_F(Focus, HiddenOrDisabledControlsDoNotTakeTheFocus) {
    form->txtSecond->setEnabled(false);
    EXPECT_FALSE(giveFocus(form->txtSecond));
    form->cmdGo->hide();
    EXPECT_FALSE(giveFocus(form->cmdGo));
    EXPECT_TRUE(form->log.isEmpty());
    EXPECT_EQ(form->activeControl(), form->txtFirst);
}

}  // namespace
