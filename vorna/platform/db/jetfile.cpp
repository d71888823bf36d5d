#include "platform/db/jetfile.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QtEndian>
#include <mdbtools.h>
#include <sqlite3.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/db/sqlfunctions.h"
#include "platform/db/sqlvalues.h"
#include "platform/vberror.h"

namespace vorna {

namespace {

const QString kSource = QStringLiteral("Vorna.db");

// The header: four bytes, then the engine's name, then the version byte.
constexpr int kMagicOffset = 4;
constexpr char kJetMagic[] = "Standard Jet DB";
constexpr char kAceMagic[] = "Standard ACE DB";
constexpr int kVersionOffset = 0x14;

// A memo or OLE value starts with 12 bytes: its length and where the rest lies.
constexpr int kLongValueHeader = 12;
// UTF-8 takes at most three bytes for each byte of a Jet text (one UCS-2 unit gives at most
// three); a text is never cut short.
int textBuffer(qsizetype bytes) { return int(bytes) * 3 + 16; }

VbError unreadable(const QString& path, const QString& reason) {
    return VbError(err::UnrecognizedDatabase, kSource,
                   QStringLiteral("Le fichier de données '%1' (base Access d'une version précédente) ne peut pas être lu : %2.").arg(path, reason));
}

QString damaged() { return QStringLiteral("il est endommagé"); }

JetFile::Converter& childConverter() {
    static JetFile::Converter converter;
    return converter;
}

// The child's start, before anything else: it lets go of every file the program holds open
// (the single-instance lock first: a child that outlives the program would keep every later
// start out) but its end of the pipe, and it dies with the program, however that ends. Answers
// the pipe's end, moved above the standard streams that the child sends to /dev/null.
int detachChild(int keep, pid_t parent) {
    if (keep <= STDERR_FILENO) keep = ::fcntl(keep, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (keep < 0) ::_exit(1);
    if (keep > 3) ::close_range(3, unsigned(keep) - 1, 0);
    ::close_range(unsigned(keep) + 1, ~0U, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The program may have ended before the line above: nobody waits for this child then.
    if (::getppid() != parent) ::_exit(1);
    return keep;
}

// How long the parent waits on the pipe before it looks at the user's window again.
constexpr int kWaitingSliceMs = 50;

struct MdbCloser {
    void operator()(MdbHandle* m) const { mdb_close(m); }
};
struct TableFreer {
    void operator()(MdbTableDef* t) const { mdb_free_tabledef(t); }
};

// The Jet date: days since 30 December 1899, the fraction the time of day (also for days before,
// whose fraction counts forward from midnight). Rounded to the second.
QDateTime jetDate(double value) {
    static const qint64 kEpoch = QDate(1899, 12, 30).toJulianDay();
    double days = std::trunc(value);
    qint64 seconds = std::llround(std::fabs(value - days) * 86400.0);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += value < 0 ? -1 : 1;
    }
    return QDateTime(QDate::fromJulianDay(kEpoch + qint64(days)), QTime(0, 0).addSecs(int(seconds)));
}

// The shortest decimal that reads back as the single: 1.1 stays 1.1 and not 1.10000002384.
double widenSingle(float f) {
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, f);
    *r.ptr = '\0';
    return std::strtod(text, nullptr);
}

// An amount without the zeros its four decimals end with: 3.5000 is kept as 3.5.
Decimal trimmed(Decimal d) {
    qint64 units = d.units();
    int scale = d.scale();
    while (scale > 0 && units % 10 == 0) {
        units /= 10;
        --scale;
    }
    return Decimal(units, scale);
}

template <typename T>
T little(const unsigned char* p) {
    return qFromLittleEndian<T>(p);
}

QString quoted(const QString& name) { return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"'; }

struct Column {
    MdbColumn* mdb;
    QString name;
    int type;
};

bool isNumeric(int type) {
    switch (type) {
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_MONEY:
    case MDB_FLOAT:
    case MDB_DOUBLE:
    case MDB_NUMERIC:
    case MDB_COMPLEX: return true;
    default: return false;
    }
}

// The declared type our connection reads back as the right kind of value.
QString declaredType(const MdbColumn* col, bool jet4) {
    switch (col->col_type) {
    case MDB_BOOL: return QStringLiteral("BOOLEAN");
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX: return QStringLiteral("INTEGER");
    case MDB_MONEY: return QStringLiteral("CURRENCY");
    case MDB_FLOAT: return QStringLiteral("SINGLE");
    case MDB_DOUBLE: return QStringLiteral("DOUBLE");
    case MDB_DATETIME: return QStringLiteral("DATETIME");
    case MDB_NUMERIC: return QStringLiteral("DECIMAL(%1,%2)").arg(col->col_prec).arg(col->col_scale);
    case MDB_TEXT: {
        // Jet 4 sizes a text in bytes of UCS-2.
        const int length = jet4 ? col->col_size / 2 : col->col_size;
        return QStringLiteral("TEXT(%1) COLLATE VORNA").arg(std::max(length, 1));
    }
    case MDB_MEMO: return QStringLiteral("MEMO COLLATE VORNA");
    case MDB_REPID: return QStringLiteral("TEXT(38)");
    default: return QStringLiteral("BLOB");  // binary, OLE object
    }
}

// The column's default when it is a plain value (an expression such as Now() is not kept). A
// Boolean is never Null in Jet: without a default it is false.
QString defaultClause(const MdbColumn* col) {
    QString text = QString::fromUtf8(mdb_col_get_prop(col, "DefaultValue")).trimmed();
    if (text.startsWith(u'=')) text = text.mid(1).trimmed();
    if (col->col_type == MDB_BOOL) {
        static const QStringList kTrue = {QStringLiteral("true"), QStringLiteral("yes"), QStringLiteral("-1"),
                                          QStringLiteral("on"), QStringLiteral("vrai"), QStringLiteral("oui")};
        return kTrue.contains(text, Qt::CaseInsensitive) ? QStringLiteral(" DEFAULT 1") : QStringLiteral(" DEFAULT 0");
    }
    if (text.isEmpty()) return QString();
    if (isNumeric(col->col_type)) {
        bool ok = false;
        text.toDouble(&ok);
        return ok ? QStringLiteral(" DEFAULT ") + text : QString();
    }
    if ((col->col_type == MDB_TEXT || col->col_type == MDB_MEMO) && text.size() >= 2 && text.startsWith(u'"') &&
        text.endsWith(u'"')) {
        const QString inner = text.mid(1, text.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
        return QStringLiteral(" DEFAULT '") + QString(inner).replace(u'\'', QStringLiteral("''")) + u'\'';
    }
    return QString();
}

// The columns of the table's primary key, in key order (1-based column numbers).
std::vector<int> primaryKey(MdbTableDef* table) {
    std::vector<int> key;
    if (!table->indices) return key;
    for (guint i = 0; i < table->indices->len; ++i) {
        const auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(table->indices, i));
        if (idx->index_type != 1) continue;
        for (unsigned k = 0; k < idx->num_keys && k < MDB_MAX_IDX_COLS; ++k) key.push_back(idx->key_col_num[k]);
        break;
    }
    return key;
}

QString createStatement(MdbTableDef* table, const std::vector<Column>& columns, bool jet4) {
    const std::vector<int> key = primaryKey(table);
    QStringList parts;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Column& c = columns[i];
        QString part = quoted(c.name) + u' ';
        const bool soleKey = key.size() == 1 && key.front() == int(i) + 1;
        if (soleKey && c.type == MDB_LONGINT && c.mdb->is_long_auto) {
            // New rows are numbered by the database and never take a number twice.
            part += QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
        } else {
            part += declaredType(c.mdb, jet4) + defaultClause(c.mdb);
            if (soleKey) part += QStringLiteral(" NOT NULL PRIMARY KEY");
        }
        parts << part;
    }
    if (key.size() > 1) {
        QStringList names;
        for (int k : key)
            if (k >= 1 && k <= int(columns.size())) names << quoted(columns[std::size_t(k) - 1].name);
        parts << QStringLiteral("PRIMARY KEY (") + names.join(QStringLiteral(", ")) + u')';
    }
    return QStringLiteral("CREATE TABLE ") + quoted(QString::fromUtf8(table->name)) + QStringLiteral(" (\n    ") +
           parts.join(QStringLiteral(",\n    ")) + QStringLiteral("\n)");
}

// The target database, written in one transaction; removed unless finished.
class Target {
public:
    explicit Target(QString path) : path_(std::move(path)) {
        if (QFileInfo::exists(path_))
            throw VbError(err::DatabaseError, kSource, QStringLiteral("Le fichier '%1' existe déjà.").arg(path_));
        try {
            const int rc = sqlite3_open_v2(path_.toUtf8().constData(), &db_,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
            if (rc != SQLITE_OK) fail(rc);
            sqlite3_extended_result_codes(db_, 1);
            check(registerSqlFunctions(db_));
            // The file is not in use before it is complete: it needs no journal; it is synced at the end.
            exec("PRAGMA journal_mode=OFF");
            exec("PRAGMA synchronous=OFF");
            // Gives the file its header at once, even when no table follows.
            exec("PRAGMA user_version=0");
            exec("BEGIN");
        } catch (...) {
            sqlite3_close_v2(db_);
            QFile::remove(path_);
            throw;
        }
    }
    ~Target() {
        sqlite3_close_v2(db_);
        if (!finished_) QFile::remove(path_);
    }
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

    sqlite3* db() const { return db_; }

    void exec(const QByteArray& sql) { check(sqlite3_exec(db_, sql.constData(), nullptr, nullptr, nullptr)); }

    void check(int rc) {
        if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) fail(rc);
    }

