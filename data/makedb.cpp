// Builds the shipped databases from the SQL and CSV texts of this folder:
//   Vorna.mdb     the empty template (vorna.sql)
//   ParVorna.mdb  the reference tables (parvorna.sql, filled from the CSV files)
//   VornaOld.mdb  a working database of the previous layout (old_layout.sql), for the tests
// Usage: makedb <output folder> <data folder>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <sqlite3.h>

#include <cstdio>
#include <stdexcept>

#include "platform/db/sqlfunctions.h"

namespace {

struct Load {
    const char* csv;
    const char* table;
    bool decimals;  // the currency table's nbDecimale
    int codeLength;
};

const Load kLoads[] = {
    {"pays.csv", "Pays", false, 2},
    {"pays_eee.csv", "PaysEEE", false, 2},
    {"devises.csv", "Devises", true, 3},
    {"codes_econo.csv", "CodesEcono", false, 3},
};

[[noreturn]] void fail(const QString& what) { throw std::runtime_error(what.toStdString()); }

void check(sqlite3* db, int rc, const QString& what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE) fail(what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db)));
}

QString readText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) fail(QStringLiteral("cannot read ") + path);
    return QString::fromUtf8(f.readAll());
}

void loadCsv(sqlite3* db, const QString& path, const Load& load) {
    const QStringList lines = readText(path).split(u'\n');
    if (lines.isEmpty()) fail(path + QStringLiteral(": empty"));
    const QStringList header = lines.first().trimmed().split(u';');
    const int code = int(header.indexOf(QStringLiteral("Code")));
    const int description = int(header.indexOf(QStringLiteral("description_fr")));
    const int decimals = int(header.indexOf(QStringLiteral("nbDecimale")));
    if (code < 0 || description < 0 || (load.decimals && decimals < 0)) fail(path + QStringLiteral(": missing columns"));
    const QByteArray sql = QByteArray("INSERT INTO ") + load.table +
                           (load.decimals ? " (Code, Description, nbDecimale) VALUES (?, ?, ?)" : " (Code, Description) VALUES (?, ?)");
    sqlite3_stmt* st = nullptr;
    check(db, sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr), path);
    for (int i = 1; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty()) continue;
        const QStringList cells = line.split(u';');
        if (cells.size() != header.size()) fail(QStringLiteral("%1 line %2: %3 cells").arg(path).arg(i + 1).arg(cells.size()));
        if (cells[code].size() != load.codeLength) fail(QStringLiteral("%1 line %2: code length").arg(path).arg(i + 1));
        const QByteArray c = cells[code].toUtf8(), d = cells[description].toUtf8();
        sqlite3_bind_text(st, 1, c.constData(), int(c.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, d.constData(), int(d.size()), SQLITE_TRANSIENT);
        if (load.decimals) {
            bool ok = false;
            const int n = cells[decimals].toInt(&ok);
            if (!ok) fail(QStringLiteral("%1 line %2: nbDecimale").arg(path).arg(i + 1));
            sqlite3_bind_int(st, 3, n);
        }
        const int rc = sqlite3_step(st);
        if (rc != SQLITE_DONE) {
            const QString msg = QString::fromUtf8(sqlite3_errmsg(db));
            sqlite3_finalize(st);
            fail(QStringLiteral("%1 line %2: %3").arg(path).arg(i + 1).arg(msg));
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
}

void build(const QString& target, const QStringList& scripts, const QString& dataDir, bool withReference) {
    const QString temp = target + QStringLiteral(".tmp");
    QFile::remove(temp);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(temp.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        fail(QStringLiteral("cannot create ") + temp);
    }
    try {
        check(db, vorna::registerSqlFunctions(db), QStringLiteral("functions"));
        check(db, sqlite3_exec(db, "PRAGMA journal_mode=DELETE; BEGIN", nullptr, nullptr, nullptr), target);
        for (const QString& script : scripts)
            check(db, sqlite3_exec(db, readText(script).toUtf8().constData(), nullptr, nullptr, nullptr), script);
        if (withReference)
            for (const Load& load : kLoads) loadCsv(db, dataDir + u'/' + QLatin1String(load.csv), load);
        check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), target);
    } catch (...) {
        sqlite3_close(db);
        QFile::remove(temp);
        throw;
    }
    sqlite3_close(db);
    QFile::remove(target);
    if (!QFile::rename(temp, target)) fail(QStringLiteral("cannot write ") + target);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: makedb <output folder> <data folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString data = QString::fromLocal8Bit(argv[2]);
    try {
        QDir().mkpath(out);
        const QString working = data + QStringLiteral("/vorna.sql");
        build(out + QStringLiteral("/Vorna.mdb"), {working}, data, false);
        build(out + QStringLiteral("/ParVorna.mdb"), {data + QStringLiteral("/parvorna.sql")}, data, true);
        // The previous layout: the current tables, less the settings columns added since.
        build(out + QStringLiteral("/VornaOld.mdb"), {working, data + QStringLiteral("/old_layout.sql")}, data, false);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "makedb: %s\n", e.what());
        return 1;
    }
    return 0;
}
