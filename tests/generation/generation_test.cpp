// The generation of the order file from the pending orders of a working database: the names,
// the questions, the file and the rows marked in one transaction, the CFT descriptors, the
// summary, the confirmation, the cancellation and every failure undone, and a work file left
// by an interrupted run.

#include "common/qtsupport.h"
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QProcess>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QThread>
#include <cstdio>
#include <sqlite3.h>

#include "common/scripteddialogs.h"
#include "common/tempstartfolder.h"
#include "generation/generation.h"
#include "generation/rptrecapgener.h"
#include "generation/workfiles.h"
#include "orderlist/startup.h"
#include "platform/clock.h"
#include "platform/db/recordset.h"
#include "platform/environment.h"
#include "platform/files/files.h"
#include "platform/files/filelock.h"
#include "platform/report/reportwindow.h"

using namespace vorna;
using vorna::test::ScriptedDialogs;
using vorna::test::TempStartFolder;

namespace {

const QString kAskTitle = QStringLiteral("Génération d'un fichier d'ordres");
const QString kCancelled = QStringLiteral(
    "L'opération a été annulée et le fichier %1 a été supprimé.\r\n\r\nLa génération devra être réalisée à nouveau pour ces ordres.");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the summary held when it was shown.
struct SummarySeen {
    int shown = 0;
    QString nbOrdre, fichierH, fichier, sum, caption;
    QList<qint64> ids;  // the rows, in the order of the report
};

class GenerationTest : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::pin(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 2)));
        Locale::force(false);
        folder.createWorkingDatabase();
        conn = folder.openWorking();
        gen = folder.filePath(QStringLiteral("gen")) + u'/';
        QDir().mkpath(gen);
        setMode(QStringLiteral("VPN"));
    }
    void TearDown() override {
        Clock::pin(QDateTime());
        Locale::force(std::nullopt);
        Connection::clearAllWriteFaults();
    }

    void setMode(const QString& mode) {
        conn->execute(QStringLiteral("delete from ParamRef"));
        conn->execute(QStringLiteral("insert into ParamRef (idUniq, modeTransfert, partCft) values (1, ?, ?)"),
                      {Value(mode), Value(QStringLiteral("BQPART01"))});
    }

    qint64 order(const QString& ref, const QString& devOrdre, const QString& devPaiement, const Decimal& amount,
                 TempStartFolder::Fields more = {}, const ConnectionPtr& into = nullptr) {
        more.prepend({QStringLiteral("montant"), amount});
        more.prepend({QStringLiteral("nbDeci"), amount.scale()});
        more.prepend({QStringLiteral("devPaiement"), devPaiement});
        more.prepend({QStringLiteral("devOrdre"), devOrdre.isEmpty() ? Value::null() : Value(devOrdre)});
        more.prepend({QStringLiteral("refInterne"), ref});
        // A complete ordering institution and beneficiary, as the order window stores them.
        const TempStartFolder::Fields parties = {
            {QStringLiteral("ribPL"), QStringLiteral("30004 00828 00010123456 76")},
            {QStringLiteral("identPL1"), QStringLiteral("TRESORERIE GENERALE DU NORD")},
            {QStringLiteral("villePL"), QStringLiteral("LILLE")},
            {QStringLiteral("paysPL"), QStringLiteral("FR")},
            {QStringLiteral("bicBqeBE"), QStringLiteral("DEUTDEFFXXX")},
            {QStringLiteral("ibanBE"), QStringLiteral("DE89370400440532013000")},
            {QStringLiteral("villeBE"), QStringLiteral("HAMBURG")},
            {QStringLiteral("paysBE"), QStringLiteral("DE")}};
        for (const auto& f : parties) {
            bool given = false;
            for (const auto& m : more) given = given || m.first == f.first;
            if (!given) more << f;
        }
        return TempStartFolder::insertOrder(into ? into : conn, more);
    }

    // Runs a generation; the summary is looked at instead of shown.
    void run(const QString& folderText = QString()) {
        OrderFileGeneration g(conn, folderText.isNull() ? gen : folderText);
        g.showSummary = [this, &g](rptRecapGener& r) {
            ++seen.shown;
            seen.caption = r.caption;
            seen.nbOrdre = r.control(QStringLiteral("lblNbOrdre"))->caption;
            seen.fichierH = r.control(QStringLiteral("lblFichierH"))->caption;
            seen.fichier = r.control(QStringLiteral("lblFichier"))->caption;
            seen.sum = r.control(QStringLiteral("lblSum"))->caption;
            seen.ids.clear();
            const Recordset* rs = r.dataSource();
            for (int i = 0; i < rs->recordCount(); ++i) seen.ids << rs->valueAt(i, rs->fieldIndex(QStringLiteral("idOrdre"))).toInt();
            names = g.names();
            if (duringSummary) duringSummary(names);
        };
        try {
            g.run();
        } catch (...) {
            ADD_FAILURE() << "the generation let a failure through";
        }
        names = g.names();
        saveArtifacts();
    }

    // The generated flag, date and texts of every order, "id:genere:cMontant:cDevises".
    QStringList rows() {
        Recordset rs;
        rs.open(QStringLiteral("select * from Ordres"), conn, CursorType::Keyset, LockType::ReadOnly);
        rs.sort(QStringLiteral("idOrdre ASC"));
        QStringList out;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            out << QStringLiteral("%1:%2:%3:%4")
                       .arg(rs.value(QStringLiteral("idOrdre")).toInt())
                       .arg(rs.value(QStringLiteral("genere")).toBool() ? QStringLiteral("G") : QStringLiteral("-"))
                       .arg(rs.value(QStringLiteral("cMontant")).toText(), rs.value(QStringLiteral("cDevises")).toText());
        return out;
    }

    QStringList folderFiles() { return QDir(gen).entryList(QDir::Files, QDir::Name); }

    void writeFolderFile(const QString& name, const QByteArray& bytes) {
        QFile f(gen + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    void saveArtifacts() {
        const QString out = qEnvironmentVariable("VORNA_TEST_ARTIFACTS");
        if (out.isEmpty()) return;
        QDir().mkpath(out);
        const QString test = QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name());
        for (const QString& f : folderFiles()) {
            QFile::remove(QDir(out).filePath(test + u'-' + f));
            QFile::copy(gen + f, QDir(out).filePath(test + u'-' + f));
        }
    }

    TempStartFolder folder;
    ConnectionPtr conn;
    QString gen;
    ScriptedDialogs dialogs;
    SummarySeen seen;
    GenerationNames names;
    std::function<void(const GenerationNames&)> duringSummary;
};

