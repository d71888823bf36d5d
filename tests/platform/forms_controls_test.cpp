#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>

#include "forms_support.h"
#include "platform/forms/accessibility.h"
#include "platform/forms/controls.h"
#include "platform/forms/geometry.h"
#include "platform/forms/textbox.h"

using namespace vorna::forms;

namespace {

TEST(OptionGroup, SelectingByCodeClicksLikeTheOldRuntime) {
    QWidget frame;
    OptionGroup optFrais;
    for (int i = 0; i < 4; ++i) optFrais.add(i, QStringLiteral("choix %1").arg(i), &frame);
    QList<int> clicks;
    optFrais.click = [&](int i) { clicks << i; };

    optFrais.setValue(3, true);
    EXPECT_EQ(clicks, QList<int>{3});
    EXPECT_EQ(optFrais.selected(), 3);
    optFrais.setValue(2, true);
    EXPECT_FALSE(optFrais.value(3));  // the others in the container are cleared
    optFrais.setValue(2, true);       // already selected: no new click
    EXPECT_EQ(clicks, (QList<int>{3, 2}));

    optFrais.setValue(2, false);  // clearing runs nothing and leaves no choice
    EXPECT_EQ(optFrais.selected(), -1);
    EXPECT_EQ(clicks.size(), 2);

    QTest::mouseClick(optFrais[1], Qt::LeftButton);
    EXPECT_EQ(clicks, (QList<int>{3, 2, 1}));
    EXPECT_TRUE(optFrais.value(1));
    QTest::mouseClick(optFrais[1], Qt::LeftButton);  // a click on the selected one keeps it
    EXPECT_TRUE(optFrais.value(1));

    // Every other way to select a button runs the same handler, once, with the others cleared.
    optFrais[0]->setChecked(true);
    QAccessible::queryAccessibleInterface(optFrais[2])->actionInterface()->doAction(
        QAccessibleActionInterface::toggleAction());
    optFrais.click = [&](int i) {
        clicks << i;
        EXPECT_EQ(optFrais.selected(), i);
    };
    optFrais[1]->toggle();
    EXPECT_EQ(clicks, (QList<int>{3, 2, 1, 0, 2, 1}));

    // The arrows go through the options by index, round, whatever their place on the screen (as the
    // charges block: "none chosen" (3) above the others, right to left); a disabled one is passed over.
    auto* grid = new QGridLayout(&frame);
    for (int i = 0; i < 4; ++i) grid->addWidget(optFrais[i], i == 3 ? 0 : 1, i == 3 ? 0 : 2 - i);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    clicks.clear();
    optFrais.setValue(3, true);
    optFrais[3]->setFocus();
    for (Qt::Key k : {Qt::Key_Down, Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up})
        QTest::keyClick(QApplication::focusWidget(), k);
    EXPECT_EQ(QApplication::focusWidget(), optFrais[2]);
    EXPECT_EQ(clicks, (QList<int>{3, 0, 1, 2, 3, 2}));
    optFrais[3]->setEnabled(false);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), optFrais[0]);
}

TEST(OptionGroup, TwoArraysInOneContainerMakeOneChoice) {
    QWidget frame2, other;
    OptionGroup optCft, optVpn, optElsewhere;
    optCft.add(0, QStringLiteral("CFT"), &frame2);
    optVpn.add(1, QStringLiteral("VPN ou Autres"), &frame2);
    optElsewhere.add(0, QStringLiteral("ailleurs"), &other);
    optElsewhere.setValue(0, true);
    optCft.setValue(0, true);
    optVpn.setValue(1, true);
    EXPECT_FALSE(optCft.value(0));
    EXPECT_TRUE(optVpn.value(1));
    EXPECT_TRUE(optElsewhere.value(0));  // another container is another choice
}

TEST(Colours, OldBlueGreenRedValues) {
    EXPECT_EQ(vbColor(0xC0FFC0), QColor(192, 255, 192));  // light green
    EXPECT_EQ(vbColor(0x8080FF), QColor(255, 128, 128));  // light red
    EXPECT_EQ(vbColorValue(QColor(255, 128, 0)), 0x0080FFu);
    EXPECT_EQ(vbColor(kSystemWindowColor), systemWindowColor());

    TextBox txt;
    txt.setBackColor(vbColor(0xC0C0C0));
    txt.setEnabled(false);
    EXPECT_EQ(txt.palette().color(QPalette::Disabled, QPalette::Base), QColor(192, 192, 192));
    EXPECT_EQ(txt.backColor(), QColor(192, 192, 192));
}

QString spokenName(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

TEST(Accessibility, EveryFieldIsFoundByItsFrenchCaption) {
    QGroupBox frm50(QStringLiteral("50 : Client donneur d'ordre par défaut"));
    auto* lblNom = new QLabel(QStringLiteral("&Nom :"), &frm50);
    auto* txtNom = new TextBox(&frm50);
    auto* txtAdresse3 = new TextBox(&frm50);
    labelFor(lblNom, txtNom);
    EXPECT_EQ(lblNom->buddy(), txtNom);
    EXPECT_TRUE(spokenName(txtNom).startsWith("Nom"));
    // Without a caption the reader would fall back on the frame's title: give a short name.
    setAccessibleFrench(txtAdresse3, QStringLiteral("Adresse, ligne 3"));
    EXPECT_EQ(spokenName(txtAdresse3), "Adresse, ligne 3");
    EXPECT_EQ(spokenName(&frm50), "50 : Client donneur d'ordre par défaut");

    // A caption in another container still names the box.
    QWidget form;
    auto* lblRep = new QLabel(QStringLiteral("Répertoire de &génération :"), &form);
    auto* txtRep = new TextBox(&frm50);
    labelFor(lblRep, txtRep);
    EXPECT_EQ(spokenName(txtRep), "Répertoire de génération");
    EXPECT_EQ(spokenCaption(QStringLiteral("Frais && commissions :")), "Frais & commissions");

    // A box moved into a row of its own after it was captioned keeps its caption's name.
    auto* lblDev = new QLabel(QStringLiteral("Devise de l'ordre :"), &frm50);
    auto* txtDev = new TextBox(&frm50);
    labelFor(lblDev, txtDev);
    auto* row = new QWidget(&frm50);
    txtDev->setParent(row);
    EXPECT_EQ(spokenName(txtDev), "Devise de l'ordre");
}

}  // namespace
