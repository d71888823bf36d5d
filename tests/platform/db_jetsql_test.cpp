// The old dialect's SQL texts, translated and run on the shipped databases.

#include <gtest/gtest.h>

#include <sqlite3.h>
#include <time.h>


#include "common/tempstartfolder.h"
#include "platform/clock.h"
#include "platform/db/jetsql.h"
#include "platform/db/recordset.h"
#include "platform/db/sqlfunctions.h"
#include "platform/text/format.h"

using namespace vorna;
using vorna::test::TempStartFolder;

namespace {

const QString kListQuery = QStringLiteral(
    "select idOrdre as Numéro, format(dateCreation,'dd/mm/YYYY HH:MM') as `Date de Création`,Montant, devOrdre as "
    "`Devise de l'ordre`, devPaiement as `Devise de Paiement`, refInterne as `Référence Interne`,identBE1 as "
    "`Bénéficiaire`, format(dateGener,'dd/mm/YYYY HH:MM') as `Génération`, nbDeci, urgent from Ordres Order by idOrdre DESC");

const QString kPrintQuery = QStringLiteral(
    "select  (typeOper = 0) as TOTransfert, (typeOper = 1) as TOCheque , (typeOper = 2) as TORgltRemise , (typeOper = 3) as "
    "TOMiseADisp , (frais = 0) as FraisOUR , (frais = 1) as FraisBEN , (frais = 2) as FraisSHA , (avisBenefType = 0) as "
    "AvisNormalX , (avisBenefType = 1) as AvisTelX , (avisBenefType = 2) as AvisFaxX , format(dateGener,'DD/MM/YYYY HH:MM') "
    "as etat, false as lblError, false as lblErrorDps, '' as error , * from Ordres  ");

const QString kTemplateQuery =
    QStringLiteral("select idModele as `Code`, description as `Description`, * from Modeles Order by idModele");

class JetTexts : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::pin(QDateTime(QDate(2026, 12, 8), QTime(10, 0, 0)));
        folder.createWorkingDatabase();
        conn = folder.openWorking();
    }
    void TearDown() override { Clock::pin(QDateTime()); }

    qint64 order(const TempStartFolder::Fields& f) { return TempStartFolder::insertOrder(conn, f); }
    int count(const QString& where = QString()) {
        Recordset rs;
        rs.open(QStringLiteral("select idOrdre from Ordres ") + where, conn);
        return rs.recordCount();
    }

    TempStartFolder folder;
    ConnectionPtr conn;
};

}  // namespace

TEST(JetSqlTranslate, RewritesTheOldDialect) {
    EXPECT_EQ(jetsql::translate(QStringLiteral("delete * from Ordres where dateGener < now -30")),
              QStringLiteral("delete from Ordres where dateGener < jet_now(-30)"));
    EXPECT_EQ(jetsql::translate(QStringLiteral("DELETE  *  FROM Ordres")), QStringLiteral("DELETE FROM Ordres"));
    EXPECT_EQ(jetsql::translate(QStringLiteral("select Now() + 1.5 as x")), QStringLiteral("select jet_now(1.5) as x"));
    EXPECT_EQ(jetsql::translate(QStringLiteral("where d < now - 2 * 3")), QStringLiteral("where d < jet_now(0) - 2 * 3"));
    // Month first, with and without seconds.
    EXPECT_EQ(jetsql::translate(QStringLiteral("where dateGener >= #12/08/2026 09:05#  and dateGener <= #12/08/2026 09:05:59#")),
              QStringLiteral("where dateGener >= '2026-12-08 09:05:00'  and dateGener <= '2026-12-08 09:05:59'"));
    // Double quotes hold a text; back quotes and brackets a name.
    EXPECT_EQ(jetsql::translate(QStringLiteral("select [a b] as `x y` from T where c = \"it's\"")),
              QStringLiteral("select `a b` as `x y` from T where c = 'it''s'"));
    // Nothing inside a text literal is touched.
    EXPECT_EQ(jetsql::translate(QStringLiteral("select 'now -30 #1/2/2003#' as t")), QStringLiteral("select 'now -30 #1/2/2003#' as t"));
    // A bare column keeps the name it is written with; an alias or an expression is left alone.
    EXPECT_EQ(jetsql::translate(QStringLiteral("select Code,Description from Pays Order by Description")),
              QStringLiteral("select Code AS `Code`,Description AS `Description` from Pays Order by Description"));
    EXPECT_EQ(jetsql::translate(QStringLiteral("select '' as etat, * from Ordres where genere = false")),
              QStringLiteral("select '' as etat, * from Ordres where genere = false"));
    // Translating twice changes nothing more.
    const QString once = jetsql::translate(kListQuery);
    EXPECT_EQ(jetsql::translate(once), once);
}

