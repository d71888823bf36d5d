#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <stdexcept>

#include "forms_support.h"
#include "platform/forms/form.h"
#include "platform/dialogs.h"
#include "platform/catalogues.h"
#include "platform/environment.h"
#include "platform/forms/geometry.h"

using namespace vorna::forms;
using vorna::test::flushDeletes;
using vorna::test::showActive;

namespace {

QStringList journal;

// A program-wide window that writes its events into the journal, named by N.
template <int N>
class frmSample : public FormOf<frmSample<N>> {
public:
    frmSample() : serial(++built) {}
    static inline int built = 0;
    const int serial;
    bool refuse = false;

protected:
    QString name() const { return QStringLiteral("frm%1").arg(N); }
    void formLoad() override {
        journal << name() + " Load";
    }
    void formQueryUnload(bool& cancel, UnloadMode mode) override {
        journal << name() + QStringLiteral(" QueryUnload %1").arg(int(mode));
        cancel = refuse;
    }
    void formUnload() override { journal << name() + " Unload"; }
    void formResize() override { journal << name() + " Resize"; }
    void formActivate() override {
        journal << name() + " Activate";
    }
    void formDeactivate() override { journal << name() + " Deactivate"; }
};

// A window whose first build fails its load (the database could not be opened).
class Failing : public FormOf<Failing> {
public:
    Failing() : serial(++count) {}
    static inline int count = 0;
    int serial;

protected:
    void formLoad() override {
        if (serial == 1) throw std::runtime_error("no database");
    }
};

using frmA = frmSample<1>;
using frmB = frmSample<2>;
using frmC = frmSample<3>;

class FormLife : public ::testing::Test {
protected:
    void SetUp() override { journal.clear(); }
    void TearDown() override {
        Form::ModalHook = nullptr;
        if (frmA::isLoaded()) frmA::instance().refuse = false;
        if (frmB::isLoaded()) frmB::instance().refuse = false;
        if (frmC::isLoaded()) frmC::instance().refuse = false;
        unloadAll<frmA, frmB, frmC>();
        flushDeletes();
    }
};

TEST_F(FormLife, OneInstanceLoadedOnFirstUseAndBuiltAgainAfterUnload) {
    EXPECT_FALSE(frmA::isLoaded());
    const int builtBefore = frmA::built;
    frmA& first = frmA::instance();
    EXPECT_TRUE(frmA::isLoaded());
    EXPECT_EQ(&frmA::instance(), &first);
    EXPECT_EQ(journal, QStringList{"frm1 Load"});  // loaded once, however often it is used
    EXPECT_EQ(first.loadState(), Form::LoadState::Loaded);

    QPointer<Form> old(&first);
    const int firstSerial = first.serial;
    EXPECT_TRUE(first.unload());
    EXPECT_FALSE(frmA::isLoaded());
    EXPECT_EQ(journal, (QStringList{"frm1 Load", "frm1 QueryUnload 1", "frm1 Unload"}));
    flushDeletes();
    EXPECT_TRUE(old.isNull());  // unloading destroys the window

    frmA& second = frmA::instance();
    EXPECT_NE(second.serial, firstSerial);
    EXPECT_EQ(frmA::built, builtBefore + 2);
    EXPECT_EQ(journal.last(), "frm1 Load");
}

TEST_F(FormLife, LoadThatShowsAndHidesItselfEndsHiddenButShowStillShows) {
    // The load step may flash the window; being used still leaves it hidden, Show leaves it shown.
    class Flash : public Form {
    protected:
        void formLoad() override {
            journal << "Flash Load";
            show();
            hide();
        }
    };
    auto* used = new Flash;
    used->load();
    EXPECT_FALSE(used->isVisible());
    auto* shown = new Flash;
    shown->show();  // Show loads the window first
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(journal, (QStringList{"Flash Load", "Flash Load"}));
    used->unload();
    shown->unload();
    flushDeletes();
}

TEST_F(FormLife, FailedLoadLeavesNothingLoadedAndTheNextUseTriesAgain) {
    EXPECT_THROW(Failing::instance(), std::runtime_error);
    EXPECT_FALSE(Failing::isLoaded());
    EXPECT_EQ(Failing::instance().serial, 2);
    EXPECT_TRUE(Failing::isLoaded());
    Failing::unloadIfLoaded();
}

TEST_F(FormLife, QueryUnloadRefusalKeepsTheWindowForCodeAndCloseBox) {
    frmA& f = frmA::instance();
    f.show();
    f.refuse = true;
    EXPECT_FALSE(f.unload());
    EXPECT_TRUE(frmA::isLoaded());
    EXPECT_FALSE(f.close());  // the close box asks too
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(frmA::isLoaded());
    EXPECT_EQ(journal, (QStringList{"frm1 Load", "frm1 Resize", "frm1 QueryUnload 1", "frm1 QueryUnload 0"}));

    f.refuse = false;
    EXPECT_TRUE(f.close());
    EXPECT_FALSE(frmA::isLoaded());
    EXPECT_EQ(journal.mid(4), (QStringList{"frm1 QueryUnload 0", "frm1 Unload"}));
}

TEST_F(FormLife, ShowModalReturnsWhenTheWindowIsHiddenOrUnloaded) {
    QStringList modal;
    Form::ModalHook = [&](Form& f) {
        modal << QString::number(f.isVisible()) + QString::number(f.windowModality() == Qt::ApplicationModal);
        if (&f == &frmA::instance()) {
            frmB::instance().showModal();  // nested: B's own loop ends first
            journal << "A resumes";
            f.hide();
        } else {
            f.hide();
        }
    };
    frmA::instance().showModal();
    journal << "caller resumes";
    EXPECT_EQ(modal, (QStringList{"11", "11"}));
    EXPECT_TRUE(frmA::isLoaded());
    EXPECT_FALSE(frmA::instance().isVisible());
    EXPECT_EQ(frmA::instance().windowModality(), Qt::NonModal);
    EXPECT_EQ(journal.filter("resumes"), (QStringList{"A resumes", "caller resumes"}));

    // Unloaded from inside its loop: the caller resumes and the window is gone.
    Form::ModalHook = [](Form& f) { f.unload(); };
    frmB::instance().showModal();
    EXPECT_FALSE(frmB::isLoaded());

    // A window shown non-modally becomes modal.
    frmC::instance().show();
    bool wasModal = false;
    Form::ModalHook = [&](Form& f) {
        wasModal = f.windowModality() == Qt::ApplicationModal && f.isVisible();
        f.hide();
    };
    frmC::instance().showModal();
    EXPECT_TRUE(wasModal);
}

TEST_F(FormLife, UnloadAllAsksEveryWindowInOrderAndSkipsThoseNotLoaded) {
    frmA::instance();
    frmC::instance();
    frmC::instance().refuse = true;
    journal.clear();
    EXPECT_FALSE((unloadAll<frmC, frmB, frmA>()));
    EXPECT_EQ(journal, (QStringList{"frm3 QueryUnload 1", "frm1 QueryUnload 1", "frm1 Unload"}));
    EXPECT_FALSE(frmB::isLoaded());  // never loaded: not built either
    EXPECT_TRUE(frmC::isLoaded());
    EXPECT_FALSE(frmA::isLoaded());
}

TEST_F(FormLife, ResizeRunsOnResizeAndOnMinimiseAndRestore) {
    frmA& f = frmA::instance();
    f.show();
    journal.clear();
    f.resize(f.width() + 30, f.height());
    EXPECT_EQ(journal, QStringList{"frm1 Resize"});
    journal.clear();
    f.setWindowStateVb(WindowState::Minimized);
    EXPECT_EQ(f.windowStateVb(), WindowState::Minimized);
    EXPECT_EQ(journal, QStringList{"frm1 Resize"});
    journal.clear();
    f.setWindowStateVb(WindowState::Normal);
    EXPECT_EQ(journal, QStringList{"frm1 Resize"});
}

TEST_F(FormLife, ActivateAndDeactivateOnlyBetweenWindowsOfTheProgram) {
    frmA& a = frmA::instance();
    frmB& b = frmB::instance();
    a.move(0, 0);
    b.move(400, 0);
    QWidget box;  // a message box, or any window that is not one of the program's forms
    ASSERT_TRUE(showActive(&a));
    EXPECT_EQ(journal.filter("ctivate"), QStringList{"frm1 Activate"});
    journal.clear();
    ASSERT_TRUE(showActive(&box));
    ASSERT_TRUE(showActive(&a));
    EXPECT_TRUE(journal.filter("ctivate").isEmpty());
    ASSERT_TRUE(showActive(&b));
    EXPECT_EQ(journal.filter("ctivate"), (QStringList{"frm1 Deactivate", "frm2 Activate"}));
}

TEST_F(FormLife, GeometryInTwips) {
    frmA& f = frmA::instance();
    f.moveTwips(1500, 1995, 6000, 4500);
    EXPECT_EQ(f.leftTwips(), 1500);
    EXPECT_EQ(f.topTwips(), 1995);
    EXPECT_EQ(f.widthTwips(), 6000);
    EXPECT_EQ(f.heightTwips(), 4500);
    EXPECT_EQ(f.pos(), QPoint(100, 133));
    // The offscreen platform draws no frame: the client area is the whole window.
    EXPECT_EQ(f.scaleWidth(), 6000);
    EXPECT_EQ(f.scaleHeight(), 4500);

    auto* child = new QPushButton(&f);
    moveTwips(child, 60, 60, 1200, 375);
    EXPECT_EQ(child->geometry(), QRect(4, 4, 80, 25));
    EXPECT_EQ(geometryTwips(child), QRect(60, 60, 1200, 375));
    // Twips that fall between two pixels go to the nearest one.
    moveTwips(child, 0, 0, 1610, 350);
    EXPECT_EQ(child->size(), QSize(107, 23));
}

}  // namespace

