#include "orderlist/frmlistordre.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QTimer>
#include <algorithm>

#include "orderentry/frmordre.h"
#include "orderlist/listpictures.h"
#include "orderlist/settingsgate.h"
#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/fileproperties.h"
#include "platform/forms/accessibility.h"
#include "platform/forms/geometry.h"
#include "platform/text/format.h"
#include "generation/frmimprim.h"
#include "generation/generation.h"
#include "generation/rptvisuord.h"

#include "reference/frmabout.h"
#include "reference/frmlstcodesecono.h"
#include "reference/frmlstdev.h"
#include "reference/frmlstpays.h"
#include "reference/frmmgrmodeles.h"
#include "reference/frmparamref.h"
#include "reference/frmrefcodesecono.h"
#include "reference/frmrefdevises.h"
#include "reference/frmrefpays.h"

namespace vorna {

const QString frmListOrdre::Caption = QStringLiteral("Ostravelia des virements");

std::function<void()> frmListOrdre::SettingsCheck = [] { checkSettingsAndFocus(); };

namespace {

// Design size of the window, fitted into the work area at start-up.
constexpr int kDesignWidth = 12000;
constexpr int kDesignHeight = 8000;

// Columns of the list, in the order of the list query.
enum Column {
    ColNumero = 0,
    ColDateCreation = 1,
    ColMontant = 2,
    ColDevOrdre = 3,
    ColDevPaiement = 4,
    ColRefInterne = 5,
    ColBeneficiaire = 6,
    ColGeneration = 7,
    ColNbDeci = 8,
    ColUrgent = 9,
    ColumnCount = 10,
};

// Widths in twips; 0 hides the column.
constexpr int kColumnWidths[ColumnCount] = {0, 1600, 1900, 1000, 1000, 1700, 2500, 1600, 0, 0};

constexpr int kRowHeight = 350;
constexpr int kHeaderHeight = 800;
constexpr quint32 kPendingOddColour = 0xFFFFFF;
constexpr quint32 kPendingEvenColour = 0xC0C0C0;

const QString kDatePattern = QStringLiteral("dd/mm/YYYY HH:MM");
// The blanks after the units line every amount up under one another, whatever its decimals.
const QString kAmount0 = QStringLiteral("### ### ### ### ##0       ");
const QString kAmount2 = QStringLiteral("### ### ### ### ##0.00  ");
const QString kAmount3 = QStringLiteral("### ### ### ### ##0.000");

const QString kModifier = QStringLiteral("&Modifier l'ordre");
const QString kVisualiser = QStringLiteral("&Visualiser l'ordre");

// A date as the database stores it, "YYYY-MM-DD HH:MM" with or without ":SS": two of them
// with the same first sixteen characters are shown alike.
bool isStoredMinute(QByteArrayView t) {
    static constexpr char kForm[] = "dddd-dd-dd dd:dd:dd";
    if (t.size() != 16 && t.size() != 19) return false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (kForm[i] == 'd' ? c < '0' || c > '9' : c != kForm[i]) return false;
    }
    return t.size() == 16 || t[17] <= '5';
}

bool isEmptyText(const Value& v) {
    return v.isNull() || v.isEmpty() || (v.type() == Value::Type::Text && v.toText().isEmpty());
}

// A date cell: the text read again as a date and written in the list's form; a text that is
// no date stays as it is.
QString dateText(const Value& v) {
    if (isEmptyText(v)) return QString();
    const QDateTime t = v.toDateTime();
    return t.isValid() ? formatDate(t, kDatePattern) : v.toText();
}

// A number as the list shows a value it does not format: plain digits, the regional
// separator, no trailing zero.
QString plainNumber(const Decimal& d) {
    QString s = d.toString();
    if (s.contains(u'.')) {
        while (s.endsWith(u'0')) s.chop(1);
        if (s.endsWith(u'.')) s.chop(1);
    }
    return s.replace(u'.', Locale::decimalSeparator());
}

// Closing the main window unloads the other windows first, in this order: frmMgrModeles,
// frmLstDev, frmParamRef, frmLstPays, frmLstCodesEcono, as forms::unloadAll<...>() of those
// that exist. A window that refuses does not stop the main window from closing.
// The other windows, in this order; a window that refuses (the settings before their first save)
// stays, and keeps the program alive.
void unloadOtherWindows() {
    forms::unloadAll<frmOrdre, frmMgrModeles, frmLstDev, frmParamRef, frmLstPays, frmLstCodesEcono>();
}

}  // namespace

