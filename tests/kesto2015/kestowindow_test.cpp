#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "kesto_recuperation_base.h"
#include "kestofixture.h"
#include "kestomover.h"

using namespace kesto;
using namespace kesto::test;

using KestoWindowTest = KestoTest;

namespace {
void activate(QWidget& w) {
    w.show();
    w.activateWindow();
    (void)QTest::qWaitFor([&] { return w.isActiveWindow() || !w.isVisible(); }, 2000);
}
}  // namespace

TEST_F(KestoWindowTest, LooksAsDrawn) {
    KestoMover mover(KestoMover::installedFolders(), messages);
    TForm_KESTO_Rename_Repertoire w(mover);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Pré-Installation de KESTO 2006-01"));
    EXPECT_EQ(w.size(), QSize(404, 186));
    EXPECT_LE((w.geometry().center() - w.screen()->geometry().center()).manhattanLength(), 2);

    EXPECT_EQ(w.L_Commentaire->geometry(), QRect(25, 16, 345, 65));
    EXPECT_EQ(w.L_Commentaire->text(), QStringLiteral("Pré-Installation de KESTO\nVersion 2015-01"));
    EXPECT_TRUE(w.L_Commentaire->alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(w.L_Commentaire->wordWrap());
    EXPECT_EQ(w.L_Commentaire->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    EXPECT_EQ(w.L_Commentaire->font().pixelSize(), 16);
    EXPECT_EQ(w.L_Commentaire->font().families().value(0), QStringLiteral("Comic Sans MS"));

    EXPECT_EQ(w.B_Fermer->geometry(), QRect(160, 104, 75, 25));
    EXPECT_EQ(w.B_Fermer->text(), QStringLiteral("Fermer"));
    // First in the tab order: the first widget of the chain that takes focus by Tab.
    QWidget* first = w.nextInFocusChain();
    while (first != &w && !(first->focusPolicy() & Qt::TabFocus)) first = first->nextInFocusChain();
    EXPECT_EQ(first, w.B_Fermer);
}

TEST_F(KestoWindowTest, FirstActivationShowsTheMessageAndEndsOnlyOnce) {
    KestoMover mover(KestoMover::installedFolders(), messages);
    TForm_KESTO_Rename_Repertoire w(mover);
    activate(w);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w.isVisible(); }, 2000));
    EXPECT_EQ(messages.plain,
              QStringList{QStringLiteral("Les fichiers de l'application KESTO ne sont pas récupérables!")});

    // Another activation of the same window does no more work.
    activate(w);
    QTest::qWait(50);
    EXPECT_EQ(messages.count(), 1);
}

TEST_F(KestoWindowTest, CopyErrorLeavesTheWindowOpenUntilFermer) {
    const QString old1 = oldFolder1() + QStringLiteral("/VornaW.mdb");
    writeFile(old1, "locked");
    TestFiles files;
    files.refuseOpen = [](const QString&) { return true; };
    KestoMover mover(KestoMover::installedFolders(), messages, &files);
    TForm_KESTO_Rename_Repertoire w(mover);
    activate(w);
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.count() > 0; }, 2000));
    EXPECT_EQ(messages.errors, QStringList{QStringLiteral("Impossible d'ouvrir le fichier ") + old1});
    QTest::qWait(50);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(readFile(old1), "locked");
    EXPECT_EQ(QApplication::focusWidget(), w.B_Fermer);

    // Going to another window and back does not start the work again.
    QWidget other;
    activate(other);
    activate(w);
    EXPECT_EQ(messages.count(), 1);

    QTest::mouseClick(w.B_Fermer, Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
}