    [[noreturn]] void fail(int rc) {
        const QString detail = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(rc));
        const long number = (rc & 0xff) == SQLITE_CANTOPEN || (rc & 0xff) == SQLITE_IOERR || (rc & 0xff) == SQLITE_PERM ||
                                    (rc & 0xff) == SQLITE_READONLY
                                ? err::AccessDenied
                                : err::DatabaseError;
        throw VbError(number, kSource, QStringLiteral("Impossible d'écrire le fichier '%1' : %2").arg(path_, detail));
    }

    // Commits, closes and puts the file's content on the disk.
    void finish() {
        exec("COMMIT");
        const int rc = sqlite3_close_v2(db_);
        db_ = nullptr;
        if (rc != SQLITE_OK) fail(rc);
        const int fd = ::open(path_.toUtf8().constData(), O_RDONLY | O_CLOEXEC);
        const bool synced = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0) ::close(fd);
        if (!synced) fail(SQLITE_IOERR);
        finished_ = true;
    }

private:
    QString path_;
    sqlite3* db_ = nullptr;
    bool finished_ = false;
};

struct Statement {
    sqlite3_stmt* st = nullptr;
    ~Statement() { sqlite3_finalize(st); }
};

// Binds one field of the row just read (its bytes are in the handle's page buffer).
int bindField(MdbHandle* mdb, const Column& c, const MdbField& f, sqlite3_stmt* st, int index) {
    // A Boolean is kept in the row's null mask: set means true.
    if (c.type == MDB_BOOL) return sqlite3_bind_int(st, index, f.is_null ? 0 : 1);
    if (f.is_null) return sqlite3_bind_null(st, index);
    const unsigned char* p = mdb->pg_buf + f.start;
    auto text = [&](int type, qsizetype bytes) {
        mdb_set_bind_size(mdb, size_t(textBuffer(bytes)));
        char* s = mdb_col_to_string(mdb, mdb->pg_buf, f.start, type, f.siz);
        const int rc = sqlite3_bind_text(st, index, s ? s : "", -1, SQLITE_TRANSIENT);
        g_free(s);
        return rc;
    };
    switch (c.type) {
    case MDB_BYTE: return sqlite3_bind_int(st, index, p[0]);
    case MDB_INT: return sqlite3_bind_int(st, index, little<qint16>(p));
    case MDB_LONGINT:
    case MDB_COMPLEX: return sqlite3_bind_int(st, index, little<qint32>(p));
    case MDB_MONEY: return detail::bindValue(st, index, Value(trimmed(Decimal(little<qint64>(p), 4))));
    case MDB_FLOAT: return sqlite3_bind_double(st, index, widenSingle(little<float>(p)));
    case MDB_DOUBLE: return sqlite3_bind_double(st, index, little<double>(p));
    case MDB_DATETIME: return detail::bindValue(st, index, Value(jetDate(little<double>(p))));
    case MDB_TEXT: return text(MDB_TEXT, f.siz);
    case MDB_MEMO: {
        if (f.siz < kLongValueHeader) return sqlite3_bind_text(st, index, "", 0, SQLITE_STATIC);
        const qsizetype length = little<quint32>(p) & 0x3fffffff;
        return text(MDB_MEMO, std::max<qsizetype>(length, f.siz));
    }
    case MDB_NUMERIC: {
        char* s = mdb_numeric_to_string(mdb, f.start, c.mdb->col_scale, c.mdb->col_prec);
        const QString t = QString::fromUtf8(s);
        g_free(s);
        if (auto d = Decimal::parse(t)) return detail::bindValue(st, index, Value(*d));
        return detail::bindValue(st, index, Value(t));
    }
    case MDB_REPID: {
        char* s = mdb_uuid_to_string(mdb->pg_buf, f.start);
        const int rc = sqlite3_bind_text(st, index, s, -1, SQLITE_TRANSIENT);
        g_free(s);
        return rc;
    }
    case MDB_OLE: {
        // The column is bound: the fetch copied the value's header into its buffer.
        if (f.siz < kLongValueHeader) return sqlite3_bind_zeroblob(st, index, 0);
        size_t size = 0;
        void* data = mdb_ole_read_full(mdb, c.mdb, &size);
        const int rc = sqlite3_bind_blob64(st, index, data, size, SQLITE_TRANSIENT);
        free(data);
        return rc;
    }
    default: return sqlite3_bind_blob(st, index, p, f.siz, SQLITE_TRANSIENT);
    }
}