QString listAmountText(const Value& amount, const Value& nbDeci) {
    if (isEmptyText(amount)) return QString();  // an order without amount shows an empty cell
    if (!amount.isNumeric()) return amount.toText();
    const Decimal d = amount.toDecimal();
    if (nbDeci.isNumeric()) {
        switch (nbDeci.toInt()) {
        case 0: return displayNumber(d, kAmount0);
        case 2: return displayNumber(d, kAmount2);
        case 3: return displayNumber(d, kAmount3);
        default: break;
        }
    }
    return plainNumber(d);
}

frmListOrdre::frmListOrdre() {
    setObjectName(QStringLiteral("frmListOrdre"));
    setWindowTitle(Caption);
    resize(toPixels(kDesignWidth), toPixels(kDesignHeight));

    buildMenus();

    surface_ = new QWidget(this);
    surface_->setObjectName(QStringLiteral("surface"));
    surface_->installEventFilter(this);

    MSHFlexGrid1 = new forms::FlexGrid(surface_);
    MSHFlexGrid1->setObjectName(QStringLiteral("MSHFlexGrid1"));
    MSHFlexGrid1->setAttribute(Qt::WA_NoMousePropagation);  // its double clicks are its own
    forms::setAccessibleFrench(MSHFlexGrid1, QStringLiteral("Liste des ordres de virement"));
    // The column widths were chosen for a small 8-point font.
    QFont gridFont = MSHFlexGrid1->font();
    gridFont.setPointSize(8);
    MSHFlexGrid1->setFont(gridFont);
    connect(MSHFlexGrid1, &forms::FlexGrid::rowColChange, this, [this] {
        if (!filling_) MSHFlexGrid1_RowColChange();
    });
    connect(MSHFlexGrid1, &forms::FlexGrid::dblClick, this, [this] { MSHFlexGrid1_DblClick(); });
    connect(MSHFlexGrid1, &forms::FlexGrid::mouseDown, this,
            [this](int button, int shift, int x, int y) { MSHFlexGrid1_MouseDown(button, shift, x, y); });

    const QPixmap aGener = listpictures::toGenerate();
    const QPixmap urgent = listpictures::urgent();
    imgAGener = new QLabel(surface_);
    imgAGener->setObjectName(QStringLiteral("imgAGener"));
    imgAGener->setPixmap(aGener);
    imgAGener->hide();
    forms::setAccessibleFrench(imgAGener, QStringLiteral("Ordre à générer"));
    imgUrgent = new QLabel(surface_);
    imgUrgent->setObjectName(QStringLiteral("imgUrgent"));
    imgUrgent->setPixmap(urgent);
    imgUrgent->hide();
    forms::setAccessibleFrench(imgUrgent, QStringLiteral("Ordre urgent"));
    // One picture object each: the grid keeps one copy of a picture however many cells show it.
    aGenererPicture_ = QIcon(aGener);
    urgentPicture_ = QIcon(urgent);
    MSHFlexGrid1->setPictureText(aGenererPicture_, QStringLiteral("Ordre à générer"));
    MSHFlexGrid1->setPictureText(urgentPicture_, QStringLiteral("Ordre urgent"));

    imgFond = new QLabel(surface_);
    imgFond->setObjectName(QStringLiteral("imgFond"));
    imgFond->setPixmap(listpictures::emptyList());
    imgFond->setAttribute(Qt::WA_NoMousePropagation);
    forms::moveTwips(imgFond, 4080, 900, 3840, 2880);
    forms::setAccessibleFrench(imgFond, QStringLiteral("Liste vide"));
    imgFond->hide();

    lblAucun = new QLabel(QStringLiteral("Aucun ordre dans la liste"), surface_);
    lblAucun->setObjectName(QStringLiteral("lblAucun"));
    lblAucun->setAlignment(Qt::AlignCenter);
    lblAucun->setAttribute(Qt::WA_NoMousePropagation);
    QFont f = lblAucun->font();
    f.setPointSize(f.pointSize() + 4);
    f.setBold(true);
    lblAucun->setFont(f);
    forms::moveTwips(lblAucun, 2400, 3960, 7200, 600);
    lblAucun->hide();
}