TEST(JetSqlTranslate, TellsTableNamesFromStatements) {
    EXPECT_TRUE(jetsql::isTableName(QStringLiteral("ParamRef")));
    EXPECT_TRUE(jetsql::isTableName(QStringLiteral(" devises ")));
    EXPECT_FALSE(jetsql::isTableName(QStringLiteral("select * from Ordres")));
    EXPECT_FALSE(jetsql::isTableName(QStringLiteral("select")));
}

TEST(SqlFunctions, FormatsDatesWithTheOldTokens) {
    const QDateTime t(QDate(2026, 3, 7), QTime(9, 5, 2));
    EXPECT_EQ(formatDate(t, QStringLiteral("dd/mm/YYYY HH:MM")), "07/03/2026 09:05");
    EXPECT_EQ(formatDate(t, QStringLiteral("DD/MM/YYYY HH:MM")), "07/03/2026 09:05");
    EXPECT_EQ(formatDate(t, QStringLiteral("mm/dd/YYYY HH:MM")), "03/07/2026 09:05");
    EXPECT_EQ(formatDate(t, QStringLiteral("dd/mm/yyyy HH:MM")), "07/03/2026 09:05");
    EXPECT_EQ(formatDate(t, QStringLiteral("d/m/yy h:nn:ss")), "7/3/26 9:05:02");
    EXPECT_EQ(formatDate(t, QStringLiteral("mm:ss")), "05:02");  // before seconds, m means minutes
    EXPECT_EQ(formatDate(QDateTime(), QStringLiteral("dd")), "");
}

TEST(SqlFunctions, TheCollationIsFrenchAndIgnoresCase) {
    EXPECT_LT(compareText(u"Égypte", u"Espagne"), 0);
    EXPECT_LT(compareText(u"Émirats arabes unis", u"Équateur"), 0);
    EXPECT_GT(compareText(u"Émirats", u"Danemark"), 0);
    EXPECT_LT(compareText(u"Émirats", u"Finlande"), 0);
    EXPECT_EQ(compareText(u"fr", u"FR"), 0);
    EXPECT_NE(compareText(u"Emirats", u"Émirats"), 0);
}

TEST_F(JetTexts, ThePurgeDeletesOnlyOrdersGeneratedMoreThanThirtyDaysAgo) {
    const QDateTime now = Clock::now();
    const qint64 old31 = order({{"genere", true}, {"dateGener", now.addDays(-31)}});
    const qint64 old29 = order({{"genere", true}, {"dateGener", now.addDays(-29)}});
    const qint64 exactly30 = order({{"genere", true}, {"dateGener", now.addDays(-30)}});
    const qint64 pending = order({{"dateCreation", now.addDays(-400)}, {"dateGener", Value::null()}});
    ASSERT_EQ(conn->beginTrans(), 1);
    EXPECT_EQ(conn->execute(QStringLiteral("delete * from Ordres where dateGener < now -30")), 1);
    conn->commitTrans();
    EXPECT_EQ(count(QStringLiteral("where idOrdre = %1").arg(old31)), 0);
    EXPECT_EQ(count(QStringLiteral("where idOrdre = %1").arg(old29)), 1);
    EXPECT_EQ(count(QStringLiteral("where idOrdre = %1").arg(exactly30)), 1);
    EXPECT_EQ(count(QStringLiteral("where idOrdre = %1").arg(pending)), 1);
    // Two days later the pinned clock makes the 29-day order 31 days old.
    Clock::advance(2 * 86400);
    EXPECT_EQ(conn->execute(QStringLiteral("delete * from Ordres where dateGener < now -30")), 2);
    EXPECT_EQ(count(), 1);
}