void copyTable(const QString& jetPath, MdbHandle* mdb, MdbCatalogEntry* entry, Target& target, bool jet4) {
    const QString tableName = QString::fromUtf8(entry->object_name);
    std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()))
        throw unreadable(jetPath, damaged() + QStringLiteral(" (table ") + tableName + u')');
    mdb_read_indices(table.get());
    const int count = int(table->num_cols);
    if (count <= 0) throw unreadable(jetPath, damaged() + QStringLiteral(" (table ") + tableName + u')');

    std::vector<Column> columns;
    columns.reserve(std::size_t(count));
    std::vector<std::vector<char>> oleBuffers;
    for (int i = 0; i < count; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        columns.push_back(Column{col, QString::fromUtf8(col->name), col->col_type});
        if (col->col_type == MDB_OLE) {
            // libmdb reads an OLE value through the column's buffer, in chunks of up to 1 MB.
            oleBuffers.emplace_back(std::size_t(MDB_BIND_SIZE) * 64 + kLongValueHeader);
            mdb_bind_column(table.get(), i + 1, oleBuffers.back().data(), nullptr);
        }
    }
    target.exec(createStatement(table.get(), columns, jet4).toUtf8());

    QStringList names, marks;
    for (const Column& c : columns) {
        names << quoted(c.name);
        marks << QStringLiteral("?");
    }
    const QByteArray insert = (QStringLiteral("INSERT INTO ") + quoted(tableName) + QStringLiteral(" (") +
                               names.join(u',') + QStringLiteral(") VALUES (") + marks.join(u',') + u')')
                                  .toUtf8();
    Statement st;
    target.check(sqlite3_prepare_v2(target.db(), insert.constData(), -1, &st.st, nullptr));

    std::vector<MdbField> fields(static_cast<std::size_t>(count));
    unsigned rows = 0;
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        // The row just read is still in the page buffer: its fields give Null apart from an
        // empty text, and the bytes of each value.
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size) != 0) throw unreadable(jetPath, damaged());
        if (mdb_crack_row(table.get(), start & 0x1fff, size, fields.data()) != count)
            throw unreadable(jetPath, damaged() + QStringLiteral(" (table ") + tableName + u')');
        for (const MdbField& f : fields) {
            if (f.colnum < 0 || f.colnum >= count) throw unreadable(jetPath, damaged());
            target.check(bindField(mdb, columns[std::size_t(f.colnum)], f, st.st, f.colnum + 1));
        }
        target.check(sqlite3_step(st.st));
        sqlite3_reset(st.st);
        ++rows;
    }
    // The table's definition counts its rows: a page that could not be read shows here.
    if (rows != table->num_rows)
        throw unreadable(jetPath, damaged() + QStringLiteral(" (table %1 : %2 lignes lues sur %3)")
                                                  .arg(tableName)
                                                  .arg(rows)
                                                  .arg(table->num_rows));
}

}  // namespace