TEST(GenerationNames, StemAndNames) {
    const struct {
        const char* ref;
        int count;
        qint64 id;
        const char* stem;
    } stems[] = {
        {"REF-12", 3, 10457, "REF1230457"}, {"AB/12-x", 1, 7, "AB1217"},   {"abc", 12, 123456, "123456"},
        {"É-Z 9", 2, 10000, "Z920000"},     {"", 1, 42, "142"},
    };
    for (const auto& s : stems)
        EXPECT_EQ(OrderFileGeneration::fileStem(QString::fromUtf8(s.ref), s.count, s.id), QString::fromUtf8(s.stem)) << s.ref;

    const GenerationNames n = GenerationNames::of(QStringLiteral("/srv/x.e9_/gen/"), QStringLiteral("REF1230457"));
    EXPECT_EQ(n.work, "/srv/x.e9_/gen/REF1230457.e9_");
    EXPECT_EQ(n.final, "/srv/x.e9_/gen/REF1230457.e93");
    EXPECT_EQ(n.transferDescriptor, "/srv/x.e9_/gen/REF1230457.cft");
    EXPECT_EQ(n.summaryDescriptor, "/srv/x.e9_/gen/bordREF1230457.cft");
    EXPECT_EQ(n.summaryPage, "/srv/x.e9_/gen/REF1230457.htm");  // the folder keeps its ".e9_"
    // A folder text without its final separator runs into the names.
    EXPECT_EQ(GenerationNames::of(QStringLiteral("/srv/GEN"), QStringLiteral("R1")).work, "/srv/GENR1.e9_");
}

TEST(GenerationTotals, OrderOfKeysAndExactSums) {
    Locale::force(false);
    CurrencyTotals a;
    a.add("EUR", Decimal(10, 2), 2);
    a.add("EUR", Decimal(20, 2), 2);
    a.add("USD", Decimal(123456789, 2), 2);
    EXPECT_EQ(a.entries(), (QStringList{"EUR 0,30", "USD 1 234 567,89"}));
    CurrencyTotals b;
    b.add("EUR", Decimal(1, 0), 0);
    b.add("USD", Decimal(2, 0), 0);
    b.add("EUR", Decimal(3, 0), 0);
    EXPECT_EQ(b.entries(), (QStringList{"USD 2", "EUR 4"}));
    EXPECT_EQ(OrderFileGeneration::currencyKey(QStringLiteral("USD"), QStringLiteral("EUR")), "USD");
    EXPECT_EQ(OrderFileGeneration::currencyKey(QStringLiteral("   "), QStringLiteral("EUR")), "EUR");
    Locale::force(std::nullopt);
}

TEST(GenerationSummary, TotalsTextLinesUpInColumn29) {
    const QString b = QStringLiteral(" ");
    EXPECT_EQ(rptRecapGener::totalsText({"EUR 1 234,50", "USD 12,00"}, false),
              "  \r\n- USD : " + b.repeated(18) + "12,00" + "  \r\n- EUR : " + b.repeated(15) + "1 234,50" + "\r\n\r\n");
    const QString jpy = rptRecapGener::totalsText({"JPY 1 500"}, false);
    EXPECT_EQ(jpy, "  \r\n- JPY : " + b.repeated(15) + "1 500\r\n\r\n");
    EXPECT_EQ(jpy.split("\r\n")[1].size(), 28);  // the last digit in the 28th column
    // The point as separator: the comma is then a plain character.
    const QStringList lines = rptRecapGener::totalsText({"USD 1 000.5", "GBP 3,5"}, true).split("\r\n");
    EXPECT_EQ(lines[1].indexOf(u'.'), -1);
    EXPECT_EQ(lines[1], "- GBP : " + b.repeated(17) + "3,5  ");
    EXPECT_EQ(lines[2].indexOf(u'.') + 1, 29);
    EXPECT_EQ(rptRecapGener::totalsText({}, false), "\r\n\r\n");
}