namespace {

// Hides the windows earlier tests left on the screen, and shows them again afterwards.
class OtherWindowsHidden {
public:
    OtherWindowsHidden() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible()) {
                hidden_ << w;
                w->hide();
            }
    }
    ~OtherWindowsHidden() {
        for (QWidget* w : hidden_)
            if (w) w->show();
    }

private:
    QList<QPointer<QWidget>> hidden_;
};

// Runs the program's event loop until it ends, or fails after a while: the answer says
// whether the program ended by itself.
bool endsByItself(const std::function<void()>& whileRunning) {
    bool timedOut = false;
    QTimer::singleShot(0, qApp, whileRunning);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, qApp, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    guard.start(3000);
    QApplication::exec();
    return !timedOut;
}

}  // namespace

TEST_F(FormLife, TheProgramEndsWhenItsLastWindowIsUnloadedOrHidden) {
    OtherWindowsHidden others;
    // The main window closed, the settings still open: unloading the settings ends the program.
    EXPECT_TRUE(endsByItself([] {
        frmA::instance().show();
        frmB::instance().show();
        frmA::instance().close();
        QTimer::singleShot(50, qApp, [] { frmB::instance().unload(); });
    }));
    // Hidden by code counts as well; a window still shown keeps the program going.
    EXPECT_TRUE(endsByItself([] {
        frmC::instance().show();
        frmC::instance().hide();
    }));
    EXPECT_FALSE(endsByItself([] {
        frmA::instance().show();
        frmB::instance().show();
        frmB::instance().unload();
    }));
}

