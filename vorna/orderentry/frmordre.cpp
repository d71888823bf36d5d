// The order window's life: how it opens (the record and the three modes), its option groups,
// the store and close commands, the question on leaving with changes, and its resizing.
#include "orderentry/frmordre.h"

#include <QApplication>
#include <QEvent>
#include <QGroupBox>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTimer>

#include "orderentry/modrules.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/forms/binding.h"
#include "platform/forms/focus.h"
#include "platform/forms/geometry.h"
#include "platform/session.h"
#include "reference/frmlstcodesecono.h"
#include "reference/frmlstdev.h"
#include "reference/frmlstpays.h"

namespace vorna {

namespace {

constexpr int kMaxHeight = 8650;
constexpr int kScrollTopTwips = 2280;

// What the next window opens on: the constructor takes it, so that the load sees it.
struct OpenRequest {
    Value intNumOrdre;
    bool useModele = false;
};
OpenRequest& nextRequest() {
    static OpenRequest r;
    return r;
}

int designHeight() { return minInt(Screen::workArea().height(), kMaxHeight); }
// The lowest whole-pixel height that is not below `twips`: a window lower than the rule allows
// would snap back for ever.
int wholePixels(int twips) { return (twips + kTwipsPerPixel - 1) / kTwipsPerPixel * kTwipsPerPixel; }

}  // namespace

frmOrdre& frmOrdre::loadFor(const Value& intNumOrdre, bool useModele) {
    unloadIfLoaded();
    nextRequest() = OpenRequest{intNumOrdre, useModele};
    return instance();
}

void openOrderWindow(const Value& intNumOrdre, bool useModele) {
    frmOrdre& f = frmOrdre::loadFor(intNumOrdre, useModele);
    if (f.loadState() == forms::Form::LoadState::Loaded) f.showModal();
}

frmOrdre::frmOrdre() {
    setObjectName(QStringLiteral("frmOrdre"));
    setWindowTitle(QStringLiteral("ORDRE DE PAIEMENT VERS L'ETRANGER"));
    intNumOrdre = nextRequest().intNumOrdre;
    useModele = nextRequest().useModele;
    nextRequest() = OpenRequest{};
    buildControls();
    // A disabled box is grey; what it holds stays readable on that grey.
    QPalette p = palette();
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(64, 64, 64));
    setPalette(p);
    connectFieldHandlers();
    setKeyPreview(true);
}

frmOrdre::~frmOrdre() {
    // The binding goes before the recordset it listens to.
    delete binding_;
    binding_ = nullptr;
}

bool frmOrdre::isNewOrder() const {
    if (intNumOrdre.isEmpty() || intNumOrdre.isNull()) return true;
    if (intNumOrdre.type() == Value::Type::Text) {
        // The list hands the number over as text: blank or "0" is a new order.
        const QString t = intNumOrdre.toText().trimmed();
        bool number = false;
        const qlonglong n = t.toLongLong(&number);
        return t.isEmpty() || (number && n == 0);
    }
    return intNumOrdre.isNumeric() && intNumOrdre.toInt() == 0;
}