// The totals line their decimal commas up only in a face whose characters have one width, even
// where the report names a proportional family.
TEST(GenerationSummary, TheTotalsPrintInAMonospacedFace) {
    rptRecapGener r;
    report::Control* sum = r.control(QStringLiteral("lblSum"));
    sum->fontFamily = QStringLiteral("DejaVu Sans");  // proportional here, as Arial's stand-in is
    EXPECT_TRUE(QFontInfo(sum->twipsFont()).fixedPitch()) << QFontInfo(sum->twipsFont()).family().toStdString();
}

TEST(GenerationSummary, TimeOutAndPrinterError) {
    ScriptedDialogs dialogs;
    rptRecapGener r;
    for (int s : {1, 29, 31, 44, 59, 61}) {
        bool cancel = false;
        r.processingTimeout(s, cancel);
        EXPECT_FALSE(cancel) << s;
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());
    dialogs.answer(MsgAnswer::Retry);
    dialogs.answer(MsgAnswer::Cancel);
    bool cancel = false;
    r.processingTimeout(30, cancel);
    EXPECT_FALSE(cancel);
    r.processingTimeout(45, cancel);
    EXPECT_TRUE(cancel);
    cancel = false;
    r.processingTimeout(60, cancel);
    EXPECT_TRUE(cancel);
    EXPECT_EQ(dialogs.texts(), (QStringList{"30secondes écoulées. Annuler ?", "45secondes écoulées. Annuler ?"}));
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::RetryCancel);

    bool showDefault = true;
    r.reportError(report::kPrinterError, QStringLiteral("x"), showDefault);
    EXPECT_FALSE(showDefault);
    EXPECT_EQ(dialogs.texts().last(), "Erreur d'impression. Vérifiez qu'une imprimante est installée sur votre ordinateur.");
    EXPECT_EQ(dialogs.messages.last().title, "");
    showDefault = true;
    r.reportError(75, QStringLiteral("x"), showDefault);
    EXPECT_TRUE(showDefault);
    EXPECT_EQ(dialogs.messages.size(), 3);
}

TEST_F(GenerationTest, OneOrderConfirmed) {
    const qint64 id = order(QStringLiteral("REF-12"), QString(), QStringLiteral("EUR"), Decimal(123450, 2));
    run();
    const QString stem = QStringLiteral("REF121") + QString::number(id).right(4);
    EXPECT_EQ(dialogs.texts(),
              (QStringList{"Souhaitez-vous génerer un fichier d'ordre pour l'unique ordre en attente ?",
                           "La génération du fichier d'ordre " + gen + stem +
                               ".e9_\r\ns'est correctement déroulée.\r\n\r\nLe récapitulatif papier s'est-il correctement imprimé ? "
                               "\r\nSouhaitez vous valider définitivement cette opération ?"}));
    EXPECT_EQ(dialogs.titles(), (QStringList{kAskTitle, kAskTitle}));
    EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::None);
    EXPECT_EQ(folderFiles(), (QStringList{stem + ".e93", stem + ".htm"}));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("%1:G:1 234,50:EUR").arg(id)});
    const QByteArray file = readAll(gen + stem + ".e93");
    EXPECT_TRUE(file.startsWith("UNB+UNOA:1+"));
    EXPECT_TRUE(file.endsWith("UNZ+1+SOLMEX RUVAK'"));
    EXPECT_TRUE(file.contains("DTM+137:260307090502:202'"));
    EXPECT_EQ(seen.shown, 1);
    EXPECT_EQ(seen.caption, "Récapitulatif du fichier d'ordres généré");
    EXPECT_EQ(seen.nbOrdre, "1 ordre");
    EXPECT_EQ(seen.fichierH, gen + stem + ".e9_");  // the name of the run, before the rename
    EXPECT_EQ(seen.fichier, seen.fichierH);
    Recordset rs;
    rs.open(QStringLiteral("select dateGener from Ordres"), conn, CursorType::ForwardOnly, LockType::ReadOnly);
    EXPECT_EQ(rs.value(0).toDateTime(), QDateTime(QDate(2026, 3, 7), QTime(9, 5, 2)));
}

TEST_F(GenerationTest, SeveralOrdersInVpnMode) {
    const qint64 a = order(QStringLiteral("AB/12"), QStringLiteral("EUR"), QStringLiteral("EUR"), Decimal(10050, 2));
    const qint64 b = order(QStringLiteral("B"), QString(), QStringLiteral("USD"), Decimal(200, 2));
    const qint64 c = order(QStringLiteral("C"), QString(), QStringLiteral("JPY"), Decimal(1500, 0));
    const qint64 d = order(QStringLiteral("D"), QStringLiteral("EUR"), QStringLiteral("USD"), Decimal(99, 2));
    TempStartFolder::insertOrder(conn, {{QStringLiteral("genere"), true}});  // already generated: not taken
    run();
    const QString stem = QStringLiteral("AB124") + QString::number(a).right(4);
    EXPECT_EQ(dialogs.texts().first(), "Souhaitez-vous génerer un fichier d'ordre pour les 4 ordres en attente ?");
    EXPECT_EQ(folderFiles(), (QStringList{stem + ".e93", stem + ".htm"}));  // no descriptor
    EXPECT_EQ(seen.nbOrdre, "4 ordres");
    EXPECT_EQ(seen.ids, (QList<qint64>{d, c, b, a}));
    const QString sp = QStringLiteral(" ");
    EXPECT_EQ(seen.sum, "  \r\n- EUR : " + sp.repeated(17) + "101,49" + "  \r\n- JPY : " + sp.repeated(15) + "1 500" +
                            "  \r\n- USD : " + sp.repeated(19) + "2,00\r\n\r\n");
    EXPECT_EQ(rows().mid(0, 4), (QStringList{QStringLiteral("%1:G:100,50:EUR en EUR").arg(a), QStringLiteral("%1:G:2,00:USD").arg(b),
                                             QStringLiteral("%1:G:1 500:JPY").arg(c), QStringLiteral("%1:G:0,99:EUR en USD").arg(d)}));
    EXPECT_TRUE(readAll(gen + stem + ".e93").endsWith("UNZ+4+SOLMEX RUVAK'"));
}

