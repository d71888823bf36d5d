#include "platform/db/sqlfunctions.h"

#include <QCollator>
#include <QLocale>
#include <QVarLengthArray>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "platform/text/datepattern.h"
#include "platform/value.h"

namespace vorna {

namespace {

const QCollator& collator() {
    static const QCollator c = [] {
        QCollator col(QLocale(QLocale::French, QLocale::France));
        col.setCaseSensitivity(Qt::CaseInsensitive);
        col.setNumericMode(false);
        col.setIgnorePunctuation(false);
        return col;
    }();
    return c;
}

int collate(void*, int n1, const void* p1, int n2, const void* p2) {
    const int r = collator().compare(QStringView(static_cast<const char16_t*>(p1), n1 / 2),
                                     QStringView(static_cast<const char16_t*>(p2), n2 / 2));
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

using DateFields = DatePattern::Fields;

bool digits(const unsigned char* p, int n, int& v) {
    v = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9') return false;
        v = v * 10 + (p[i] - '0');
    }
    return true;
}

// The stored form "YYYY-MM-DD[ HH:MM[:SS]]" read without building a QDateTime; other forms
// through the common parser.
bool readDate(const unsigned char* p, int n, DateFields& f) {
    f = {0, 0, 0, 0, 0, 0};
    if ((n == 10 || n == 16 || n == 19) && p[4] == '-' && p[7] == '-' && digits(p, 4, f.year) && digits(p + 5, 2, f.month) &&
        digits(p + 8, 2, f.day)) {
        if (n == 10) return true;
        if ((p[10] == ' ' || p[10] == 'T') && p[13] == ':' && digits(p + 11, 2, f.hour) && digits(p + 14, 2, f.minute)) {
            if (n == 16) return true;
            return p[16] == ':' && digits(p + 17, 2, f.second);
        }
        return false;
    }
    const QDateTime t = parseDateTime(QString::fromUtf8(reinterpret_cast<const char*>(p), n));
    if (!t.isValid()) return false;
    f = {t.date().year(), t.date().month(), t.date().day(), t.time().hour(), t.time().minute(), t.time().second()};
    return true;
}

void deletePattern(void* p) { delete static_cast<DatePattern*>(p); }

void sqlFormat(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    if (sqlite3_value_type(argv[0]) != SQLITE_TEXT || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    // The pattern is the same on every row: compiled once per statement.
    const auto* pattern = static_cast<const DatePattern*>(sqlite3_get_auxdata(ctx, 1));
    std::optional<DatePattern> local;
    if (!pattern) {
        local.emplace(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[1])), sqlite3_value_bytes(argv[1])));
        sqlite3_set_auxdata(ctx, 1, new DatePattern(*local), deletePattern);
        pattern = &*local;
    }
    DateFields f;
    const unsigned char* v = sqlite3_value_text(argv[0]);
    if (!readDate(v, sqlite3_value_bytes(argv[0]), f)) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    QVarLengthArray<char, 128> out(pattern->maxLength());
    sqlite3_result_text(ctx, out.data(), pattern->write(f, out.data()), SQLITE_TRANSIENT);
}

void sqlNow(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    // The old engine counted dates in days on the local calendar: a day is a step of the date,
    // the clock time stays, across a change of summer time too. The arithmetic is therefore
    // done on the wall-clock reading, in a zone without changes.
    const QDateTime now = Clock::now();
    QDateTime t(now.date(), now.time(), Qt::UTC);
    if (argc == 1 && sqlite3_value_type(argv[0]) != SQLITE_NULL) {
        const double days = sqlite3_value_double(argv[0]);
        if (!std::isfinite(days) || std::fabs(days) > 3.0e6) {
            sqlite3_result_null(ctx);
            return;
        }
        t = t.addSecs(qint64(std::llround(days * 86400.0)));
    }
    const QByteArray out = storedDateTime(t).toLatin1();
    sqlite3_result_text(ctx, out.constData(), int(out.size()), SQLITE_TRANSIENT);
}

}  // namespace

int registerSqlFunctions(sqlite3* db) {
    int rc = sqlite3_create_collation_v2(db, kTextCollation, SQLITE_UTF16_ALIGNED, nullptr, collate, nullptr);
    if (rc != SQLITE_OK) return rc;
    rc = sqlite3_create_function_v2(db, "format", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sqlFormat, nullptr,
                                    nullptr, nullptr);
    if (rc != SQLITE_OK) return rc;
    // "now" is read once per run of a statement, as the old engine did: marked deterministic,
    // SQLite computes it once instead of on every row it compares.
    rc = sqlite3_create_function_v2(db, "jet_now", 0, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sqlNow, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return rc;
    return sqlite3_create_function_v2(db, "jet_now", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, sqlNow, nullptr, nullptr, nullptr);
}

int compareText(QStringView a, QStringView b) {
    const int r = collator().compare(a, b);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

}  // namespace vorna