TEST_F(JetTexts, TheListQueryGivesItsTenColumnsWithFormattedDates) {
    const qint64 a = order({{"dateCreation", QDateTime(QDate(2026, 3, 7), QTime(9, 5, 42))},
                            {"montant", Decimal(123456, 2)},
                            {"refInterne", "ABC 1"},
                            {"identBE1", "DUPONT"},
                            {"devOrdre", "USD"}});
    const qint64 b = order({{"genere", true}, {"dateGener", QDateTime(QDate(2026, 12, 1), QTime(17, 30))}, {"urgent", true}});
    Recordset rs;
    rs.open(kListQuery, conn);
    ASSERT_EQ(rs.fieldCount(), 10);
    const QStringList names{"Numéro", "Date de Création", "Montant", "Devise de l'ordre", "Devise de Paiement",
                            "Référence Interne", "Bénéficiaire", "Génération", "nbDeci", "urgent"};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(rs.fieldInfo(i).name, names[i]) << i;
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.value(0).toInt(), b);  // newest first
    EXPECT_TRUE(rs.value(QStringLiteral("urgent")).toBool());
    EXPECT_EQ(rs.value(QStringLiteral("Génération")).toText(), "01/12/2026 17:30");
    rs.moveNext();
    EXPECT_EQ(rs.value(0).toInt(), a);
    EXPECT_EQ(rs.value(1).toText(), "07/03/2026 09:05");
    EXPECT_TRUE(rs.value(QStringLiteral("Génération")).isNull());
    EXPECT_EQ(rs.value(QStringLiteral("montant")).type(), Value::Type::Decimal);
    EXPECT_EQ(rs.value(QStringLiteral("Montant")).toDecimal().rescaled(2).toString(), "1234.56");
    EXPECT_EQ(rs.value(QStringLiteral("Devise de l'ordre")).toText(), "USD");
    EXPECT_EQ(rs.value(QStringLiteral("Référence Interne")).toText(), "ABC 1");
    // The list's key column reaches its base column.
    EXPECT_EQ(rs.fieldInfo(0).baseColumn, "idOrdre");
    EXPECT_TRUE(rs.fieldInfo(1).baseColumn.isEmpty());
}

TEST_F(JetTexts, TheGenerationQuerySelectsPendingOrdersWithAnEmptyState) {
    order({});
    order({{"genere", true}, {"dateGener", Clock::now()}});
    order({});
    Recordset rs;
    rs.open(QStringLiteral("select '' as etat, * from Ordres where genere = false"), conn);
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.fieldCount(), 62);
    EXPECT_EQ(rs.fieldInfo(0).name, "etat");
    EXPECT_EQ(rs.value(QStringLiteral("etat")).toText(), "");
    EXPECT_FALSE(rs.value(QStringLiteral("genere")).toBool());
}

TEST_F(JetTexts, ThePrintQueryGivesBooleansAndSelectsByDateRange) {
    const QDateTime gen(QDate(2026, 12, 8), QTime(9, 5, 42));
    const qint64 cheque = order({{"typeOper", 1}, {"frais", 2}, {"avisBenefType", 1}, {"genere", true}, {"dateGener", gen}});
    const qint64 pending = order({});
    order({{"genere", true}, {"dateGener", gen.addSecs(60)}});  // the next minute: another group
    Recordset rs;
    rs.open(kPrintQuery + QStringLiteral("Where idOrdre = %1").arg(cheque), conn, CursorType::ForwardOnly, LockType::ReadOnly);
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_FALSE(rs.value(QStringLiteral("TOTransfert")).toBool());
    EXPECT_TRUE(rs.value(QStringLiteral("TOCheque")).toBool());
    EXPECT_TRUE(rs.value(QStringLiteral("FraisSHA")).toBool());
    EXPECT_FALSE(rs.value(QStringLiteral("FraisOUR")).toBool());
    EXPECT_TRUE(rs.value(QStringLiteral("AvisTelX")).toBool());
    EXPECT_FALSE(rs.value(QStringLiteral("lblError")).toBool());
    EXPECT_FALSE(rs.value(QStringLiteral("lblError")).isNull());
    EXPECT_EQ(rs.value(QStringLiteral("etat")).toText(), "08/12/2026 09:05");
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), cheque);

    // The group selection: pending orders, or those generated within one minute.
    const QString selection = QStringLiteral("Where genere = false OR ( dateGener >= #12/08/2026 09:05#  and dateGener <= #12/08/2026 09:05:59# ) ");
    rs.open(kPrintQuery + selection, conn, CursorType::ForwardOnly, LockType::ReadOnly);
    rs.sort(QStringLiteral("idOrdre ASC"));
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), cheque);
    rs.moveNext();
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), pending);
    EXPECT_TRUE(rs.value(QStringLiteral("etat")).isNull());
}