TEST_F(GenerationTest, CftDescriptorsStayWhenTheUserRefuses) {
    setMode(QStringLiteral("CFT"));
    const qint64 id = order(QStringLiteral("X1"), QString(), QStringLiteral("EUR"), Decimal(100, 2));
    order(QStringLiteral("X2"), QString(), QStringLiteral("EUR"), Decimal(100, 2));
    dialogs.answer(MsgAnswer::Yes);
    dialogs.answer(MsgAnswer::No);
    QStringList during;
    duringSummary = [&](const GenerationNames&) { during = folderFiles(); };
    run();
    const QString stem = QStringLiteral("X12") + QString::number(id).right(4);
    EXPECT_EQ(during, (QStringList{stem + ".cft", stem + ".e9_", stem + ".htm", "bord" + stem + ".cft"}));
    EXPECT_EQ(folderFiles(), (QStringList{stem + ".cft", "bord" + stem + ".cft"}));
    EXPECT_EQ(readAll(gen + stem + ".cft"), "[CFT]\r\npart=BQPART01\r\nidf=kesto\r\nparm='" + stem.toLatin1() + ".e93'\r\n");
    EXPECT_EQ(readAll(gen + "bord" + stem + ".cft"), "[CFT]\r\npart=BQPART01\r\nidf=kesto\r\nparm='bord" + stem.toLatin1() + ".htm'\r\n");
    EXPECT_EQ(dialogs.texts().last(), kCancelled.arg(gen + stem + ".e9_"));
    EXPECT_EQ(dialogs.titles().last(), "Annulation de la génération");
    for (const QString& r : rows()) EXPECT_TRUE(r.endsWith(":-::")) << r.toStdString();
    // Only the exact word: "cft" writes nothing.
    setMode(QStringLiteral("cft"));
    QFile::remove(gen + stem + ".cft");
    QFile::remove(gen + "bord" + stem + ".cft");
    run();
    EXPECT_EQ(folderFiles(), (QStringList{stem + ".e93", stem + ".htm"}));
}

TEST_F(GenerationTest, ARefusedCharacterInTheThirdOrderUndoesTheRun) {
    order(QStringLiteral("A"), QString(), QStringLiteral("EUR"), Decimal(100, 2));
    order(QStringLiteral("B"), QString(), QStringLiteral("EUR"), Decimal(100, 2));
    order(QStringLiteral("C"), QString(), QStringLiteral("EUR"), Decimal(100, 2), {{QStringLiteral("identBE1"), QStringLiteral("SMITH & CO")}});
    run();
    ASSERT_EQ(dialogs.messages.size(), 3);
    EXPECT_EQ(dialogs.messages[1].text, "Caractères interdits : SMITH & CO");
    EXPECT_EQ(dialogs.messages[1].title, "Génération des ordres");
    EXPECT_EQ(dialogs.messages[1].icon, MsgIcon::Critical);
    EXPECT_EQ(dialogs.messages[2].text, kCancelled.arg(names.work));
    EXPECT_EQ(seen.shown, 0);
    EXPECT_TRUE(folderFiles().isEmpty());
    for (const QString& r : rows()) EXPECT_TRUE(r.endsWith(":-::")) << r.toStdString();
    EXPECT_EQ(conn->transactionLevel(), 0);
}

TEST_F(GenerationTest, FailuresAfterTheWorkFileAreUndone) {
    // The summary page cannot be written (a folder holds its name), then a database failure on
    // the second order.
    const qint64 id = order(QStringLiteral("S"), QString(), QStringLiteral("EUR"), Decimal(100, 2));
    order(QStringLiteral("T"), QString(), QStringLiteral("EUR"), Decimal(100, 2));
    const QString stem = QStringLiteral("S2") + QString::number(id).right(4);
    QDir().mkdir(gen + stem + ".htm");
    run();
    ASSERT_EQ(dialogs.messages.size(), 3);
    EXPECT_EQ(dialogs.messages[1].title, "Génération des ordres");
    EXPECT_TRUE(dialogs.messages[1].text.contains(stem + ".htm")) << dialogs.messages[1].text.toStdString();
    EXPECT_EQ(dialogs.messages[2].text, kCancelled.arg(gen + stem + ".e9_"));
    EXPECT_TRUE(folderFiles().isEmpty());
    QDir().rmdir(gen + stem + ".htm");

    dialogs.messages.clear();
    conn->failWrites(VbError(err::DatabaseError, QStringLiteral("Vorna.db"), QStringLiteral("Disque plein")), 1, 1);
    run();
    EXPECT_EQ(dialogs.texts().mid(1), (QStringList{"Disque plein", kCancelled.arg(gen + stem + ".e9_")}));
    EXPECT_TRUE(folderFiles().isEmpty());
    for (const QString& r : rows()) EXPECT_TRUE(r.endsWith(":-::")) << r.toStdString();
}