frmListOrdre::~frmListOrdre() {
    // The grid reads its texts from the recordset: it lets go of it first.
    MSHFlexGrid1->clear();
}

void frmListOrdre::buildMenus() {
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    menuBar->setNativeMenuBar(false);  // it lies inside the window, above the list
    auto menu = [](QMenu* m, const char* name) {
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto item = [](QAction* a, const char* name) {
        a->setObjectName(QLatin1String(name));
        return a;
    };

    mnFichier = menu(menuBar->addMenu(QStringLiteral("&Fichier")), "mnFichier");
    mnPropriete = item(mnFichier->addAction(QStringLiteral("&Paramétrage")), "mnPropriete");
    mnFichierD = item(mnFichier->addAction(QStringLiteral("Propriétés du &fichier de données")), "mnFichierD");
    mnReferentiels = menu(mnFichier->addMenu(QStringLiteral("&Référentiels")), "mnReferentiels");
    mnEEE = item(mnReferentiels->addAction(QStringLiteral("Code pays EEE")), "mnEEE");
    mnPays = item(mnReferentiels->addAction(QStringLiteral("Code tous pays")), "mnPays");
    mnDevises = item(mnReferentiels->addAction(QStringLiteral("Devises")), "mnDevises");
    mnCodeMotif = item(mnReferentiels->addAction(QStringLiteral("Code motif économique")), "mnCodeMotif");
    sepSuppr = item(mnFichier->addSeparator(), "sepSuppr");
    mnQuitter = item(mnFichier->addAction(QStringLiteral("&Quitter")), "mnQuitter");

    mnEdition = menu(menuBar->addMenu(QStringLiteral("&Ordres de virements")), "mnEdition");
    mnAjout = item(mnEdition->addAction(QStringLiteral("&Créer un ordre")), "mnAjout");
    mnRemise = item(mnEdition->addAction(QStringLiteral("&Générer le fichier des ordres en cours")), "mnRemise");
    mnImpOrdres = item(mnEdition->addAction(QStringLiteral("&Imprimer les ordres")), "mnImpOrdres");
    mnAjoutMod = item(mnEdition->addSeparator(), "mnAjoutMod");
    mnImpOrdre = item(mnEdition->addAction(QStringLiteral("Im&primer l'ordre")), "mnImpOrdre");
    mnModif = item(mnEdition->addAction(kModifier), "mnModif");
    mnSuppr = item(mnEdition->addAction(QStringLiteral("&Supprimer l'ordre")), "mnSuppr");

    mnAide = menu(menuBar->addMenu(QStringLiteral("&?")), "mnAide");
    mnApropos = item(mnAide->addAction(QStringLiteral("A &Propos")), "mnApropos");

    // The two shortcuts work wherever the focus lies in the window.
    mnAjout->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    mnSuppr->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    addAction(mnAjout);
    addAction(mnSuppr);

    mnImpOrdre->setEnabled(false);
    mnModif->setEnabled(false);
    mnSuppr->setEnabled(false);

    connect(mnPropriete, &QAction::triggered, this, [] { showSettingsWindow(); });
    connect(mnAjout, &QAction::triggered, this, [this] { mnAjout_Click(); });
    connect(mnModif, &QAction::triggered, this, [this] { mnModif_Click(); });
    connect(mnSuppr, &QAction::triggered, this, [this] { mnSuppr_Click(); });
    connect(mnRemise, &QAction::triggered, this, [this] { mnRemise_Click(); });
    connect(mnImpOrdre, &QAction::triggered, this, [this] { mnImpOrdre_Click(); });
    connect(mnImpOrdres, &QAction::triggered, this, [this] { mnImpOrdres_Click(); });
    connect(mnQuitter, &QAction::triggered, this, [this] { mnQuitter_Click(); });
    connect(mnEEE, &QAction::triggered, this, [this] { mnEEE_Click(); });
    connect(mnPays, &QAction::triggered, this, [this] { mnPays_Click(); });
    connect(mnDevises, &QAction::triggered, this, [this] { mnDevises_Click(); });
    connect(mnCodeMotif, &QAction::triggered, this, [this] { mnCodeMotif_Click(); });
    connect(mnApropos, &QAction::triggered, this, [this] { mnApropos_Click(); });
    connect(mnFichierD, &QAction::triggered, this, [this] { mnFichierD_Click(); });
}

void frmListOrdre::formLoad() {
    loaded_ = false;
    startFolder_ = QDir::currentPath();

    Startup::Hooks hooks;
    const Startup* running = nullptr;
    hooks.loadSettings = [](const ConnectionPtr& conn) { loadSettingsWindow(conn); };
    hooks.generationFolder = [&running] { return settingsGenerationFolder(running->state().dfwConn); };
    Startup startup(startFolder_, hooks);
    running = &startup;
    if (!startup.run()) endProgram(1);

    const StartupState& s = startup.state();
    Session& session = Session::current();
    session.workingPath = s.workingPath;
    session.connVorna = s.connVorna;
    session.connParamVorna = s.connParamVorna;
    session.dfwConn = s.dfwConn;
    session.mainWindow = this;
    session.refreshOrderList = [this] { misEnForme(false); };
    workingConnString_ = s.workingConnString;
    listQuery_ = s.listQuery;

    try {
        // Fit the window into the work area, at its top-left corner.
        const QRect area = Screen::workArea();
        moveTwips(area.left(), area.top(), minInt(widthTwips(), area.width()), minInt(heightTwips(), area.height()));
        misEnForme(true);
    } catch (const VbError& e) {
        Startup::reportFatal(e.number, e.source, e.description);
        endProgram(1);
    }
    loaded_ = true;
}

// ---- the list ----------------------------------------------------------------------------

QString frmListOrdre::cellText(int row, int col) const {
    // The grid shows the rows it was bound to; a recordset that has changed since (a refresh
    // that failed half-way) shows nothing rather than another order's values.
    if (!isBound()) return QString();
    try {
        const Value v = listRs_->valueAt(row - 1, col);
        switch (col) {
        case ColDateCreation:
        case ColGeneration: return dateText(v);
        case ColMontant: return listAmountText(v, listRs_->valueAt(row - 1, ColNbDeci));
        default: return v.toText();
        }
    } catch (const VbError&) {
        return QString();
    }
}

bool frmListOrdre::isBound() const {
    return listRs_ && listRs_->isOpen() && listRs_->recordCount() == boundRows_;
}

bool frmListOrdre::isUrgent(int row) const {
    try {
        return isBound() && listRs_->valueAt(row - 1, ColUrgent).toBool();
    } catch (const VbError&) {
        return false;
    }
}

// Read for every row when the list is filled: the stored value is looked at without being made
// a date.
bool frmListOrdre::isPending(int row) const {
    try {
        if (!isBound()) return false;
        if (listRs_->isNullAt(row - 1, ColGeneration)) return true;
        QByteArrayView stored;
        if (listRs_->storedTextAt(row - 1, ColGeneration, stored)) return stored.isEmpty();
        return isEmptyText(listRs_->valueAt(row - 1, ColGeneration));
    } catch (const VbError&) {
        return false;
    }
}

QStringList frmListOrdre::generationRuns() const {
    QStringList runs;
    if (!isBound()) {  // the grid shows empty cells
        if (MSHFlexGrid1->rows() > 1) runs << QString();
        return runs;
    }
    // Only the first row of each run is written out: a row whose stored date has the same
    // minute as the row that gave the last text shows that text.
    QByteArrayView minute;
    bool haveMinute = false;
    for (int i = 0; i < boundRows_; ++i) {
        QByteArrayView stored;
        const bool dated = listRs_->storedTextAt(i, ColGeneration, stored) && isStoredMinute(stored);
        if (dated && haveMinute && stored.first(16) == minute) continue;
        const bool pending = !dated && listRs_->isNullAt(i, ColGeneration);
        const QString text = pending ? QString() : cellText(i + 1, ColGeneration);
        haveMinute = dated;
        if (dated) minute = stored.first(16);
        if (runs.isEmpty() || runs.last() != text) runs << text;
    }
    return runs;
}

void frmListOrdre::bindList() {
    forms::FlexGrid* g = MSHFlexGrid1;
    const int n = listRs_->recordCount();
    g->clear();
    g->setCols(listRs_->fieldCount());
    g->setRows(n + 1);
    boundRows_ = n;
    for (int c = 0; c < g->cols(); ++c) {
        g->setHeaderText(c, listRs_->fieldInfo(c).name);
        // Texts are read from the rows when first shown: a long list costs only what is seen.
        g->setColumnProvider(c, [this, c](int row) { return cellText(row, c); });
    }
    g->setTopRow(1);
}

void frmListOrdre::misEnForme(bool initConn) {
    forms::FlexGrid* g = MSHFlexGrid1;
    const int rememberedRow = g->row();

    if (initConn) {
        ConnectionPtr& dfwConn = Session::current().dfwConn;
        dfwConn = openConnection(workingConnString_);
        auto rs = std::make_unique<Recordset>();
        rs->open(listQuery_, dfwConn, CursorType::Keyset, LockType::Optimistic);
        if (listRs_) MSHFlexGrid1->clear();  // the old rows go with their recordset
        listRs_ = std::move(rs);
    } else {
        if (!listRs_)
            throw VbError(91, QStringLiteral("Vorna"), QStringLiteral("Variable objet ou variable de bloc With non définie"));
        listRs_->requery();
    }

    QScopedValueRollback<bool> filling(filling_, true);
    const auto redrawBack = qScopeGuard([g] {
        if (!g->redraw()) g->setRedraw(true);
    });
    g->setRedraw(false);
    if (g->cols() != listRs_->fieldCount()) g->setCols(listRs_->fieldCount());
    for (int c = 0; c < ColumnCount && c < g->cols(); ++c) g->setColWidth(c, kColumnWidths[c]);
    g->setColAlignment(ColDevOrdre, forms::FlexGrid::Align::Center);
    g->setColAlignment(ColDevPaiement, forms::FlexGrid::Align::Center);

    const int n = listRs_->recordCount();
    if (n == 0) {
        g->clear();
        g->setRows(1);
        boundRows_ = 0;
        g->setActive(false);
        g->hide();
        g->setRedraw(true);
        filling_ = false;
        MSHFlexGrid1_RowColChange();
        imgFond->show();
        lblAucun->show();
        return;
    }

    bindList();
    g->setActive(true);
    g->show();
    imgFond->hide();
    lblAucun->hide();

    // Markers: the picture of an urgent order on its amount, the picture of an order still to
    // be generated in its empty generation cell. Like the texts, they are looked up for the
    // rows shown; only the last pending row is needed now, for the colours.
    g->setPictureProvider(ColMontant, [this](int row) { return isUrgent(row) ? urgentPicture_ : QIcon(); });
    g->setPictureProvider(ColGeneration, [this](int row) { return isPending(row) ? aGenererPicture_ : QIcon(); });
    int lastPending = 0;
    for (int r = n; r >= 1 && lastPending == 0; --r)
        if (isPending(r)) lastPending = r;

    // Rows, header, and the columns of the pending orders in alternate white and grey.
    g->setRowHeightTwips(-1, kRowHeight);
    g->setRowHeightTwips(0, kHeaderHeight);
    g->setFillStyle(forms::FlexGrid::FillStyle::Repeat);
    const int lastCol = g->cols() - 1;
    g->setRow(0);
    g->setCol(0);
    g->setRowSel(0);
    g->setColSel(lastCol);
    g->setHeaderBold(true);
    for (int c = 0; c <= lastCol; ++c) {
        const bool odd = c % 2 == 1;
        if (odd && lastPending == 0) continue;
        g->setRow(odd ? 1 : 0);
        g->setCol(c);
        g->setRowSel(lastPending);
        g->setColSel(c);
        g->setCellBackColor(forms::vbColor(odd ? kPendingOddColour : kPendingEvenColour));
    }
    g->setFillStyle(forms::FlexGrid::FillStyle::Single);
    g->setRedraw(true);

    // The row that was current stays current, within the rows there are now.
    int r = std::max(rememberedRow, 1);
    if (g->rows() < 2) r = 0;
    r = std::min(r, g->rows() - 1);
    g->setRow(r);
    g->setCol(0);
    g->setRowSel(r);
    g->setColSel(lastCol);
    filling_ = false;
    MSHFlexGrid1_RowColChange();
}

void frmListOrdre::MSHFlexGrid1_RowColChange() {
    forms::FlexGrid* g = MSHFlexGrid1;
    const int r = g->row();
    if (r >= 1 && g->cols() > ColDevOrdre) {
        g->setCol(ColDateCreation);
        g->setColSel(ColDevOrdre);
    }
    if (r >= 1 && g->isActive()) {
        mnImpOrdre->setEnabled(true);
        mnModif->setEnabled(true);
        if (g->textMatrix(r, ColGeneration).isEmpty()) {
            mnModif->setText(kModifier);
            mnSuppr->setEnabled(true);
        } else {
            mnModif->setText(kVisualiser);
            mnSuppr->setEnabled(false);
        }
    } else {
        mnImpOrdre->setEnabled(false);
        mnModif->setEnabled(false);
        mnSuppr->setEnabled(false);
    }
}

void frmListOrdre::MSHFlexGrid1_DblClick() {
    if (MSHFlexGrid1->row() >= 1) mnModif_Click();
}

void frmListOrdre::MSHFlexGrid1_MouseDown(int button, int shift, int x, int y) {
    Q_UNUSED(shift);
    if (button != 2) return;  // the other buttons are the grid's own
    forms::FlexGrid* g = MSHFlexGrid1;
    // Below the last row there is no row to take: the current one stays.
    if (g->mouseRow() >= 0) g->setRow(g->mouseRow());
    MSHFlexGrid1_RowColChange();
    mnEdition->exec(g->mapToGlobal(QPoint(toPixels(x), toPixels(y))));
}

// ---- the window --------------------------------------------------------------------------

bool frmListOrdre::eventFilter(QObject* watched, QEvent* event) {
    if (watched == surface_ && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Form_DblClick();
        return true;
    }
    return forms::Form::eventFilter(watched, event);
}

void frmListOrdre::Form_DblClick() {
    try {
        misEnForme(false);
    } catch (const VbError& e) {
        // The window stays usable after a refresh that failed.
        Startup::reportFatal(e.number, e.source, e.description);
    }
}

void frmListOrdre::formResize() {
    // The menu bar above, the window's own surface below it.
    int menuHeight = menuBar->heightForWidth(width());
    if (menuHeight <= 0) menuHeight = menuBar->sizeHint().height();
    menuBar->setGeometry(0, 0, width(), menuHeight);
    surface_->setGeometry(0, menuHeight, width(), std::max(0, height() - menuHeight));

    // A surface too small for the list leaves the list as it was.
    const int w = toTwips(surface_->width()) - 120;
    const int h = toTwips(surface_->height()) - 120;
    if (w >= 0 && h >= 0) forms::moveTwips(MSHFlexGrid1, 60, 60, w, h);

    if (!loaded_ || !SettingsCheck || checkQueued_) return;
    // The first display resizes the window before it is on the screen: the check (and its
    // message) waits until the list shows behind it.
    checkQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        checkQueued_ = false;
        try {
            SettingsCheck();
        } catch (const VbError&) {
            // A resize never stops on a failure.
        }
    });
}