TEST_F(JetTexts, TheOneOrderQueriesRunUnquotedNumbers) {
    const qint64 id = order({});
    Recordset rs;
    rs.open(QStringLiteral("select * from Ordres where idOrdre = %1").arg(id), conn);
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.fieldCount(), 61);
    EXPECT_EQ(rs.value(QStringLiteral("idOrdre")).toInt(), id);
}

TEST_F(JetTexts, TheReferenceQueriesRunOnTheReferenceDatabase) {
    auto ref = folder.openReference();
    const QStringList queries{
        "select Code,Description from PaysEEE Order by Description", "select Code,Description from Pays Order by Description",
        "select Code,Description,nbDecimale from Devises Order by Description", "select Code,Description from CodesEcono Order by Code",
        "select Code,Description from Pays Order by Code", "select Code,Description from PaysEEE Order by Code",
        "select Code,Description,nbDecimale from devises Order by code"};
    for (const QString& q : queries) {
        Recordset rs;
        rs.open(q, ref, CursorType::ForwardOnly, LockType::ReadOnly);
        EXPECT_GT(rs.recordCount(), 0) << q.toStdString();
        EXPECT_EQ(rs.fieldInfo(0).name, "Code") << q.toStdString();
        EXPECT_EQ(rs.fieldInfo(1).name, "Description") << q.toStdString();
    }
    Recordset devises;
    devises.open(queries.last(), ref);
    EXPECT_EQ(devises.fieldInfo(2).name, "nbDecimale");
    EXPECT_TRUE(devises.find(QStringLiteral("code"), QStringLiteral("eur"), FindStart::First));
    EXPECT_EQ(devises.value(QStringLiteral("nbdecimale")).toInt(), 2);
}

TEST_F(JetTexts, TheTemplateQueryNamesItsAliasesFirst) {
    Recordset rs;
    rs.open(kTemplateQuery, conn);
    EXPECT_EQ(rs.fieldCount(), 57);
    EXPECT_EQ(rs.fieldInfo(0).name, "Code");
    EXPECT_EQ(rs.fieldInfo(1).name, "Description");
    EXPECT_EQ(rs.fieldInfo(2).name, "idModele");
    EXPECT_EQ(rs.fieldInfo(56).name, "description");
    EXPECT_EQ(rs.fieldIndex(QStringLiteral("description")), 1);  // the first match wins
}

TEST_F(JetTexts, TheBuiltInFormatIsReplacedAndNullStaysNull) {
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(conn->handle(),
                                 "select format('2026-12-08 09:05:00','dd/mm/YYYY HH:MM'), format(NULL,'dd'), "
                                 "format('not a date','dd'), format('08/12/2026 09:05','YYYY-mm-dd'), jet_now(), jet_now(-1.5)",
                                 -1, &st, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    auto text = [&](int i) { return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))); };
    EXPECT_EQ(text(0), "08/12/2026 09:05");
    EXPECT_EQ(sqlite3_column_type(st, 1), SQLITE_NULL);
    EXPECT_EQ(text(2), "not a date");
    EXPECT_EQ(text(3), "2026-12-08");
    EXPECT_EQ(text(4), "2026-12-08 10:00:00");
    EXPECT_EQ(text(5), "2026-12-06 22:00:00");
    sqlite3_finalize(st);
}