TEST_F(GenerationTest, AWorkFileThatCannotBeCreatedRollsBack) {
    const qint64 id = order(QStringLiteral("W"), QString(), QStringLiteral("EUR"), Decimal(100, 2));
    const QString work = gen + QStringLiteral("W1") + QString::number(id).right(4) + ".e9_";
    QDir().mkdir(work);  // not a file: the checks pass, the creation fails
    run();
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_EQ(dialogs.messages[1].title, "Génération des ordres");
    EXPECT_TRUE(dialogs.messages[1].text.startsWith("Le fichier " + work + " ne peut pas être créé"));
    EXPECT_EQ(conn->transactionLevel(), 0);
    EXPECT_TRUE(QFileInfo(work).isDir());
    EXPECT_EQ(rows(), QStringList{QStringLiteral("%1:-::").arg(id)});
}

TEST_F(GenerationTest, EarlyEndsChangeNothing) {
    const QString none = QStringLiteral("Il n'y a aucun ordre à Générer");
    run();
    EXPECT_EQ(dialogs.texts(), QStringList{none});
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Information);

    const qint64 id = order(QStringLiteral("E"), QString(), QStringLiteral("EUR"), Decimal(100, 2));
    const QString stem = QStringLiteral("E1") + QString::number(id).right(4);
    const struct {
        QString folderText;
        QString existing;
        QString message;
        QString title;
    } cases[] = {
        {QStringLiteral("   "), QString(), QStringLiteral("Le répertoire de génération des fichiers d'ordres n'a pas été renseigné"),
         QStringLiteral("Génération impossible")},
        {gen + "absent/", QString(), QStringLiteral("Le répertoire ") + gen + "absent/ n'est pas valide", QStringLiteral("Génération impossible")},
        {gen, stem + ".e93", QStringLiteral("Le fichier ") + gen + stem + ".e93 existe déjà", QStringLiteral("Génération impossible")},
        {gen, QString(), QStringLiteral("Souhaitez-vous génerer un fichier d'ordre pour l'unique ordre en attente ?"), kAskTitle},
    };
    for (const auto& c : cases) {
        dialogs.messages.clear();
        if (!c.existing.isEmpty()) QFile(gen + c.existing).open(QIODevice::WriteOnly);
        dialogs.answer(MsgAnswer::No);
        const QStringList before = folderFiles();
        run(c.folderText);
        EXPECT_EQ(dialogs.texts(), QStringList{c.message});
        EXPECT_EQ(dialogs.titles(), QStringList{c.title});
        EXPECT_EQ(folderFiles(), before);
        EXPECT_EQ(rows(), QStringList{QStringLiteral("%1:-::").arg(id)});
        if (!c.existing.isEmpty()) QFile::remove(gen + c.existing);
        dialogs.answers.clear();
    }
}

TEST_F(GenerationTest, ARefusedRenameIsSaidAndSettledByTheNextRun) {
    const qint64 id = order(QStringLiteral("R"), QString(), QStringLiteral("EUR"), Decimal(100, 2));
    const QString stem = QStringLiteral("R1") + QString::number(id).right(4);
    duringSummary = [&](const GenerationNames& n) { QDir().mkdir(n.final); };  // takes the final name
    run();
    ASSERT_EQ(dialogs.messages.size(), 3);
    EXPECT_TRUE(dialogs.messages[2].text.startsWith("Les ordres sont générés, mais le fichier " + gen + stem + ".e9_ n'a pas pu être renommé en " +
                                                    gen + stem + ".e93"))
        << dialogs.messages[2].text.toStdString();
    EXPECT_EQ(folderFiles(), (QStringList{stem + ".e9_", stem + ".htm"}));
    EXPECT_EQ(rows(), QStringList{QStringLiteral("%1:G:1,00:EUR").arg(id)});

    QDir().rmdir(gen + stem + ".e93");
    duringSummary = nullptr;
    dialogs.messages.clear();
    run();
    EXPECT_EQ(dialogs.texts(), (QStringList{"Le fichier " + gen + stem + ".e9_ laissé par une génération interrompue contient des ordres générés : il a été renommé en " +
                                                gen + stem + ".e93.",
                                            "Il n'y a aucun ordre à Générer"}));
    EXPECT_EQ(folderFiles(), (QStringList{stem + ".e93", stem + ".htm"}));
}