void frmListOrdre::formQueryUnload(bool& cancel, forms::UnloadMode mode) {
    Q_UNUSED(mode);
    unloadOtherWindows();
    cancel = false;
}

// ---- commands ----------------------------------------------------------------------------

// Creating an order: the settings must be sound first; then a new order in the order window,
// and the newest order current in the list.
void frmListOrdre::mnAjout_Click() {
    forms::FlexGrid* g = MSHFlexGrid1;
    g->setCursor(Qt::WaitCursor);
    const auto pointer = qScopeGuard([g] { g->unsetCursor(); });
    try {
        if (!settingsEntered()) {
            msgBox(QStringLiteral("Le paramétrage doit être renseigné"), MsgButtons::OK, MsgIcon::Exclamation,
                   QStringLiteral("Paramétrage manquant"));
            return;
        }
        // A failing setting: its message shown, the settings window waits on the field.
        if (!checkSettingsAndFocus()) return;
        // The refresh then makes the first data row, the newest order, current.
        g->setRow(0);
        openOrderWindow(Value(), false);
        misEnForme(false);
        MSHFlexGrid1_RowColChange();
    } catch (const VbError& e) {
        // The main window stays usable after a window or a refresh that failed.
        Startup::reportFatal(e.number, e.source, e.description);
    }
}