TEST_F(FormLife, AModalWindowBelongsToItsOpenerWhichGetsTheFocusBack) {
    frmA& a = frmA::instance();
    auto* first = new QLineEdit(&a);
    auto* second = new QLineEdit(&a);
    second->move(0, 40);
    ASSERT_TRUE(showActive(&a));
    second->setFocus();
    ASSERT_TRUE(second->hasFocus());

    QWindow* owner = nullptr;
    Qt::WindowType typeWhileModal = Qt::Window;
    Form::ModalHook = [&](Form& f) {
        owner = f.windowHandle()->transientParent();
        typeWhileModal = f.windowModality() == Qt::ApplicationModal ? f.windowType() : Qt::Widget;
        f.hide();
    };
    frmB::instance().showModal();
    EXPECT_EQ(owner, a.windowHandle());
    EXPECT_EQ(typeWhileModal, Qt::Dialog);  // what desktops keep above its owner
    EXPECT_EQ(frmB::instance().windowType(), Qt::Window);
    QTRY_VERIFY_WITH_TIMEOUT(second->hasFocus(), 2000);
    EXPECT_FALSE(first->hasFocus());
    // Shown again on its own, the window no longer belongs to the opener.
    EXPECT_EQ(frmB::instance().windowHandle()->transientParent(), nullptr);

    // A message box of the Qt dialogs: owned by the window in use, and the focus comes back.
    QWidget* boxParent = nullptr;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) return;
        boxParent = box->parentWidget();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    ASSERT_TRUE(showActive(&a));
    second->setFocus();
    vorna::QtDialogs qt;
    EXPECT_EQ(qt.message("Message", "Titre", vorna::MsgButtons::OK, vorna::MsgIcon::Information), vorna::MsgAnswer::OK);
    EXPECT_EQ(boxParent, &a);
    QTRY_VERIFY_WITH_TIMEOUT(second->hasFocus(), 2000);
}

TEST(Twips, RoundToTheNearestPixel) {
    const std::pair<int, int> cases[] = {{0, 0}, {7, 0}, {8, 1}, {15, 1}, {100, 7}, {1600, 107}, {1610, 107},
                                         {-100, -7}, {-7, 0}, {-8, -1}};
    for (const auto& [twips, pixels] : cases) EXPECT_EQ(vorna::toPixels(twips), pixels) << twips;
}

TEST(QtCatalogues, QtsOwnWordsAreFrench) {
    ASSERT_TRUE(vorna::installFrenchCatalogues());
    QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Yes);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().remove('&'), "Annuler");
    EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text().remove('&'), "Oui");
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "Voir dans :");
}