TEST_F(GenerationTest, AWorkFileOfPendingOrdersIsDeletedByTheNextRun) {
    const qint64 id = order(QStringLiteral("P"), QString(), QStringLiteral("EUR"), Decimal(100, 2));
    const QString stem = QStringLiteral("P1") + QString::number(id).right(4);
    // The run is stopped before its confirmation: what it left is kept aside, then put back.
    QByteArray work, page;
    duringSummary = [&](const GenerationNames& n) {
        work = readAll(n.work);
        page = readAll(n.summaryPage);
    };
    dialogs.answer(MsgAnswer::Yes);
    dialogs.answer(MsgAnswer::No);
    run();
    ASSERT_FALSE(work.isEmpty());
    QFile w(gen + stem + ".e9_");
    ASSERT_TRUE(w.open(QIODevice::WriteOnly));
    w.write(work);
    w.close();
    QFile p(gen + stem + ".htm");
    ASSERT_TRUE(p.open(QIODevice::WriteOnly));
    p.write(page);
    p.close();
    // A truncated work file (killed while writing) is pending too.
    QFile t(gen + "T99.e9_");
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write(work.left(work.size() / 2));
    t.close();

    duringSummary = nullptr;
    dialogs.messages.clear();
    dialogs.answer(MsgAnswer::OK);
    dialogs.answer(MsgAnswer::OK);
    dialogs.answer(MsgAnswer::No);
    run();
    const QString deleted = QStringLiteral(" laissé par une génération interrompue a été supprimé : ses ordres n'ont pas été générés et restent en attente.");
    EXPECT_EQ(dialogs.texts().mid(0, 2), (QStringList{"Le fichier " + gen + stem + ".e9_" + deleted, "Le fichier " + gen + "T99.e9_" + deleted}));
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(dialogs.texts()[2], "Souhaitez-vous génerer un fichier d'ordre pour l'unique ordre en attente ?");
    EXPECT_TRUE(folderFiles().isEmpty());
}

// A payment file of another run: one message per reference, each with its amount segment.
QByteArray paymentFile(std::initializer_list<std::pair<const char*, const char*>> orders) {
    QByteArray out = "UNB+UNOA:1+X:ZZ+48213067500027:5+260101:1200+SOLMEX RUVAK'";
    for (const auto& [ref, moa] : orders)
        out += QByteArray("UNH+1+PAYORD:D:93A:UN'BGM+450+") + ref + "+9'DTM+137:260101120000:202'" + moa + "UNT+4+1'";
    return out + "UNZ+1+SOLMEX RUVAK'";
}

// Two installations (two data folders) whose settings name the same generation folder, and
// two users of one data folder.
class SharedFolderTest : public GenerationTest {
protected:
    void SetUp() override {
        GenerationTest::SetUp();
        otherFolder.createWorkingDatabase();
        other = otherFolder.openWorking();
    }

    qint64 orderOf(const ConnectionPtr& c, const QString& ref) { return order(ref, QString(), QStringLiteral("EUR"), Decimal(100, 2), {}, c); }

    // A whole generation of another connection, answered by the dialogs' script.
    void runOn(const ConnectionPtr& c) {
        OrderFileGeneration g(c, gen);
        g.showSummary = [](rptRecapGener&) {};
        g.run();
    }

    // Every order of the database is generated if and only if its reference stands in exactly
    // one final file of the folder.
    void expectGeneratedIffInOneFinalFile(const ConnectionPtr& c) {
        QHash<QString, int> inFiles;
        for (const QString& f : QDir(gen).entryList({QStringLiteral("*.e93")}, QDir::Files))
            for (const auto& m : readWorkFile(readAll(gen + f)).messages) ++inFiles[m.refInterne];
        Recordset rs;
        rs.open(QStringLiteral("select refInterne, genere from Ordres"), c, CursorType::ForwardOnly, LockType::ReadOnly);
        int seenOrders = 0;
        for (; !rs.eof(); rs.moveNext(), ++seenOrders)
            EXPECT_EQ(inFiles.value(rs.value(0).toText()), rs.value(1).toBool() ? 1 : 0) << rs.value(0).toText().toStdString();
        EXPECT_GT(seenOrders, 0);
    }

    TempStartFolder otherFolder;
    ConnectionPtr other;
};

// A generation folder on a share whose lock service does not run: the runs go on without
// locks, and no left-over file is settled, since none can be told from a live run's.
TEST_F(SharedFolderTest, AFolderWithoutLocksStillGenerates) {
    orderOf(conn, QStringLiteral("NL1"));
    writeFolderFile(QStringLiteral("NL9.e9_"), paymentFile({{"NL1", "MOA+9:1,00:EUR'"}}));  // this database's pending order
    files::FileLock::setLockCall([](int, int) { return errno = ENOLCK, -1; });
    run();
    files::FileLock::setLockCall(nullptr);
    EXPECT_EQ(folderFiles(), (QStringList{names.stem + ".e93", names.stem + ".htm", QStringLiteral("NL9.e9_")}));
    expectGeneratedIffInOneFinalFile(conn);
}

TEST_F(SharedFolderTest, AWorkFileGoneOrChangedBeforeTheCommitUndoesTheRun) {
    const qint64 id = orderOf(conn, QStringLiteral("CC1"));
    for (const char* change : {"deleted", "truncated", "replaced by a file of its size"}) {
        dialogs.messages.clear();
        duringSummary = [&](const GenerationNames& n) {
            QFile f(n.work);
            const qint64 size = f.size();
            EXPECT_TRUE(change[0] == 't' ? f.open(QIODevice::ReadWrite) && f.resize(size / 2) : QFile::remove(n.work));
            if (change[0] == 'r' && f.open(QIODevice::WriteOnly)) f.write(QByteArray(size, 'x'));
        };
        run();
        EXPECT_EQ(dialogs.texts().mid(2), (QStringList{"Le fichier " + names.work +
                                                           " a été supprimé ou modifié depuis son écriture : les ordres ne sont pas marqués générés.",
                                                       kCancelled.arg(names.work)}))
            << change;
        EXPECT_EQ(rows(), QStringList{QStringLiteral("%1:-::").arg(id)}) << change;
        EXPECT_EQ(folderFiles(), change[0] == 'r' ? QStringList{names.stem + ".e9_"} : QStringList()) << change;
        QFile::remove(names.work);
    }
}