// Opening the current order, to change it or, once generated, to look at it; the same row
// index stays current.
void frmListOrdre::mnModif_Click() {
    if (!mnModif->isEnabled()) {
        beep();
        return;
    }
    forms::FlexGrid* g = MSHFlexGrid1;
    g->setCursor(Qt::WaitCursor);
    const auto pointer = qScopeGuard([g] { g->unsetCursor(); });
    try {
        openOrderWindow(Value(g->textMatrix(g->row(), ColNumero)), false);
        misEnForme(false);
    } catch (const VbError& e) {
        Startup::reportFatal(e.number, e.source, e.description);
    }
}

void frmListOrdre::mnSuppr_Click() {
    forms::FlexGrid* g = MSHFlexGrid1;
    g->setCursor(Qt::WaitCursor);
    const auto pointer = qScopeGuard([g] { g->unsetCursor(); });
    try {
        const int r = g->row();
        const QString question = QStringLiteral("Voulez-vous supprimer l'ordre référencé '") + g->textMatrix(r, ColRefInterne) +
                                 QStringLiteral("' d'un montant de ") + g->textMatrix(r, ColMontant) + u' ' +
                                 g->textMatrix(r, ColDevOrdre) + QStringLiteral(" ( ") + g->textMatrix(r, ColDevPaiement) +
                                 QStringLiteral(" )");
        if (msgBox(question, MsgButtons::YesNo, MsgIcon::None, QStringLiteral("Suppression d'un ordre")) != MsgAnswer::Yes)
            return;
        const QString number = g->textMatrix(r, ColNumero);
        const QString field = QStringLiteral("Numéro");
        if (listRs_->find(field, Value(number), FindStart::Current) &&
            listRs_->value(field).toInt() == Value(number).toInt()) {
            listRs_->deleteCurrent();
            listRs_->updateBatch();
        }
        misEnForme(false);
    } catch (const VbError& e) {
        msgBox(e.description, MsgButtons::OK, MsgIcon::Critical, QStringLiteral("Suppression impossible"));
    }
}

