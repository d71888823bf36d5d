#include "common/tempstartfolder.h"

#include <QDir>
#include <QFile>
#include <sqlite3.h>

#include <stdexcept>

#include "platform/clock.h"

namespace vorna::test {

namespace {

void copyReplacing(const QString& from, const QString& to) {
    QFile::remove(to);
    if (!QFile::copy(from, to)) throw std::runtime_error(("cannot copy " + from + " to " + to).toStdString());
    // A copy keeps the source's permissions; tests change them on purpose only.
    QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
}

TempStartFolder::Fields defaultOrder() {
    return {{"typeOper", 0},
            {"devPaiement", "EUR"},
            {"devOrdre", "EUR"},
            {"montant", Decimal(10000, 2)},
            {"urgent", false},
            {"refInterne", "REF"},
            {"dateCreation", Clock::now()},
            {"identBE1", "BENEFICIAIRE"},
            {"motif1", "FACTURE"},
            {"frais", 0},
            {"avisBenefType", 0},
            {"residentOY", true},
            {"nbDeci", 2}};
}

}  // namespace

TempStartFolder::TempStartFolder() {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
    copyBuiltDatabase(QStringLiteral("Vorna.mdb"), QStringLiteral("Vorna.mdb"));
    copyBuiltDatabase(QStringLiteral("ParVorna.mdb"), QStringLiteral("ParVorna.mdb"));
}

TempStartFolder::~TempStartFolder() {
    if (!previousCurrent_.isEmpty()) QDir::setCurrent(previousCurrent_);
}

QString TempStartFolder::path() const { return dir_.path(); }

QString TempStartFolder::filePath(const QString& name) const { return dir_.filePath(name); }

QString TempStartFolder::connectionString(const QString& name) const { return jetConnectionString(filePath(name)); }

void TempStartFolder::enter() {
    if (previousCurrent_.isEmpty()) previousCurrent_ = QDir::currentPath();
    QDir::setCurrent(path());
}

QString TempStartFolder::copyBuiltDatabase(const QString& builtName, const QString& name) {
    copyReplacing(QStringLiteral(VORNA_BUILT_DATA_DIR "/") + builtName, filePath(name));
    return filePath(name);
}

QString TempStartFolder::createWorkingDatabase() {
    copyReplacing(filePath(QStringLiteral("Vorna.mdb")), filePath(QStringLiteral("VornaW.mdb")));
    return filePath(QStringLiteral("VornaW.mdb"));
}

QString TempStartFolder::createOldWorkingDatabase() {
    return copyBuiltDatabase(QStringLiteral("VornaOld.mdb"), QStringLiteral("VornaW.mdb"));
}

ConnectionPtr TempStartFolder::openWorking() const { return openConnection(connectionString(QStringLiteral("VornaW.mdb"))); }

ConnectionPtr TempStartFolder::openReference() const {
    return openConnection(connectionString(QStringLiteral("ParVorna.mdb")));
}

qint64 TempStartFolder::insertOrder(const ConnectionPtr& c, const Fields& fields) {
    Fields all = defaultOrder();
    for (const auto& [name, value] : fields) {
        bool replaced = false;
        for (auto& f : all)
            if (f.first.compare(name, Qt::CaseInsensitive) == 0) {
                f.second = value;
                replaced = true;
            }
        if (!replaced) all.append({name, value});
    }
    QStringList names, marks;
    QList<Value> values;
    for (const auto& [name, value] : all) {
        names << name;
        marks << QStringLiteral("?");
        values << value;
    }
    c->execute(QStringLiteral("INSERT INTO Ordres (%1) VALUES (%2)").arg(names.join(u','), marks.join(u',')), values);
    return sqlite3_last_insert_rowid(c->handle());
}

void TempStartFolder::insertOrders(const ConnectionPtr& c, int count) {
    sqlite3* db = c->handle();
    sqlite3_stmt* st = nullptr;
    const char* sql =
        "INSERT INTO Ordres (typeOper, devPaiement, devOrdre, montant, urgent, refInterne, dateCreation, identBE1, motif1,"
        " frais, avisBenefType, residentOY, nbDeci, genere, dateGener) VALUES (0, 'EUR', ?, ?, ?, ?, ?, ?, 'FACTURE', 0, 0, 1,"
        " 2, ?, ?)";
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) throw std::runtime_error(sqlite3_errmsg(db));
    const QDateTime base = Clock::now();
    for (int i = 1; i <= count; ++i) {
        const QByteArray ref = "REF" + QByteArray::number(i);
        const QByteArray created = storedDateTime(base.addSecs(-60 * qint64(count - i))).toLatin1();
        const QByteArray benef = "BENEFICIAIRE " + QByteArray::number(i % 997);
        const bool generated = i % 10 == 0;
        sqlite3_bind_text(st, 1, i % 3 ? "EUR" : "USD", -1, SQLITE_STATIC);
        sqlite3_bind_double(st, 2, i * 1.25);
        sqlite3_bind_int(st, 3, i % 7 == 0);
        sqlite3_bind_text(st, 4, ref.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 5, created.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 6, benef.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(st, 7, generated);
        if (generated) sqlite3_bind_text(st, 8, created.constData(), -1, SQLITE_TRANSIENT);
        else sqlite3_bind_null(st, 8);
        if (sqlite3_step(st) != SQLITE_DONE) {
            sqlite3_finalize(st);
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw std::runtime_error(sqlite3_errmsg(db));
        }
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

}  // namespace vorna::test