TEST_F(SharedFolderTest, TwoUsersOfOneDataFolderCannotRunTheSameGeneration) {
    orderOf(conn, QStringLiteral("DD1"));
    const ConnectionPtr second = folder.openWorking();
    // The second user starts while the first one's summary is open...
    QStringList secondSaw;
    duringSummary = [&](const GenerationNames&) {
        const qsizetype before = dialogs.messages.size();
        runOn(second);
        secondSaw = dialogs.texts().mid(before);
    };
    run();
    EXPECT_EQ(secondSaw, QStringList{"Le fichier " + names.work + " existe déjà"});
    EXPECT_TRUE(QFile::exists(names.final));
    expectGeneratedIffInOneFinalFile(conn);

    // ... or takes the work name just after the first user's checks; or another installation's
    // run of the same name ends with its final file while the question is asked: that file is
    // never written over, renamed over nor deleted, whatever the answer to the last question.
    const QString stem = QStringLiteral("DD21") + QString::number(orderOf(conn, QStringLiteral("DD2"))).right(4);
    duringSummary = nullptr;
    const QByteArray theirs = "UNB+UNOA:1+AUTRE'UNZ+0+AUTRE'";
    const struct {
        const char* extension;
        MsgAnswer last;
    } races[] = {{".e9_", MsgAnswer::Yes}, {".e93", MsgAnswer::Yes}, {".e93", MsgAnswer::No}};
    for (const auto& r : races) {
        const QString path = gen + stem + r.extension;
        dialogs.messages.clear();
        dialogs.answers = {MsgAnswer::Yes, r.last};
        dialogs.onNextMessage([&](const auto&) { writeFolderFile(stem + r.extension, theirs); });
        run();
        EXPECT_EQ(dialogs.texts().mid(1), QStringList{"Le fichier " + path + " existe déjà"}) << r.extension;
        EXPECT_EQ(folderFiles().filter(stem), QStringList{stem + r.extension});
        EXPECT_EQ(readAll(path), theirs);
        EXPECT_EQ(conn->transactionLevel(), 0);
        QFile::remove(path);
        expectGeneratedIffInOneFinalFile(conn);
    }
}

// The other process of the test below: a generation of the data folder it is given, killed
// while its summary is open.
TEST(GenerationChild, RunsUntilKilled) {
    const QString start = qEnvironmentVariable("VORNA_TEST_CHILD_START");
    if (start.isEmpty()) GTEST_SKIP() << "started by SharedFolderTest.AKilledRunsFileIsSettledOnlyByItsOwnDatabase";
    ScriptedDialogs dialogs;
    OrderFileGeneration g(openConnection(jetConnectionString(start + QStringLiteral("/VornaW.mdb"))),
                          qEnvironmentVariable("VORNA_TEST_CHILD_GEN"));
    g.showSummary = [](rptRecapGener&) {
        std::fputs("VORNA-CHILD-IN-SUMMARY\n", stdout);
        std::fflush(stdout);
        for (;;) QThread::sleep(1);
    };
    g.run();
    FAIL() << dialogs.texts().join(u'|').toStdString();
}

// Another installation generates while A's run is open in another process, and again once A is
// killed: A's file is left to A, whose next run settles it, and it alone: a file of no order, or
// one that names A's pending order beside another order or with another amount, is no one's.
TEST_F(SharedFolderTest, AKilledRunsFileIsSettledOnlyByItsOwnDatabase) {
    orderOf(conn, QStringLiteral("KA1"));
    orderOf(other, QStringLiteral("KB1"));
    QProcess a;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VORNA_TEST_CHILD_START"), folder.path());
    env.insert(QStringLiteral("VORNA_TEST_CHILD_GEN"), gen);
    a.setProcessEnvironment(env);
    a.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=GenerationChild.RunsUntilKilled")});
    QByteArray out;
    while (!out.contains("VORNA-CHILD-IN-SUMMARY") && a.waitForReadyRead(60000)) out += a.readAllStandardOutput();
    ASSERT_TRUE(out.contains("VORNA-CHILD-IN-SUMMARY")) << out.toStdString() << a.readAllStandardError().toStdString();
    const QStringList aWork = QDir(gen).entryList({QStringLiteral("*.e9_")}, QDir::Files);
    ASSERT_EQ(aWork.size(), 1);
    QMap<QString, QByteArray> strangers = {
        {"vide.e9_", ""},
        {"AUTRE1.e9_", paymentFile({{"KA1", ""}, {"INCONNU", ""}})},
        {"AUTRE2.e9_", paymentFile({{"KA1", "MOA+9:250,00:EUR'"}})},
    };
    for (auto s = strangers.cbegin(); s != strangers.cend(); ++s) writeFolderFile(s.key(), s.value());
    strangers.insert(aWork[0], readAll(gen + aWork[0]));

    runOn(other);
    a.kill();
    a.waitForFinished();
    runOn(other);
    EXPECT_EQ(dialogs.texts().filter(QStringLiteral("génération interrompue")), QStringList());
    for (auto s = strangers.cbegin(); s != strangers.cend(); ++s) EXPECT_EQ(readAll(gen + s.key()), s.value()) << s.key().toStdString();
    expectGeneratedIffInOneFinalFile(other);

    strangers.remove(aWork[0]);
    run();
    EXPECT_EQ(dialogs.texts().filter(QStringLiteral("génération interrompue")), QStringList{"Le fichier " + gen + aWork[0] +
                                            " laissé par une génération interrompue a été supprimé : ses ordres n'ont pas été générés et restent en attente."});
    for (auto s = strangers.cbegin(); s != strangers.cend(); ++s) EXPECT_EQ(readAll(gen + s.key()), s.value()) << s.key().toStdString();
    expectGeneratedIffInOneFinalFile(conn);
}