// The generation reports its own failures; the list shows the outcome whatever it was.
void frmListOrdre::mnRemise_Click() {
    MSHFlexGrid1->setCursor(Qt::WaitCursor);
    generateOrderFile();
    MSHFlexGrid1->unsetCursor();
    misEnForme(false);
}

// Prints the current order; a row without a plain order number prints nothing.
void frmListOrdre::mnImpOrdre_Click() {
    MSHFlexGrid1->setCursor(Qt::WaitCursor);
    try {
        const QString number = MSHFlexGrid1->textMatrix(MSHFlexGrid1->row(), ColNumero);
        const Value value(number);
        if (!number.isEmpty() && value.isNumeric())
            showVisuOrd(Session::current().dfwConn, QStringLiteral("Where idOrdre = ") + value.toDecimal().toString(),
                        rptVisuOrd().placement());
    } catch (const VbError& e) {
        msgBox(QString::number(e.number) + QStringLiteral(" : ") + e.description, MsgButtons::OK, MsgIcon::Critical,
               QStringLiteral("Visualisation impossible"));
    }
    MSHFlexGrid1->unsetCursor();
}

// The hourglass shows while the choice of groups reads the list.
void frmListOrdre::mnImpOrdres_Click() {
    frmImprim* window = nullptr;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        window = &frmImprim::instance();
    }
    window->showModal();
}

void frmListOrdre::mnQuitter_Click() { endProgram(0); }

// The country editor reads the tag when it loads.
void frmListOrdre::mnEEE_Click() {
    setProperty(kMainWindowTag, QStringLiteral("EEE"));
    showReferenceEditor<FrmRefPays>();
}

void frmListOrdre::mnPays_Click() {
    setProperty(kMainWindowTag, QStringLiteral("Pays"));
    showReferenceEditor<FrmRefPays>();
}

void frmListOrdre::mnDevises_Click() { showReferenceEditor<FrmRefDevises>(); }

void frmListOrdre::mnCodeMotif_Click() { showReferenceEditor<FrmRefCodesEcono>(); }

void frmListOrdre::mnApropos_Click() { frmAbout::instance().showModal(); }

void frmListOrdre::mnFichierD_Click() { showFileProperties(workingDatabasePath()); }

}  // namespace vorna
