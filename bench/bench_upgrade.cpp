// The upgrade of a working database of the previous layout.
//
//   bench_upgrade [orders]
//       Makes a start folder with an old-layout working database of that many orders (100,000
//       by default, every column filled) and times the whole upgrade (archives, template copy,
//       rows, putting the new file in place), beside the time SQLite alone takes for the same
//       row copy into a copy of the template. Goal: 100,000 orders in under 3 s.
//   bench_upgrade --make-folder DIR [orders]
//       Makes a data folder for trying the program on an upgrade: the template, the reference
//       database and an old-layout VornaW.mdb of that many orders (20,000 by default).

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <cstdio>

#include "orderlist/startup.h"
#include "orderlist/upgrade.h"
#include "benchdialogs.h"
#include "platform/db/connection.h"
#include "platform/db/sqlfunctions.h"
#include "platform/dialogs.h"
#include "platform/files/files.h"

using namespace vorna;

namespace {

bool copyBuilt(const QString& builtName, const QString& to) {
    QFile::remove(to);
    if (!QFile::copy(QStringLiteral(VORNA_BUILT_DATA_DIR "/") + builtName, to)) {
        std::fprintf(stderr, "no %s in %s\n", qPrintable(builtName), VORNA_BUILT_DATA_DIR);
        return false;
    }
    return QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}

// Orders with every column filled (dates within the last minutes of `count`), two templates and the settings row, in one transaction.
bool fillOldDatabase(const QString& path, int count) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK) return false;
    registerSqlFunctions(db);
    QStringList columns = Upgrade::OrdresColumns;
    columns.removeFirst();  // idOrdre: numbered by the engine
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i) marks << QStringLiteral("?");
    const QByteArray sql =
        QStringLiteral("INSERT INTO Ordres (%1) VALUES (%2)").arg(columns.join(u','), marks.join(u',')).toUtf8();
    sqlite3_stmt* st = nullptr;
    bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK &&
              sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK;
    const QDateTime now = QDateTime::currentDateTime();
    for (int i = 1; i <= count && ok; ++i) {
        const QByteArray created = now.addSecs(-60LL * (count - i)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
        for (int c = 0; c < columns.size(); ++c) {
            const QString& name = columns[c];
            QByteArray v;
            if (name == QLatin1String("montant")) v = QByteArray::number(i) + ".25";
            // One order a minute up to now, two in three generated: a start keeps them all.
            else if (name == QLatin1String("DateCreation")) v = created;
            else if (name == QLatin1String("dateGener")) v = i % 3 ? created : QByteArray();
            else if (name.startsWith(QLatin1String("dev"))) v = "EUR";
            else if (name.startsWith(QLatin1String("pays"))) v = "DE";
            else if (name == QLatin1String("typeOper") || name == QLatin1String("frais") || name == QLatin1String("avisBenefType") ||
                     name == QLatin1String("urgent") || name == QLatin1String("residentOY") || name == QLatin1String("genere"))
                v = QByteArray::number(i % 2);
            else if (name == QLatin1String("nbDeci")) v = "2";
            else v = (name.toUpper() + QStringLiteral(" %1").arg(i)).left(9).toUtf8();
            if (v.isNull()) sqlite3_bind_null(st, c + 1);
            else sqlite3_bind_text(st, c + 1, v.constData(), int(v.size()), SQLITE_TRANSIENT);
        }
        ok = sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    ok = ok && sqlite3_exec(db,
                            "INSERT INTO Modeles (idModele, refInterne, identBE1) VALUES ('MOD1', 'R1', 'B1'), ('MOD2', 'R2', 'B2');"
                            "INSERT INTO ParamRef (idUniq, radicalRef, reperGener) VALUES (1, 'RAD', '/tmp/');",
                            nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok) std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
    sqlite3_exec(db, ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return ok;
}

bool makeOldFolder(const QString& dir, int count) {
    QDir().mkpath(dir);
    return copyBuilt(dbfiles::Template, QDir(dir).filePath(dbfiles::Template)) &&
           copyBuilt(dbfiles::Reference, QDir(dir).filePath(dbfiles::Reference)) &&
           copyBuilt(QStringLiteral("VornaOld.mdb"), QDir(dir).filePath(dbfiles::Working)) &&
           fillOldDatabase(QDir(dir).filePath(dbfiles::Working), count);
}

double ms(const QElapsedTimer& t) { return double(t.nsecsElapsed()) / 1e6; }

QString sqlColumns(const QStringList& columns) { return columns.join(QStringLiteral(", ")); }

// SQLite alone: the rows of the old file into a copy of the template, one statement a table.
double sqliteAlone(const QString& dir) {
    const QString target = QDir(dir).filePath(QStringLiteral("floor.mdb"));
    copyBuilt(dbfiles::Template, target);
    QElapsedTimer t;
    t.start();
    sqlite3* db = nullptr;
    sqlite3_open(target.toUtf8().constData(), &db);
    // The text columns sort with the program's collation.
    registerSqlFunctions(db);
    const QString old = QDir(dir).filePath(dbfiles::Working);
    const QString sql =
        QStringLiteral("ATTACH DATABASE '%1' AS old; BEGIN;"
                       "INSERT INTO Ordres (%2) SELECT %2 FROM old.Ordres;"
                       "INSERT INTO Modeles (%3) SELECT %3 FROM old.Modeles;"
                       "INSERT INTO ParamRef (%4, BICZUL, version) SELECT %4, '', '2015-01' FROM old.ParamRef;"
                       "COMMIT; DETACH DATABASE old;")
            .arg(old, sqlColumns(Upgrade::OrdresColumns), sqlColumns(Upgrade::ModelesColumns),
                 sqlColumns(Upgrade::ParamRefColumns));
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "floor: %s\n", error);
        sqlite3_free(error);
    }
    sqlite3_close(db);
    return ms(t);
}

