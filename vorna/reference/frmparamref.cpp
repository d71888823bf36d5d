#include "reference/frmparamref.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include "orderentry/modrules.h"
#include "platform/session.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/forms/accessibility.h"
#include "platform/forms/binding.h"
#include "platform/forms/focus.h"
#include "reference/frmlstpays.h"
#include "reference/settingscheck.h"

namespace vorna {

namespace {

const QString kSource = QStringLiteral("ParamRef");

QString withoutBlanks(QString s) { return s.remove(u' '); }

// A handler that has no failure handling of its own shows what went wrong and leaves the
// window usable.
void reportUnexpected(const VbError& e) {
    msgBox(e.source + QStringLiteral(" : ") + e.description, MsgButtons::OK, MsgIcon::Critical,
           QStringLiteral("Erreur : ") + QString::number(e.number));
}

// Digits and upper-case letters only (Txtpart, txtRadicalRef).
void keyDigitOrCapital(int& k) {
    if (k == 8) return;
    if ((k >= '0' && k <= '9') || (k >= 'A' && k <= 'Z')) return;
    beep();
    k = 0;
}

// The town's box beside the postal code, in capital letters.
constexpr int kTownBoxChars = 22;

// Wide enough for `chars` capital letters.
void widthInChars(QWidget* box, int chars) {
    const QFontMetrics fm(box->font());
    box->setMinimumWidth(fm.horizontalAdvance(QString(chars, u'D')) + 12);
}

}  // namespace

QString ribInGroups(const QString& rib) {
    const QString r = withoutBlanks(rib);
    if (r.size() > 23) return r;
    return r.mid(0, 5) + u' ' + r.mid(5, 5) + u' ' + r.mid(10, 11) + u' ' + r.mid(21, 2);
}

frmParamRef::frmParamRef() {
    setObjectName(QStringLiteral("frmParamRef"));
    setWindowTitle(QStringLiteral("Paramétrage du logiciel de ostravelia"));
    buildControls();
    wireHandlers();
    setKeyPreview(true);
    adjustSize();  // the design size: what the controls need
}

frmParamRef::~frmParamRef() {
    // The binding goes before the recordset it listens to.
    delete binding_;
}

forms::TextBox* frmParamRef::newBox(const QString& name, const QString& field, int maxLength) {
    auto* b = new forms::TextBox(this);
    b->setObjectName(name);
    b->setDataField(field);
    b->setMaxLength(maxLength);
    widthInChars(b, std::min(maxLength, 35));
    return b;
}

QLabel* frmParamRef::newLabel(const QString& caption, QWidget* box) {
    auto* l = new QLabel(caption, this);
    l->setObjectName(QStringLiteral("lblLabels"));
    forms::labelFor(l, box);
    lblLabels << l;
    return l;
}

void frmParamRef::buildControls() {
    txtRadicalRef = newBox(QStringLiteral("txtRadicalRef"), QStringLiteral("radicalRef"), 10);
    QLabel* lblRadical = newLabel(QStringLiteral("Radical de la référence interne du donneur d'ordre :"), txtRadicalRef);

    // The two party blocks are built alike; the SIREN boxes and check boxes keep the names
    // they have always had, which do not follow the columns they show.
    struct Block {
        QGroupBox* frame;
        forms::TextBox* rib;
        int first;  // txtText index of the name
        int country;
        forms::TextBox* siren;
        forms::CheckBox* modifiable;
    };
    auto makeBlock = [this](const QString& title, const QString& frameName, const QString& suffix, int first,
                            int country, const QString& sirenName, const QString& sirenField,
                            const QString& checkName, const QString& checkField, int townLength) {
        Block b{};
        b.frame = new QGroupBox(title, this);
        b.frame->setObjectName(frameName);
        b.first = first;
        b.country = country;
        b.rib = newBox(QStringLiteral("txtRib") + suffix, QStringLiteral("rib") + suffix, 26);
        const QString fields[] = {QStringLiteral("ident") + suffix + u'1', QStringLiteral("ident") + suffix + u'2',
                                  QStringLiteral("ident") + suffix + u'3', QStringLiteral("codePostal") + suffix,
                                  QStringLiteral("ville") + suffix};
        const int lengths[] = {35, 35, 35, 5, townLength};
        for (int i = 0; i < 5; ++i) {
            txtText[size_t(first + i)] = newBox(QStringLiteral("txtText"), fields[i], lengths[i]);
            txtText[size_t(first + i)]->setProperty("index", first + i);
        }
        // The town shares its row with the postal code and its caption: it is no wider than
        // what the name's row leaves it (a longer town scrolls in its box), so that both blocks
        // side by side fit a screen of 1024 pixels.
        widthInChars(txtText[size_t(first + 4)], std::min(townLength, kTownBoxChars));
        txtPays[size_t(country)] = newBox(QStringLiteral("txtPays"), QStringLiteral("pays") + suffix, 2);
        txtPays[size_t(country)]->setProperty("index", country);
        cmdPays[size_t(country)] = new forms::CommandButton(QStringLiteral("..."), this);
        cmdPays[size_t(country)]->setObjectName(QStringLiteral("cmdPays"));
        cmdPays[size_t(country)]->setProperty("index", country);
        b.siren = newBox(sirenName, sirenField, 9);
        b.modifiable = new forms::CheckBox(QStringLiteral("Modifiable lors de la saisie des ordres"), b.frame);
        b.modifiable->setObjectName(checkName);
        b.modifiable->setDataField(checkField);

        auto* g = new QGridLayout(b.frame);
        auto put = [&](const QString& caption, QWidget* box, int row, int col, int span = 1) {
            if (!caption.isEmpty()) g->addWidget(newLabel(caption, box), row, col);
            box->setParent(b.frame);
            g->addWidget(box, row, col + 1, 1, span, Qt::AlignLeft);
        };
        put(QStringLiteral("RIB :"), b.rib, 0, 0, 3);
        put(QStringLiteral("Nom :"), txtText[size_t(first)], 1, 0, 3);
        put(QStringLiteral("et adresse"), txtText[size_t(first + 1)], 2, 0, 3);
        put(QString(), txtText[size_t(first + 2)], 3, 0, 3);
        put(QStringLiteral("Code postal :"), txtText[size_t(first + 3)], 4, 0);
        put(QStringLiteral("Ville :"), txtText[size_t(first + 4)], 4, 2);
        // The box and its button sit side by side in a layout, not in a widget of their own: the
        // box stays a sibling of its "Pays :" label, where screen readers look for its caption.
        auto* h = new QHBoxLayout;
        h->setContentsMargins(0, 0, 0, 0);
        txtPays[size_t(country)]->setParent(b.frame);
        cmdPays[size_t(country)]->setParent(b.frame);
        cmdPays[size_t(country)]->setFixedWidth(cmdPays[size_t(country)]->fontMetrics().horizontalAdvance(
                                                    QStringLiteral("....")) + 16);
        h->addWidget(txtPays[size_t(country)]);
        h->addWidget(cmdPays[size_t(country)]);
        h->addStretch(1);
        QLabel* countryLabel = newLabel(QStringLiteral("Pays :"), txtPays[size_t(country)]);
        countryLabel->setParent(b.frame);
        g->addWidget(countryLabel, 5, 0);
        g->addLayout(h, 5, 1);
        put(QStringLiteral("N° SIREN :"), b.siren, 5, 2);
        g->addWidget(b.modifiable, 6, 0, 1, 4);
        g->setColumnStretch(3, 1);
        forms::setAccessibleFrench(txtText[size_t(first + 1)], QStringLiteral("Adresse, ligne 1"));
        forms::setAccessibleFrench(txtText[size_t(first + 2)], QStringLiteral("Adresse, ligne 2"));
        return b;
    };

    const Block customer = makeBlock(QStringLiteral("50 : Client donneur d'ordre par défaut"), QStringLiteral("frm50"),
                                     QStringLiteral("OY"), 1, 0, QStringLiteral("txtSirenPL"), QStringLiteral("sirenOY"),
                                     QStringLiteral("chkModifiablePL"), QStringLiteral("modifiableOY"), 26);
    const Block institution = makeBlock(QStringLiteral("52 : Etablissement donneur d'ordre par défaut"),
                                        QStringLiteral("frm52"), QStringLiteral("PL"), 6, 1, QStringLiteral("txtSirenOY"),
                                        QStringLiteral("sirenPL"), QStringLiteral("chkModifiableOY"),
                                        QStringLiteral("modifiablePL"), 32);
    frm50 = customer.frame;
    txtRibOY = customer.rib;
    txtSirenPL = customer.siren;
    chkModifiablePL = customer.modifiable;
    frm52 = institution.frame;
    txtRibPL = institution.rib;
    txtSirenOY = institution.siren;
    chkModifiableOY = institution.modifiable;
    forms::setAccessibleFrench(cmdPays[0], QStringLiteral("Choisir le pays du client"));
    forms::setAccessibleFrench(cmdPays[1], QStringLiteral("Choisir le pays de l'établissement"));

    txtReperGener = newBox(QStringLiteral("txtReperGener"), QStringLiteral("reperGener"), 255);
    txtReperGener->setMinimumWidth(toPixels(6000));
    QLabel* lblReper = newLabel(QStringLiteral("Répertoire de génération :"), txtReperGener);
    cmdRepert = new forms::CommandButton(QStringLiteral("..."), this);
    cmdRepert->setObjectName(QStringLiteral("cmdRepert"));
    cmdRepert->setFixedWidth(cmdRepert->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    forms::setAccessibleFrench(cmdRepert, QStringLiteral("Choisir le répertoire de génération"));

    Frame2 = new QGroupBox(QStringLiteral(" Parametrage du mode d'envoi des fichiers"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    lblcft = new QLabel(QStringLiteral("Mode de transfert utilisé :"), Frame2);
    lblcft->setObjectName(QStringLiteral("lblcft"));
    OptCft = new forms::OptionGroup(this);
    OptVpn = new forms::OptionGroup(this);
    QRadioButton* cft = OptCft->add(0, QStringLiteral("CFT"), Frame2);
    cft->setObjectName(QStringLiteral("OptCft"));
    QRadioButton* vpn = OptVpn->add(1, QStringLiteral("VPN ou Autres"), Frame2);
    vpn->setObjectName(QStringLiteral("OptVpn"));
    lblpart = new QLabel(QStringLiteral("identifiant du partenaire CFT (Part) :   "), Frame2);
    lblpart->setObjectName(QStringLiteral("lblpart"));
    Txtpart = newBox(QStringLiteral("Txtpart"), QStringLiteral("partCft"), 8);
    Txtpart->setParent(Frame2);
    forms::labelFor(lblpart, Txtpart);
    // The frame keeps its layout whether or not the partner shows.
    for (QWidget* w : {static_cast<QWidget*>(lblpart), static_cast<QWidget*>(Txtpart)}) {
        QSizePolicy p = w->sizePolicy();
        p.setRetainSizeWhenHidden(true);
        w->setSizePolicy(p);
        w->hide();
    }
    auto* f2 = new QGridLayout(Frame2);
    f2->addWidget(lblcft, 0, 0);
    f2->addWidget(cft, 0, 1);
    f2->addWidget(vpn, 0, 2);
    f2->addWidget(lblpart, 1, 0);
    f2->addWidget(Txtpart, 1, 1, 1, 2, Qt::AlignLeft);
    f2->setColumnStretch(3, 1);

    picButtons = new QWidget(this);
    picButtons->setObjectName(QStringLiteral("picButtons"));
    cmdModif = new forms::CommandButton(QStringLiteral("&Enregistrer"), picButtons);
    cmdModif->setObjectName(QStringLiteral("cmdModif"));
    cmdClose = new forms::CommandButton(QStringLiteral("&Annuler"), picButtons);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    auto* buttons = new QHBoxLayout(picButtons);
    buttons->addStretch(1);
    buttons->addWidget(cmdModif);
    buttons->addWidget(cmdClose);

    auto* top = new QHBoxLayout;
    top->addWidget(lblRadical);
    top->addWidget(txtRadicalRef);
    top->addStretch(1);
    auto* blocks = new QHBoxLayout;
    blocks->addWidget(frm50);
    blocks->addWidget(frm52);
    auto* folder = new QHBoxLayout;
    folder->addWidget(lblReper);
    folder->addWidget(txtReperGener, 1);
    folder->addWidget(cmdRepert);
    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addLayout(blocks);
    main->addLayout(folder);
    main->addWidget(Frame2);
    main->addWidget(picButtons);

    // Tab order: the prefix, each block from its RIB to its check box, the folder and the two
    // commands, then the transfer mode.
    QList<QWidget*> order{txtRadicalRef};
    for (const Block& b : {customer, institution}) {
        order << b.rib;
        for (int i = 0; i < 5; ++i) order << txtText[size_t(b.first + i)];
        order << txtPays[size_t(b.country)] << cmdPays[size_t(b.country)] << b.siren << b.modifiable;
    }
    order << txtReperGener << cmdRepert << cmdModif << cmdClose << Txtpart << cft << vpn;
    for (qsizetype i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void frmParamRef::wireHandlers() {
    // Keys and focus.
    for (forms::TextBox* b : {Txtpart, txtRadicalRef}) b->keyPress = keyDigitOrCapital;
    for (forms::TextBox* b : {txtRibOY, txtRibPL}) {
        b->keyPress = [](int& k) { k = keyFilterAlnum(k); };
        b->gotFocus = [b] {
            b->setText(withoutBlanks(b->text()));
            selectAllText(b);
        };
        b->mouseDown = [](int button, int, int, int) {
            if (button == 2) filterClipboard(1);
        };
    }
    QList<forms::TextBox*> selecting{txtSirenOY, txtSirenPL, txtRadicalRef, txtReperGener, Txtpart};
    QList<forms::TextBox*> textClipboard{txtSirenOY, txtSirenPL, txtRadicalRef};
    for (int i = 1; i <= 10; ++i) {
        selecting << txtText[size_t(i)];
        textClipboard << txtText[size_t(i)];
    }
    for (forms::TextBox* p : txtPays) {
        selecting << p;
        textClipboard << p;
    }
    for (forms::TextBox* b : selecting) b->gotFocus = [b] { selectAllText(b); };
    for (forms::TextBox* b : textClipboard)
        b->mouseDown = [](int button, int, int, int) {
            if (button == 2) filterClipboard(0);
        };
    txtRibPL->validate = [this](bool& cancel) { txtRibPL_Validate(cancel); };

    // Options and commands.
    OptCft->click = [this](int index) { OptCft_Click(index); };
    OptVpn->click = [this](int index) { OptVpn_Click(index); };
    connect(cmdModif, &QPushButton::clicked, this, [this] { cmdModif_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
    connect(cmdRepert, &QPushButton::clicked, this, [this] { cmdRepert_Click(); });
    for (int i = 0; i < 2; ++i) connect(cmdPays[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdPays_Click(i); });
}

void frmParamRef::loadInfo(const ConnectionPtr& conn) {
    QScopedValueRollback<ConnectionPtr> given(loadConnection_, conn);
    instance();
}

ConnectionPtr frmParamRef::mainConnection() const {
    // During the start-up the main window holds no connection yet: the window's own is the one.
    ConnectionPtr c = Session::current().dfwConn;
    return c ? c : conn_;
}

void frmParamRef::formLoad() {
    // 1 and 2: the main window's connection of the moment, and a new recordset.
    conn_ = loadConnection_ ? loadConnection_ : Session::current().dfwConn;
    datPrimaryRS = new Recordset(this);
    datPrimaryRS->setEvents(this);
    try {
        datPrimaryRS->open(kSource, conn_, CursorType::Keyset, LockType::Optimistic);
        const int rows = datPrimaryRS->recordCount();
        if (rows == 0) {
            // A first start: a new row, stored only by a save that passes the check.
            datPrimaryRS->addNew();
            datPrimaryRS->setValue(QStringLiteral("idUniq"), 1);
            datPrimaryRS->setValue(QStringLiteral("modifiablePL"), true);
            datPrimaryRS->setValue(QStringLiteral("modifiableOY"), true);
        } else {
            if (rows > 1)
                msgBox(QStringLiteral("Erreur de doublon de propriété"), MsgButtons::OK, MsgIcon::Critical,
                       QStringLiteral("Erreur incompréhensible"));
            datPrimaryRS->moveFirst();
        }
        // The old window showed itself here, only so that the partner box could take the focus;
        // a hidden window takes it as well.
        const QString mode = datPrimaryRS->value(QStringLiteral("modeTransfert")).toText();
        if (mode == QLatin1String("CFT")) OptCft->setValue(0, true);
        else if (mode == QLatin1String("VPN")) OptVpn->setValue(1, true);
        binding_ = forms::bindDataSource(this, datPrimaryRS);
        while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        const QRect area = Screen::workArea();
        moveTwips(area.left() + 100, area.top() + 100, widthTwips(), heightTwips());
    } catch (const VbError& e) {
        // The window stays loaded as far as it got.
        msgBox(QStringLiteral("Load form : ") + e.description, MsgButtons::OK, MsgIcon::None, QString());
    }
}

void frmParamRef::formQueryUnload(bool& cancel, forms::UnloadMode) {
    if (!datPrimaryRS || !datPrimaryRS->isOpen()) return;
    switch (datPrimaryRS->editMode()) {
    case EditMode::Add:
        msgBox(QStringLiteral("Vous devez saisir le paramétrage !"), MsgButtons::OK, MsgIcon::Information,
               QStringLiteral("Paramétrage obligatoire"));
        show();
        cancel = true;
        break;
    case EditMode::InProgress:
        if (msgBox(QStringLiteral("Souhaitez-vous fermer l'écran sans effectuer de modification ?"), MsgButtons::YesNo,
                   MsgIcon::None, QStringLiteral("Fermeture sans modification")) == MsgAnswer::Yes)
            datPrimaryRS->cancelUpdate();
        else
            cancel = true;
        break;
    case EditMode::None: break;
    }
}

void frmParamRef::formKeyPress(int& keyAscii) {
    // The folder takes any character: paths hold lower case and separators.
    if (activeControl() != txtReperGener) keyAscii = keyFilterText(keyAscii);
}

void frmParamRef::OptCft_Click(int) {
    if (!OptCft->value(0)) return;
    Txtpart->show();
    lblpart->show();
    forms::giveFocus(Txtpart);
}

void frmParamRef::OptVpn_Click(int) {
    // The partner stays in partCft: switching modes clears nothing.
    if (OptVpn->value(1)) Txtpart->hide();
    lblpart->hide();
}

void frmParamRef::txtRibPL_Validate(bool&) { txtRibPL->setText(ribInGroups(txtRibPL->text())); }

void frmParamRef::cmdRepert_Click() {
    const QString before = txtReperGener->text();
    try {
        const std::optional<QString> chosen =
            Dialogs::current().chooseFolder(QStringLiteral("Sélection d'un répertoire"), before);
        if (!chosen) return;
        txtReperGener->setText(*chosen);
        datPrimaryRS->setValue(txtReperGener->dataField(), txtReperGener->text());
    } catch (const VbError&) {
        // A folder the row cannot take changes nothing, silently, like a cancel.
        txtReperGener->setText(before);
    }
}

void frmParamRef::cmdPays_Click(int index) {
    try {
        frmLstPays& list = frmLstPays::instance();
        forms::TextBox* box = txtPays[size_t(index)];
        list.txtCtrl = box->text();
        list.findPays(box->text());
        list.showModal();
        forms::giveFocus(box);
        box->setText(list.txtCtrl);
        datPrimaryRS->setValue(box->dataField(), box->text());
    } catch (const VbError& e) {
        reportUnexpected(e);
    }
}

void frmParamRef::cmdModif_Click() {
    ConnectionPtr conn;
    int level = 0;
    try {
        // Writing the mode puts the row in edit even when it does not change, so that a save
        // without any change still stores the row and closes the window.
        const auto writeMode = [this](const QString& mode) {
            datPrimaryRS->setValue(QStringLiteral("modeTransfert"), mode);
            datPrimaryRS->edit();
        };
        if (OptCft->value(0)) writeMode(QStringLiteral("CFT"));
        if (OptVpn->value(1)) writeMode(QStringLiteral("VPN"));
        const QString failing = checkSettings();
        if (!failing.isEmpty()) {
            focusSetting(failing);
            return;
        }
        validateControls();
        // What the boxes hold goes to the row now: a value the row refuses stops the save here.
        if (binding_) binding_->flush();
        if (datPrimaryRS->editMode() == EditMode::None) return;
        conn = mainConnection();
        level = conn->beginTrans();
        if (level > 1) {
            msgBox(QStringLiteral("Une erreur de transaction est apparue, veuillez quitter l'application puis relancer "
                                  "et vérifier les opérations qui viennent d'être faites"),
                   MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Erreur avec les données"));
            conn->rollbackTrans();
            --level;
        }
        QScopedValueRollback<bool> saving(saving_, true);
        datPrimaryRS->update();  // the record-change event ends the transaction
    } catch (const VbError& e) {
        // No transaction of the save outlives it, whatever failed.
        if (conn && level > 0 && conn->transactionLevel() >= level) {
            try {
                conn->rollbackTrans();
            } catch (const VbError&) {
            }
        }
        if (e.number != err::InvalidPropertyValue)
            msgBox(e.description, MsgButtons::OK, MsgIcon::None, QStringLiteral("Erreur : ") + QString::number(e.number));
    }
}

void frmParamRef::cmdClose_Click() { unload(); }

void frmParamRef::willChangeRecord(EventReason reason, EventStatus& status, Recordset&) {
    // The settings are checked before the save stores them. A store started anywhere else
    // (a move of the recordset with edits pending) would skip that check: it is refused.
    if (reason == EventReason::Update && !saving_) status = EventStatus::Cancel;
}

void frmParamRef::recordChangeComplete(EventReason reason, const VbError* error, EventStatus status, Recordset&) {
    if (reason != EventReason::Update || !saving_) return;
    ConnectionPtr conn = mainConnection();
    if (status != EventStatus::OK) {
        msgBox(QStringLiteral("Erreur ") + QString::number(error ? error->number : 0) + QStringLiteral(" : ") +
                   (error ? error->description : QString()),
               MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Erreur de données"));
        if (conn->transactionLevel() > 0) conn->rollbackTrans();
        return;
    }
    conn->commitTrans();
    cmdClose_Click();
}

}  // namespace vorna