JetFile::Format JetFile::detect(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return Format::NotJet;
    const QByteArray head = f.read(kVersionOffset + 1);
    if (head.size() <= kVersionOffset) return Format::NotJet;
    const QByteArray magic = head.mid(kMagicOffset, int(sizeof kJetMagic));
    const bool jet = magic == QByteArray(kJetMagic, sizeof kJetMagic);
    const bool ace = magic == QByteArray(kAceMagic, sizeof kAceMagic);
    if (!jet && !ace) return Format::NotJet;
    if (jet && head[kVersionOffset] == MDB_VER_JET3) return Format::Jet3;
    if (jet && head[kVersionOffset] == MDB_VER_JET4) return Format::Jet4;
    return Format::Unknown;
}

void JetFile::convert(const QString& jetPath, const QString& target) {
    const Format format = detect(jetPath);
    if (format == Format::NotJet) throw unreadable(jetPath, QStringLiteral("ce n'est pas une base de données Jet"));
    if (format == Format::Unknown) throw unreadable(jetPath, QStringLiteral("sa version n'est pas connue"));
    const bool jet4 = format == Format::Jet4;
    // Every page of a whole file is complete: a file cut short is damaged.
    const qint64 pageSize = jet4 ? 4096 : 2048;
    const qint64 size = QFileInfo(jetPath).size();
    if (size < 2 * pageSize || size % pageSize != 0) throw unreadable(jetPath, damaged());

    std::unique_ptr<MdbHandle, MdbCloser> mdb(mdb_open(jetPath.toUtf8().constData(), MDB_NOFLAGS));
    if (!mdb) throw unreadable(jetPath, damaged());
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) throw unreadable(jetPath, damaged());

    Target out(target);
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) continue;
        copyTable(jetPath, mdb.get(), entry, out, jet4);
    }
    out.finish();
}