int orderCount(const QString& path) {
    auto c = openConnection(jetConnectionString(path));
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(c->handle(), "SELECT count(*) FROM Ordres", -1, &st, nullptr);
    const int n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : -1;
    sqlite3_finalize(st);
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bench::PrintedDialogs dialogs(MsgAnswer::OK);
    Dialogs::install(&dialogs);
    QStringList args = app.arguments().mid(1);
    if (!args.isEmpty() && args.first() == QLatin1String("--make-folder")) {
        if (args.size() < 2) {
            std::fprintf(stderr, "bench_upgrade --make-folder DIR [orders]\n");
            return 2;
        }
        const int count = args.size() > 2 ? args[2].toInt() : 20000;
        if (!makeOldFolder(args[1], count)) return 1;
        std::printf("%s: old-layout VornaW.mdb of %d orders\n", qPrintable(args[1]), count);
        return 0;
    }
    const int count = args.isEmpty() ? 100000 : args.first().toInt();

    QTemporaryDir tmp;
    const QString dir = tmp.path();
    if (!makeOldFolder(dir, count)) return 1;
    std::printf("old working database: %d orders, %.1f MiB\n", count,
                double(QFileInfo(QDir(dir).filePath(dbfiles::Working)).size()) / (1024.0 * 1024.0));

    const double floor = sqliteAlone(dir);
    // The old version's traces are looked for in an empty prefix.
    files::setWindowsPrefix(dir + QStringLiteral("/prefix"));
    QElapsedTimer t;
    t.start();
    qint64 steps = 0;
    const bool ok = Upgrade(dir, [&steps](qint64, qint64) { ++steps; }).run();
    const double upgrade = ms(t);
    if (!ok) return 1;
    const int copied = orderCount(QDir(dir).filePath(dbfiles::Working));
    std::printf("upgrade of %d orders: %.0f ms (goal: under 3000 ms), %lld progress steps; floor (SQLite alone, "
                "the same row copy): %.0f ms\n",
                count, upgrade, steps, floor);
    if (copied != count) {
        std::fprintf(stderr, "%d orders in the new database instead of %d\n", copied, count);
        return 1;
    }
    return 0;
}
