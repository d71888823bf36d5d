#include "platform/db/sqlfunctions.h"

#include <QCollator>
#include <QLocale>
#include <QVarLengthArray>
#include <sqlite3.h>

#include <cmath>
#include <vector>

#include "platform/clock.h"
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

// ---- date patterns -------------------------------------------------------------------------

struct DatePart {
    enum Kind : quint8 { Literal, Day, Month, Year, Hour, Minute, Second } kind;
    quint8 width;      // 1 or 2 (4 for the long year)
    QByteArray text;   // literal bytes (UTF-8)
};
using DatePattern = std::vector<DatePart>;

DatePattern compilePattern(const char* p, int n) {
    DatePattern out;
    int i = 0;
    while (i < n) {
        const char c = char(p[i] | 0x20);  // letter case does not count
        const bool letter = (p[i] & 0x80) == 0 && ((p[i] >= 'a' && p[i] <= 'z') || (p[i] >= 'A' && p[i] <= 'Z'));
        if (letter && (c == 'd' || c == 'm' || c == 'y' || c == 'h' || c == 'n' || c == 's')) {
            int j = i;
            while (j < n && char(p[j] | 0x20) == c && ((p[j] >= 'a' && p[j] <= 'z') || (p[j] >= 'A' && p[j] <= 'Z'))) ++j;
            const int run = j - i;
            DatePart part{DatePart::Literal, quint8(run >= 2 ? 2 : 1), {}};
            switch (c) {
            case 'd': part.kind = DatePart::Day; break;
            case 'm': part.kind = DatePart::Month; break;
            case 'y': part.kind = DatePart::Year; part.width = run >= 3 ? 4 : 2; break;
            case 'h': part.kind = DatePart::Hour; break;
            case 'n': part.kind = DatePart::Minute; break;
            default: part.kind = DatePart::Second; break;
            }
            out.push_back(std::move(part));
            i = j;
        } else {
            if (out.empty() || out.back().kind != DatePart::Literal) out.push_back({DatePart::Literal, 0, {}});
            out.back().text.append(p[i]);
            ++i;
        }
    }
    // "m" right after an hour (literals between) or right before seconds means minutes.
    int lastField = -1;
    for (int k = 0; k < int(out.size()); ++k) {
        if (out[k].kind == DatePart::Literal) continue;
        if (out[k].kind == DatePart::Month) {
            bool minutes = lastField >= 0 && out[lastField].kind == DatePart::Hour;
            for (int m = k + 1; !minutes && m < int(out.size()); ++m) {
                if (out[m].kind == DatePart::Literal) continue;
                minutes = out[m].kind == DatePart::Second;
                break;
            }
            if (minutes) out[k].kind = DatePart::Minute;
        }
        lastField = k;
    }
    return out;
}

struct DateFields {
    int year, month, day, hour, minute, second;
};

using DateText = QVarLengthArray<char, 64>;

void appendNumber(DateText& out, int v, int width) {
    char buf[12];
    int len = 0;
    unsigned u = unsigned(v < 0 ? -v : v);
    do {
        buf[len++] = char('0' + u % 10);
        u /= 10;
    } while (u);
    while (len < width) buf[len++] = '0';
    if (v < 0) out.append('-');
    while (len) out.append(buf[--len]);
}

DateText applyPattern(const DatePattern& pattern, const DateFields& f) {
    DateText out;
    for (const DatePart& part : pattern) {
        switch (part.kind) {
        case DatePart::Literal: out.append(part.text.constData(), part.text.size()); break;
        case DatePart::Day: appendNumber(out, f.day, part.width); break;
        case DatePart::Month: appendNumber(out, f.month, part.width); break;
        case DatePart::Year: appendNumber(out, part.width == 4 ? f.year : f.year % 100, part.width); break;
        case DatePart::Hour: appendNumber(out, f.hour, part.width); break;
        case DatePart::Minute: appendNumber(out, f.minute, part.width); break;
        case DatePart::Second: appendNumber(out, f.second, part.width); break;
        }
    }
    return out;
}

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
    DatePattern local;
    if (!pattern) {
        local = compilePattern(reinterpret_cast<const char*>(sqlite3_value_text(argv[1])), sqlite3_value_bytes(argv[1]));
        sqlite3_set_auxdata(ctx, 1, new DatePattern(local), deletePattern);
        pattern = &local;
    }
    DateFields f;
    const unsigned char* v = sqlite3_value_text(argv[0]);
    if (!readDate(v, sqlite3_value_bytes(argv[0]), f)) {
        sqlite3_result_value(ctx, argv[0]);
        return;
    }
    const DateText out = applyPattern(*pattern, f);
    sqlite3_result_text(ctx, out.constData(), int(out.size()), SQLITE_TRANSIENT);
}

void sqlNow(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    QDateTime t = Clock::now();
    if (argc == 1 && sqlite3_value_type(argv[0]) != SQLITE_NULL) {
        const double days = sqlite3_value_double(argv[0]);
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
    rc = sqlite3_create_function_v2(db, "jet_now", 0, SQLITE_UTF8, nullptr, sqlNow, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return rc;
    return sqlite3_create_function_v2(db, "jet_now", 1, SQLITE_UTF8, nullptr, sqlNow, nullptr, nullptr, nullptr);
}

int compareText(QStringView a, QStringView b) {
    const int r = collator().compare(a, b);
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

QString formatDateTime(const QDateTime& t, QStringView pattern) {
    if (!t.isValid()) return QString();
    const QByteArray p = pattern.toUtf8();
    const DateFields f{t.date().year(), t.date().month(), t.date().day(), t.time().hour(), t.time().minute(), t.time().second()};
    const DateText out = applyPattern(compilePattern(p.constData(), int(p.size())), f);
    return QString::fromUtf8(out.constData(), out.size());
}

}  // namespace vorna
