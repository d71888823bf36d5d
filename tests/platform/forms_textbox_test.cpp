#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QVBoxLayout>
#include <memory>

#include "common/scripteddialogs.h"
#include "forms_support.h"
#include "orderentry/modrules.h"
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/textbox.h"

using namespace vorna;
using namespace vorna::forms;
using vorna::test::flushDeletes;

namespace {

// A window that previews keys, with a default and a cancel button.
class KeyForm : public Form {
public:
    KeyForm() {
        auto* layout = new QVBoxLayout(this);
        txt = new TextBox(this);
        cmdOk = new CommandButton(QStringLiteral("&Sélectionner"), this);
        cmdCancel = new CommandButton(QStringLiteral("&Annuler"), this);
        layout->addWidget(txt);
        layout->addWidget(cmdOk);
        layout->addWidget(cmdCancel);
        setDefaultButton(cmdOk);
        setCancelButton(cmdCancel);
        connect(cmdOk, &QPushButton::clicked, this, [this] { clicks << "ok"; });
        connect(cmdCancel, &QPushButton::clicked, this, [this] { clicks << "cancel"; });
    }
    std::function<void(int&)> preview;
    QList<int> previewed;
    QStringList clicks;
    TextBox* txt;
    CommandButton* cmdOk;
    CommandButton* cmdCancel;

protected:
    void formKeyPress(int& k) override {
        previewed << k;
        if (preview) preview(k);
    }
};

class Keys : public ::testing::Test {
protected:
    void SetUp() override { form = new KeyForm; }
    void TearDown() override {
        form->unload();
        flushDeletes();
    }
    QAction* menuAction(QMenu* menu, const char* name) {
        for (QAction* a : menu->actions())
            if (a->objectName() == QLatin1String(name)) return a;
        return nullptr;
    }
    test::ScriptedDialogs dialogs;
    KeyForm* form = nullptr;
};

TEST_F(Keys, WindowPreviewRunsFirstAndMayReplaceOrSwallowTheKey) {
    form->setKeyPreview(true);
    form->preview = [](int& k) { k = keyFilterText(k); };  // upper-cases, refuses "#" with a beep
    QList<int> boxSaw;
    form->txt->keyPress = [&](int& k) {
        boxSaw << k;
        if (k == 'B') k = 'X';
    };
    QTest::keyClicks(form->txt, "ab#c");
    EXPECT_EQ(form->previewed, (QList<int>{'a', 'b', '#', 'c'}));
    EXPECT_EQ(boxSaw, (QList<int>{'A', 'B', 'C'}));  // a swallowed key never reaches the box
    EXPECT_EQ(form->txt->text(), "AXC");
    EXPECT_EQ(dialogs.beeps, 1);

    // Without key preview the window sees nothing.
    form->setKeyPreview(false);
    QTest::keyClicks(form->txt, "d");
    EXPECT_EQ(form->previewed.size(), 4);
    EXPECT_EQ(form->txt->text(), "AXCd");
}

TEST_F(Keys, CodesAreWindows1252AndUnknownCharactersArriveAsMinusOne) {
    QList<int> codes;
    form->txt->keyPress = [&](int& k) { codes << k; };
    test::typeCharacters(form->txt, QString::fromUtf8("é€Ω"));
    QTest::keyClick(form->txt, Qt::Key_Backspace);
    EXPECT_EQ(codes, (QList<int>{0xE9, 0x80, -1, 8}));
    EXPECT_EQ(form->txt->text(), QString::fromUtf8("é€"));  // a box without a filter takes them

    // A filter refuses the character the code page lacks.
    form->txt->clear();
    form->txt->keyPress = [](int& k) { k = keyFilterText(k); };
    test::typeCharacters(form->txt, QString::fromUtf8("éΩz"));
    EXPECT_EQ(form->txt->text(), "Z");  // the text filter takes only A to Z among the letters
    EXPECT_EQ(dialogs.beeps, 2);
}

TEST_F(Keys, KeyboardPasteGoesThroughTheFiltersAndDropsAreRefused) {
    dialogs.clipboard = "abc def";
    form->txt->keyPress = [](int& k) { k = keyFilterText(k); };
    QTest::keyClick(form->txt, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(form->txt, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(form->txt->text(), "");
    EXPECT_EQ(dialogs.beeps, 2);  // the filter refused code 22 twice
    EXPECT_FALSE(form->txt->acceptDrops());

    // A box without a filter pastes the clipboard's first line, within its maximum length.
    form->txt->keyPress = nullptr;
    form->txt->setMaxLength(6);
    form->txt->setText("12");
    dialogs.clipboard = "abcdefgh\r\nsecond line";
    QTest::keyClick(form->txt, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form->txt->text(), "12abcd");

    // Copy and cut reach the program's clipboard.
    form->txt->setSelection(0, 2);
    QTest::keyClick(form->txt, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(dialogs.clipboard, "12");
    EXPECT_EQ(form->txt->text(), "abcd");
}

// A read-only box takes nothing, however it comes, and its text can still be copied.
TEST_F(Keys, AReadOnlyBoxTakesNoTypingButIsCopied) {
    form->txt->setText("VALEUR");
    form->txt->setReadOnly(true);
    dialogs.clipboard = "COLLE";
    QTest::keyClicks(form->txt, "ab");
    QTest::keyClick(form->txt, Qt::Key_V, Qt::ControlModifier);
    form->txt->selectAll();
    QTest::keyClick(form->txt, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(form->txt->text(), "VALEUR");
    QTest::keyClick(form->txt, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(dialogs.clipboard, "VALEUR");
    std::unique_ptr<QMenu> menu(form->txt->createContextMenu());
    EXPECT_FALSE(menuAction(menu.get(), "edit-paste")->isEnabled());
    QTest::keyClick(form->txt, Qt::Key_Escape);  // still presses the cancel button
    EXPECT_EQ(form->clicks, QStringList{"cancel"});
}

TEST_F(Keys, RightButtonRunsBeforeTheContextMenuWhichPastesTheCleanedClipboard) {
    dialogs.clipboard = "a;b";
    QList<int> down;
    form->txt->mouseDown = [&](int button, int shift, int x, int y) {
        down << button << shift << x << y;
        dialogs.clipboard = "AB";  // what the clipboard filter leaves
    };
    QTest::mousePress(form->txt, Qt::RightButton, Qt::ShiftModifier, QPoint(4, 3));
    EXPECT_EQ(down, (QList<int>{2, 1, 60, 45}));

    form->txt->setMaxLength(3);
    form->txt->setText("Z");
    std::unique_ptr<QMenu> menu(form->txt->createContextMenu());
    QAction* paste = menuAction(menu.get(), "edit-paste");
    ASSERT_NE(paste, nullptr);
    EXPECT_TRUE(paste->isEnabled());
    paste->trigger();
    EXPECT_EQ(form->txt->text(), "ZAB");
    paste->trigger();  // full: nothing more fits
    EXPECT_EQ(form->txt->text(), "ZAB");
}

TEST_F(Keys, MaxLengthLimitsTypingButNeverCutsTextSetByCode) {
    form->txt->setMaxLength(3);
    form->txt->setText("ABCDEF");
    EXPECT_EQ(form->txt->text(), "ABCDEF");
    QTest::keyClicks(form->txt, "G");
    EXPECT_EQ(form->txt->text(), "ABCDEF");
    form->txt->selectAll();
    QTest::keyClicks(form->txt, "wxyz");
    EXPECT_EQ(form->txt->text(), "wxy");
}

TEST_F(Keys, ChangeRunsOnEveryChangeEvenFromInsideItself) {
    QStringList changes;
    form->txt->change = [&] {
        changes << form->txt->text();
        if (form->txt->text() == "19") form->txt->setText("1");  // refuse and restore, as the amount does
    };
    form->txt->setText("1");
    QTest::keyClicks(form->txt, "9");
    dialogs.clipboard = "5";
    QTest::keyClick(form->txt, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(form->txt, Qt::Key_Backspace);
    EXPECT_EQ(changes, (QStringList{"1", "19", "1", "15", "1"}));
    EXPECT_EQ(form->txt->text(), "1");
}

TEST_F(Keys, EnterAndEscapePressTheDefaultAndCancelButtonsOnlyWhenEnabled) {
    QList<int> codes;
    form->txt->keyPress = [&](int& k) { codes << k; };
    QTest::keyClick(form->txt, Qt::Key_Return);
    QTest::keyClick(form->txt, Qt::Key_Escape);
    EXPECT_EQ(codes, (QList<int>{13, 27}));
    EXPECT_EQ(form->clicks, (QStringList{"ok", "cancel"}));

    form->cmdOk->setEnabled(false);
    form->cmdCancel->setEnabled(false);
    QTest::keyClick(form->txt, Qt::Key_Enter);
    QTest::keyClick(form->txt, Qt::Key_Escape);
    EXPECT_EQ(form->clicks.size(), 2);

    // A key the box swallows presses nothing.
    form->cmdCancel->setEnabled(true);
    form->txt->keyPress = [](int& k) { k = 0; };
    QTest::keyClick(form->txt, Qt::Key_Escape);
    EXPECT_EQ(form->clicks.size(), 2);

    // From a control that does not use Escape itself, the key reaches the window.
    auto* check = new CheckBox(QStringLiteral("Urgent"), form);
    QTest::keyClick(check, Qt::Key_Escape);
    EXPECT_EQ(form->clicks, (QStringList{"ok", "cancel", "cancel"}));
    // Enter on a focused button clicks that button.
    QTest::keyClick(form->cmdCancel, Qt::Key_Return);
    EXPECT_EQ(form->clicks.last(), "cancel");
    EXPECT_EQ(form->clicks.size(), 4);
}

}  // namespace