namespace {
// A time zone with summer time for the length of a test.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone) : had_(qEnvironmentVariableIsSet("TZ")), old_(qgetenv("TZ")) {
        qputenv("TZ", zone);
        tzset();
    }
    ~ZoneGuard() {
        if (had_) qputenv("TZ", old_);
        else qunsetenv("TZ");
        tzset();
    }

private:
    bool had_;
    QByteArray old_;
};
}  // namespace

// Days are counted on the local calendar, as the old engine did: across a change of summer
// time a day keeps its clock time.
TEST_F(JetTexts, DaysFollowTheLocalCalendarAcrossSummerTime) {
    ZoneGuard paris("Europe/Paris");
    const struct {
        QDateTime now;
        const char* days;
        const char* expected;
    } cases[] = {
        {QDateTime(QDate(2026, 11, 5), QTime(10, 30)), "-30", "2026-10-06 10:30:00"},  // autumn change between
        {QDateTime(QDate(2026, 4, 5), QTime(10, 30)), "-30", "2026-03-06 10:30:00"},   // spring change between
        {QDateTime(QDate(2026, 3, 28), QTime(12, 0)), "1.5", "2026-03-30 00:00:00"},
        {QDateTime(QDate(2026, 10, 24), QTime(9, 0)), "1", "2026-10-25 09:00:00"},
    };
    for (const auto& c : cases) {
        Clock::pin(c.now);
        Recordset rs;
        rs.open(QStringLiteral("select now %1 as t").arg(QLatin1String(c.days).startsWith('-') ? QString(c.days).insert(1, ' ')
                                                                                            : "+ " + QString(c.days)),
                conn);
        EXPECT_EQ(rs.value(0).toText(), c.expected) << c.days;
    }

    // The purge: generated 29 days and 23 hours before, across the autumn change, the order stays.
    Clock::pin(QDateTime(QDate(2026, 11, 5), QTime(10, 30)));
    const qint64 kept = order({{"genere", true}, {"dateGener", QDateTime(QDate(2026, 10, 6), QTime(11, 0))}});
    const qint64 gone = order({{"genere", true}, {"dateGener", QDateTime(QDate(2026, 10, 6), QTime(10, 29))}});
    EXPECT_EQ(conn->execute(QStringLiteral("delete * from Ordres where dateGener < now -30")), 1);
    EXPECT_EQ(count(QStringLiteral("where idOrdre = %1").arg(kept)), 1);
    EXPECT_EQ(count(QStringLiteral("where idOrdre = %1").arg(gone)), 0);
}

TEST(JetSqlTranslate, TranslatingTwiceChangesNothingMore) {
    const char* const texts[] = {
        "select [a][b] from t",
        "select `a``b` from t",
        "select [Montant]`Devise` from t",
        "select \"a\"'b' as x, 'c''d' from t",
        "select \"x\"\"y\" from t",
        "delete * from Ordres where dateGener < now -30 and d > #12/08/2026 09:05#",
        "select Montant, t.[x], now, `Date de Création` from t where a = \"it's\"",
        "select [a]]b] from t",
        "select # from t where x = '#'",
    };
    for (const char* text : texts) {
        const QString once = jetsql::translate(QString::fromUtf8(text));
        EXPECT_EQ(jetsql::translate(once), once) << text;
    }
    // Two names side by side stay two names.
    EXPECT_EQ(jetsql::translate("select [a][b] from t"), "select `a` `b` from t");
}

TEST(JetSqlTranslate, LongStatementsAreTranslatedWhole) {
    // 20,000 clauses of each kind the translation rewrites (bare names of the select list,
    // folded dates). Its speed on long statements is measured by bench_recordset.
    QString list, where;
    for (int i = 0; i < 20000; ++i) {
        list += QStringLiteral("c%1, ").arg(i);
        where += QStringLiteral(" or d < now -%1").arg(i % 90);
    }
    const QString text = QStringLiteral("select ") + list + QStringLiteral("z from t where 1=0") + where;
    const QString out = jetsql::translate(text);
    EXPECT_EQ(out.count(QStringLiteral(" AS `c")), 20000);
    EXPECT_EQ(out.count(QStringLiteral("jet_now(-")), 20000);
    EXPECT_TRUE(out.endsWith(QStringLiteral("or d < jet_now(-19)")));
}