int JetFile::timeLimitMs(qint64 bytes) {
    constexpr qint64 kFloorMs = 30 * 1000;
    constexpr qint64 kPerMegabyteMs = 5 * 1000;
    const qint64 ms = std::max(kFloorMs, bytes * kPerMegabyteMs / (1024 * 1024));
    return int(std::min<qint64>(ms, std::numeric_limits<int>::max()));
}

void JetFile::setChildConverter(Converter converter) { childConverter() = std::move(converter); }

void JetFile::convertIsolated(const QString& jetPath, const QString& target, int timeoutMs, const Waiting& waiting) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        convert(jetPath, target);
        return;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        convert(jetPath, target);
        return;
    }
    if (pid == 0) {
        // The child: the conversion, then its outcome (error number and description) on the pipe.
        const int out = detachChild(fds[1], parent);
        // libmdb writes its warnings on the standard streams, without end on some damaged files.
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
            if (null > STDERR_FILENO) ::close(null);
        }
        QByteArray report;
        try {
            if (childConverter()) childConverter()(jetPath, target);
            else convert(jetPath, target);
        } catch (const VbError& e) {
            report = QByteArray::number(qint64(e.number)) + '\n' + e.description.toUtf8();
        } catch (...) {
            report = QByteArray::number(qint64(err::DatabaseError)) + '\n';
        }
        for (qsizetype done = 0; done < report.size();) {
            const ssize_t n = ::write(out, report.constData() + done, size_t(report.size() - done));
            if (n <= 0) break;
            done += n;
        }
        ::_exit(0);  // no exit handler of the parent's runs here
    }
    ::close(fds[1]);
    QByteArray report;
    bool stopped = false;
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        const qint64 left = std::max<qint64>(0, deadline.remainingTime());
        const int r = ::poll(&p, 1, int(waiting ? std::min<qint64>(left, kWaitingSliceMs) : left));
        if (r < 0 && errno == EINTR) continue;
        // No end in sight, or the user does not want to wait for it.
        if ((r == 0 && (deadline.hasExpired() || (waiting && !waiting()))) || r < 0) {
            ::kill(pid, SIGKILL);
            stopped = true;
            break;
        }
        if (r == 0) continue;
        char buffer[4096];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the child has closed its end
        report.append(buffer, n);
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (stopped || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        QFile::remove(target);
        throw unreadable(jetPath, damaged() + (stopped ? QStringLiteral(" (sa lecture ne finit pas)")
                                                       : QStringLiteral(" (sa lecture a échoué)")));
    }
    if (report.isEmpty()) return;
    const qsizetype eol = report.indexOf('\n');
    throw VbError(report.left(eol).toLong(), kSource, QString::fromUtf8(report.mid(eol + 1)));
}

}  // namespace vorna