void frmOrdre::wireLifeHandlers() {
    connect(cmdAdd, &QPushButton::clicked, this, [this] { cmdAdd_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
    optTypeOper->click = [this](int i) { optTypeOper_Click(i); };
    optFrais->click = [this](int i) { optFrais_Click(i); };
    optAvisBenef->click = [this](int i) { optAvisBenef_Click(i); };
    optResident->click = [this](int i) { optResident_Click(i); };
    for (forms::CommandButton* b : jumpButtons()) connect(b, &QPushButton::clicked, this, [this, b] { jumpTo(b); });
    connect(vscH, &QScrollBar::valueChanged, this, [this] { vscH_Change(); });
    connect(timerScroll, &QTimer::timeout, this, [this] { timerScroll_Timer(); });
}

// ---- load ---------------------------------------------------------------------------------

void frmOrdre::formLoad() {
    // 1. At the work area's top left corner.
    const QRect area = Screen::workArea();
    moveTwips(area.left(), area.top(), widthTwips(), heightTwips());
    // 2 and 3. The blocks one below the other; the design width.
    stackFrames();
    designWidth_ = widthTwips();
    // 4 and 5. The height: the work area's, at most 8650 twips (the resize keeps it there).
    lastHeight_ = designHeight();
    const int kept = Session::current().ordreHeight;
    {
        QScopedValueRollback<bool> quiet(resizing_, true);
        moveTwips(leftTwips(), topTwips(), widthTwips(), wholePixels(lastHeight_ > kept && kept > 0 ? kept : lastHeight_));
    }
    formResize();
    // 6. The blocks for a transfer, the advice boxes for a normal advice.
    adaptMask(0);
    adaptInfo(0);
    // 7. The pick lists the fields use, loaded once.
    frmLstDev::instance();
    frmLstPays::instance();
    frmLstCodesEcono::instance();
    // 8. The scroll step, the connection and the recordset.
    scrollStep_ = Screen::scrollStepHint() == 400 ? 400 : 100;
    conn_ = Session::current().dfwConn;
    datPrimaryRS = new Recordset(this);
    datPrimaryRS->setEvents(this);
    try {
        openRecord();
    } catch (const VbError& e) {
        // The window opens as far as it got.
        msgBox(e.description, MsgButtons::OK, MsgIcon::None, QString());
        return;
    }
    // 10.
    savedCaretPosition = 1;
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    update();
    enableCtrl(txtDev[0]);
    enableCtrl(cmdDev[0]);
    if (viewOnly_) showOnly();
}

void frmOrdre::showOnly() {
    // Nothing can be typed or chosen that could not be kept.
    forms::setViewOnly(this);
    for (QWidget* pick : std::initializer_list<QWidget*>{cmdDev[0], cmdDev[1], cmdCodeEcono}) pick->setEnabled(false);
    for (forms::CommandButton* pick : cmdPays) pick->setEnabled(false);
}

void frmOrdre::openRecord() {
    if (isNewOrder()) {
        // Adding one order needs none of the stored ones: the recordset holds no row to read.
        datPrimaryRS->open(QStringLiteral("select * from Ordres where 1 = 0"), conn_, CursorType::Keyset,
                           LockType::Optimistic);
        binding_ = forms::bindDataSource(this, datPrimaryRS);
        addNewOrder();
        return;
    }
    datPrimaryRS->open(QStringLiteral("select * from Ordres where idOrdre = ?"), conn_, CursorType::Keyset,
                       LockType::Optimistic, {Value(intNumOrdre.toInt())});
    // No row: reading it fails with the runtime's own message (no current record).
    if (datPrimaryRS->value(QStringLiteral("idOrdre")).toInt() != intNumOrdre.toInt()) {
        msgBox(QStringLiteral("Enregistrement ") + intNumOrdre.toText() + QStringLiteral(" introuvable."), MsgButtons::OK,
               MsgIcon::Critical, QStringLiteral("Base incohérente"));
        endProgram(1);
    }
    binding_ = forms::bindDataSource(this, datPrimaryRS);
    cmdAdd->setText(QStringLiteral("&Modifier"));
    // A generated order can only be looked at.
    if (!datPrimaryRS->value(QStringLiteral("dateGener")).isNull()) {
        cmdAdd->setEnabled(false);
        viewOnly_ = true;
    }
    cmdSelModele->hide();
    selectOptionsFromRecord();
}

// ---- option groups ------------------------------------------------------------------------

void frmOrdre::optTypeOper_Click(int index) {
    if (!datPrimaryRS || !datPrimaryRS->isOpen() || datPrimaryRS->eof() || datPrimaryRS->bof()) return;
    datPrimaryRS->setValue(QStringLiteral("typeOper"), index);
    adaptMask(index);
}

void frmOrdre::optFrais_Click(int index) {
    if (!datPrimaryRS || !datPrimaryRS->isOpen() || datPrimaryRS->eof() || datPrimaryRS->bof()) return;
    datPrimaryRS->setValue(QStringLiteral("frais"), index);
}

void frmOrdre::optAvisBenef_Click(int index) {
    if (!datPrimaryRS || !datPrimaryRS->isOpen() || datPrimaryRS->eof() || datPrimaryRS->bof()) return;
    datPrimaryRS->setValue(QStringLiteral("avisBenefType"), index);
    adaptInfo(index);
}

void frmOrdre::optResident_Click(int) {
    if (!datPrimaryRS || !datPrimaryRS->isOpen() || datPrimaryRS->eof() || datPrimaryRS->bof()) return;
    datPrimaryRS->setValue(QStringLiteral("residentOY"), optResident->value(0));
}

// ---- store and close ----------------------------------------------------------------------

void frmOrdre::cmdAdd_Click() {
    try {
        validateControls();
        update();
        if (binding_) binding_->flush();
        // An unchanged existing order has nothing to store: the command ends as a store would.
        if (!isNewOrder() && datPrimaryRS->editMode() == EditMode::None) {
            cmdClose_Click();
            return;
        }
        datPrimaryRS->update();
        if (isNewOrder()) {
            forms::giveFocus(optTypeOper->button(0));
            addNewOrder();
        }
    } catch (const VbError& e) {
        // A store the checks refused has shown its own message.
        if (e.number != err::UpdateCancelled) msgBox(e.description, MsgButtons::OK, MsgIcon::None, QString());
    }
}

void frmOrdre::cmdClose_Click() { unload(); }

void frmOrdre::willChangeRecord(EventReason reason, EventStatus& status, Recordset&) {
    datPrimaryRS_WillChangeRecord(reason, status);
}

void frmOrdre::recordChangeComplete(EventReason reason, const VbError* error, EventStatus, Recordset&) {
    datPrimaryRS_RecordChangeComplete(reason, error);
}

void frmOrdre::datPrimaryRS_WillChangeRecord(EventReason reason, EventStatus& status) {
    // The one place where an order is checked before it is written.
    if (reason != EventReason::Update) return;
    bool ok = false;
    try {
        ok = validateOrder();
    } catch (const VbError&) {
        lastActiveControl = cmdClose;
        ok = false;
    }
    if (!ok) status = EventStatus::Cancel;
}

void frmOrdre::datPrimaryRS_RecordChangeComplete(EventReason reason, const VbError* error) {
    if (reason == EventReason::AddNew) {
        optAvisBenef->setValue(0, true);
        datPrimaryRS->setValue(QStringLiteral("avisBenefType"), 0);
        // No charges chosen yet: the store stays refused until the user picks one.
        optFrais->setValue(3, true);
        datPrimaryRS->setValue(QStringLiteral("frais"), 0);
        optTypeOper->setValue(0, true);
        datPrimaryRS->setValue(QStringLiteral("typeOper"), 0);
        optResident->setValue(0, true);
        datPrimaryRS->setValue(QStringLiteral("residentOY"), true);
        datPrimaryRS->setValue(QStringLiteral("urgent"), false);
        QDateTime now = Clock::now();
        now.setTime(QTime(now.time().hour(), now.time().minute()));
        datPrimaryRS->setValue(QStringLiteral("dateCreation"), now);
        setNewOrderDefaults(*datPrimaryRS);
        if (useModele) chooseTemplate();
        if (txtDev[0]->text().trimmed().isEmpty()) {
            disableCtrl(txtDev[1]);
            disableCtrl(txtMontant);
            cmdDev[1]->setEnabled(false);
        }
    } else if (reason == EventReason::Update) {
        if (isNewOrder()) {
            if (Session::current().refreshOrderList) Session::current().refreshOrderList();
        } else if (!error) {
            cmdClose_Click();
        }
    }
}

void frmOrdre::formQueryUnload(bool& cancel, forms::UnloadMode) {
    if (!datPrimaryRS || !datPrimaryRS->isOpen()) return;
    if (datPrimaryRS->editMode() == EditMode::InProgress && cmdAdd->isEnabled()) {
        if (msgBox(QStringLiteral("Souhaitez-vous abandonner la procédure de modification ?"), MsgButtons::YesNo,
                   MsgIcon::None, QStringLiteral("Annulation des modifications")) == MsgAnswer::Yes)
            datPrimaryRS->cancelUpdate();
        else
            cancel = true;
    }
}

void frmOrdre::formUnload() {
    timerScroll->stop();
    // A new order that was never stored is not written.
    if (datPrimaryRS && datPrimaryRS->isOpen() && datPrimaryRS->editMode() != EditMode::None) {
        try {
            datPrimaryRS->cancelUpdate();
        } catch (const VbError&) {
        }
    }
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

void frmOrdre::formActivate() { restartTimer(10); }

void frmOrdre::formDeactivate() { timerScroll->stop(); }

void frmOrdre::formKeyPress(int& keyAscii) { keyAscii = keyFilterText(keyAscii); }

// ---- size ---------------------------------------------------------------------------------

void frmOrdre::formResize() {
    if (resizing_ || designWidth_ == 0) return;
    QScopedValueRollback<bool> guard(resizing_, true);
    if (widthTwips() != designWidth_) {
        if (windowStateVb() == forms::WindowState::Normal) {
            moveTwips(leftTwips(), topTwips(), designWidth_, heightTwips());
        } else {
            setWindowStateVb(forms::WindowState::Normal);
            const QRect area = Screen::workArea();
            moveTwips(area.left(), area.top(), designWidth_, heightTwips());
        }
    }
    if (heightTwips() < designHeight() && windowStateVb() == forms::WindowState::Normal)
        moveTwips(leftTwips(), topTwips(), widthTwips(), wholePixels(designHeight()));
    lastHeight_ = heightTwips();
    const QRect sheet = forms::geometryTwips(picScroll);
    forms::moveTwips(picScroll, sheet.left(), sheet.top(), sheet.width(), heightTwips() - kScrollTopTwips - 1000);
    const QRect bar = forms::geometryTwips(picScroll);
    const int buttonsTop = bar.top() + bar.height() + 60;
    forms::moveTwips(picButtons, bar.left(), buttonsTop, bar.width(), 540);
    Session::current().ordreHeight = heightTwips();
    picScroll_Resize();
}

}  // namespace vorna