// A file of generated orders whose rename was refused takes its final name at the next start,
// before the purge takes its orders away thirty-one days later.
TEST_F(GenerationTest, AWorkFileOfGeneratedOrdersIsSettledAtStartBeforeThePurge) {
    order(QStringLiteral("M1"), QString(), QStringLiteral("EUR"), Decimal(100, 2));
    duringSummary = [](const GenerationNames& n) { QDir().mkdir(n.final); };  // the rename is refused
    run();
    QDir().rmdir(names.final);
    const QByteArray work = readAll(names.work);
    ASSERT_FALSE(work.isEmpty());
    Clock::advance(31 * 86400);
    dialogs.messages.clear();
    Startup::Hooks hooks;
    hooks.generationFolder = [this] { return gen; };
    ASSERT_TRUE(Startup(folder.path(), hooks).run());
    EXPECT_EQ(dialogs.texts(), QStringList{"Le fichier " + names.work +
                                           " laissé par une génération interrompue contient des ordres générés : il a été renommé en " +
                                           names.final + u'.'});
    EXPECT_EQ(readAll(names.final), work);
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(GenerationTest, TheSummaryPageAroundItsBody) {
    const qint64 id = order(QStringLiteral("H"), QString(), QStringLiteral("EUR"), Decimal(100, 2));
    const QString stem = QStringLiteral("H1") + QString::number(id).right(4);
    QFile old(gen + stem + ".htm");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("ancien");
    old.close();
    run();
    const QByteArray html = readAll(gen + stem + ".htm");
    ASSERT_EQ(dialogs.messages.size(), 2) << dialogs.texts().join(u'|').toStdString();
    const QByteArray head =
        "<HTML>\r\n<HEAD>\r\n<TITLE>Archive de g&#233;n&#233;ration d'ordres internationaux : "
        "R&#233;capitulatif du fichier d'ordres g&#233;n&#233;r&#233;</TITLE>\r\n<BODY style='font-size:8.0pt'>\r\n<STYLE>";
    EXPECT_TRUE(html.startsWith(head)) << html.left(300).toStdString();
    EXPECT_TRUE(html.endsWith("</DIV>\r\n\r\n</BODY>\r\n</HTML>"));
    EXPECT_FALSE(html.contains("ancien"));
    EXPECT_TRUE(html.contains(">1 ordre</SPAN>"));
    EXPECT_TRUE(html.contains(">Montants totaux par devise :</SPAN>"));
    EXPECT_TRUE(html.contains(">  <BR>- EUR : " + QByteArray(19, ' ') + "1,00<BR><BR></SPAN>"));
    EXPECT_TRUE(html.contains(">" + (gen + stem + ".e9_").toLatin1() + "</SPAN>"));
    EXPECT_TRUE(html.contains(">BENEFICIAIRE</SPAN>"));
    EXPECT_TRUE(html.contains(">Tr&#233;sorerie G&#233;n&#233;rale</SPAN>"));
}

TEST_F(GenerationTest, TheSummaryWindowShowsAndPrints) {
    order(QStringLiteral("V"), QString(), QStringLiteral("EUR"), Decimal(100, 2));
    Screen::force(QRect(0, 0, 12000, 9000));
    dialogs.printTarget = PrintTarget{QString(), folder.filePath(QStringLiteral("recap.pdf"))};
    QString title;
    int pages = 0;
    QRect geometry;
    forms::Form::ModalHook = [&](forms::Form& f) {
        auto* w = qobject_cast<report::ReportWindow*>(&f);
        ASSERT_NE(w, nullptr);
        title = w->windowTitle();
        pages = w->preview->pageCount();
        geometry = QRect(w->leftTwips(), w->topTwips(), w->widthTwips(), w->heightTwips());
        w->cmdPrint->click();
        w->cmdClose->click();
    };
    OrderFileGeneration g(conn, gen);
    g.run();
    forms::Form::ModalHook = nullptr;
    Screen::force(QRect());
    vorna::test::flushDeletes();
    EXPECT_EQ(title, "Récapitulatif du fichier d'ordres généré");
    EXPECT_EQ(pages, 1);
    // At the work area's corner, narrower than the report's own width (the commands' row sets
    // the least width the window can take).
    EXPECT_EQ(geometry.topLeft(), QPoint(0, 0));
    EXPECT_LT(geometry.width(), rptRecapGener().windowWidth);
    EXPECT_LT(geometry.height(), rptRecapGener().windowHeight);
    EXPECT_TRUE(readAll(dialogs.printTarget->pdfPath).startsWith("%PDF"));
}

}  // namespace
