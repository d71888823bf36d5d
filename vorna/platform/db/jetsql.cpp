#include "platform/db/jetsql.h"

#include <QDate>
#include <QList>
#include <QRegularExpression>
#include <QTime>

namespace vorna::jetsql {

namespace {

enum class Kind { Space, Word, Number, Text, Identifier, Raw, Punct };

struct Token {
    Kind kind;
    QString text;  // as it will be written out
    QString name;  // identifiers: the bare name
};

bool isWordStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isWordChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

QString quoted(const QString& s, QChar q) {
    QString out(q);
    for (QChar c : s) {
        if (c == q) out += q;
        out += c;
    }
    out += q;
    return out;
}

// "#12/08/2026 09:05#" (month first, any of / - . between the parts) → '2026-12-08 09:05:00'.
QString dateLiteral(const QString& inner) {
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{1,2})[/.\-](\d{1,2})[/.\-](\d{2,4})(?:\s+(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?\s*$)"));
    const auto m = re.match(inner);
    if (!m.hasMatch()) return QString();
    int year = m.captured(3).toInt();
    if (m.captured(3).size() <= 2) year += year < 30 ? 2000 : 1900;
    const QDate d(year, m.captured(1).toInt(), m.captured(2).toInt());
    const QTime t(m.captured(4).isEmpty() ? 0 : m.captured(4).toInt(), m.captured(5).isEmpty() ? 0 : m.captured(5).toInt(),
                  m.captured(6).isEmpty() ? 0 : m.captured(6).toInt());
    if (!d.isValid() || !t.isValid()) return QString();
    return QLatin1Char('\'') + d.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
           t.toString(QStringLiteral("HH:mm:ss")) + QLatin1Char('\'');
}

QList<Token> tokenize(const QString& s) {
    QList<Token> out;
    const int n = int(s.size());
    int i = 0;
    bool noMoreHash = false;
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            int j = i;
            while (j < n && s[j].isSpace()) ++j;
            out.append({Kind::Space, s.mid(i, j - i), {}});
            i = j;
        } else if (c == u'\'') {
            int j = i + 1;
            while (j < n) {
                if (s[j] == u'\'') {
                    if (j + 1 < n && s[j + 1] == u'\'') { j += 2; continue; }
                    break;
                }
                ++j;
            }
            out.append({Kind::Text, s.mid(i, qMin(j + 1, n) - i), {}});
            i = j + 1;
        } else if (c == u'"' || c == u'`' || c == u'[') {
            const QChar close = c == u'[' ? u']' : c;
            QString inner;
            int j = i + 1;
            while (j < n) {
                if (s[j] == close) {
                    if (close != u']' && j + 1 < n && s[j + 1] == close) { inner += close; j += 2; continue; }
                    break;
                }
                inner += s[j++];
            }
            i = j + 1;
            if (c == u'"') out.append({Kind::Text, quoted(inner, u'\''), {}});  // the old dialect's text literal
            else out.append({Kind::Identifier, quoted(inner, u'`'), inner});
        } else if (c == u'#') {
            // Once no closing '#' is left, every further one is plain punctuation.
            const int j = noMoreHash ? -1 : int(s.indexOf(u'#', i + 1));
            if (j < 0) noMoreHash = true;
            const QString lit = j < 0 ? QString() : dateLiteral(s.mid(i + 1, j - i - 1));
            if (lit.isEmpty()) {
                out.append({Kind::Punct, QString(c), {}});
                ++i;
            } else {
                out.append({Kind::Text, lit, {}});
                i = j + 1;
            }
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && s[i + 1].isDigit())) {
            int j = i;
            while (j < n && (s[j].isDigit() || s[j] == u'.')) ++j;
            if (j < n && (s[j] == u'e' || s[j] == u'E')) {
                int k = j + 1;
                if (k < n && (s[k] == u'+' || s[k] == u'-')) ++k;
                if (k < n && s[k].isDigit()) {
                    j = k;
                    while (j < n && s[j].isDigit()) ++j;
                }
            }
            out.append({Kind::Number, s.mid(i, j - i), {}});
            i = j;
        } else if (isWordStart(c)) {
            int j = i;
            while (j < n && isWordChar(s[j])) ++j;
            const QString w = s.mid(i, j - i);
            out.append({Kind::Word, w, w});
            i = j;
        } else {
            out.append({Kind::Punct, QString(c), {}});
            ++i;
        }
    }
    return out;
}

bool isWord(const Token& t, const char* w) { return t.kind == Kind::Word && t.text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0; }
bool isPunct(const Token& t, char p) { return t.kind == Kind::Punct && t.text.size() == 1 && t.text[0] == QLatin1Char(p); }

// Index of the next token that is not a blank, from `i` on; the list's size when none.
int nextSolid(const QList<Token>& t, int i) {
    while (i < t.size() && t[i].kind == Kind::Space) ++i;
    return int(t.size()) > i ? i : int(t.size());
}
int prevSolid(const QList<Token>& t, int i) {
    while (i >= 0 && t[i].kind == Kind::Space) --i;
    return i;
}

// Each pass below reads the tokens once and writes a new list: long statements (thousands of
// clauses) cost in proportion to their length.

void dropDeleteStar(QList<Token>& t) {
    QList<Token> out;
    out.reserve(t.size());
    for (int i = 0; i < t.size(); ++i) {
        out.append(t[i]);
        if (!isWord(t[i], "delete")) continue;
        const int star = nextSolid(t, i + 1);
        if (star >= t.size() || !isPunct(t[star], '*')) continue;
        const int from = nextSolid(t, star + 1);
        if (from >= t.size() || !isWord(t[from], "from")) continue;
        out.append({Kind::Space, QStringLiteral(" "), {}});
        i = from - 1;
    }
    t = std::move(out);
}

void foldNow(QList<Token>& t) {
    QList<Token> out;
    out.reserve(t.size());
    for (int i = 0; i < t.size(); ++i) {
        if (!isWord(t[i], "now")) {
            out.append(t[i]);
            continue;
        }
        const int before = prevSolid(t, i - 1);
        int end = i;  // last token taken into the call
        int next = nextSolid(t, i + 1);
        const bool named = (before >= 0 && (isPunct(t[before], '.') || isWord(t[before], "as"))) ||
                           (next < t.size() && isPunct(t[next], '.'));  // a qualified name, not the function
        if (!named && next < t.size() && isPunct(t[next], '(')) {
            const int close = nextSolid(t, next + 1);
            if (close >= t.size() || !isPunct(t[close], ')')) {
                out.append(t[i]);
                continue;
            }
            end = close;
            next = nextSolid(t, close + 1);
        }
        if (named) {
            out.append(t[i]);
            continue;
        }
        QString days = QStringLiteral("0");
        if (next < t.size() && (isPunct(t[next], '-') || isPunct(t[next], '+'))) {
            const int num = nextSolid(t, next + 1);
            if (num < t.size() && t[num].kind == Kind::Number) {
                const int after = nextSolid(t, num + 1);
                // "now - 30 * 2" is not a number of days to fold.
                const bool binds = after < t.size() && (isPunct(t[after], '*') || isPunct(t[after], '/'));
                if (!binds) {
                    days = (isPunct(t[next], '-') ? QStringLiteral("-") : QString()) + t[num].text;
                    end = num;
                }
            }
        }
        out.append({Kind::Raw, QStringLiteral("jet_now(%1)").arg(days), {}});
        i = end;
    }
    t = std::move(out);
}

// Names the bare column items of the outermost select list as they are written.
void nameSelectItems(QList<Token>& t) {
    int depth = 0;
    int start = -1;
    for (int i = 0; i < t.size(); ++i) {
        if (isPunct(t[i], '(')) ++depth;
        else if (isPunct(t[i], ')')) --depth;
        else if (depth == 0 && isWord(t[i], "select")) { start = i + 1; break; }
    }
    if (start < 0) return;
    int i = nextSolid(t, start);
    if (i < t.size() && (isWord(t[i], "distinct") || isWord(t[i], "all"))) i = nextSolid(t, i + 1);
    QList<std::pair<int, int>> items;  // [first, last] solid tokens of each item
    int itemStart = i;
    depth = 0;
    for (; i < t.size(); ++i) {
        if (isPunct(t[i], '(')) ++depth;
        else if (isPunct(t[i], ')')) --depth;
        else if (depth == 0 && (isPunct(t[i], ',') || isWord(t[i], "from"))) {
            items.append({nextSolid(t, itemStart), prevSolid(t, i - 1)});
            if (isWord(t[i], "from")) break;
            itemStart = i + 1;
        }
    }
    if (i >= t.size()) items.append({nextSolid(t, itemStart), prevSolid(t, int(t.size()) - 1)});
    // The alias to write after each token, gathered first, then written in one pass.
    QList<std::pair<int, QString>> aliases;
    for (const auto& [first, last] : items) {
        if (first > last || last >= t.size()) continue;
        int nameToken = -1;
        if (first == last) nameToken = first;
        else if (last - first == 2 && isPunct(t[first + 1], '.') && t[first].kind != Kind::Punct) nameToken = last;
        if (nameToken < 0) continue;
        const Token& nt = t[nameToken];
        if (nt.kind == Kind::Word) {
            static const char* const keywords[] = {"null", "true", "false", "current_date", "current_time", "current_timestamp"};
            bool keyword = false;
            for (const char* k : keywords) keyword = keyword || isWord(nt, k);
            if (keyword) continue;
        } else if (nt.kind != Kind::Identifier) {
            continue;
        }
        aliases.append({last, QStringLiteral(" AS ") + quoted(nt.name, u'`')});
    }
    if (aliases.isEmpty()) return;
    QList<Token> out;
    out.reserve(t.size() + aliases.size());
    qsizetype next = 0;
    for (int k = 0; k < t.size(); ++k) {
        out.append(t[k]);
        if (next < aliases.size() && aliases[next].first == k) out.append({Kind::Raw, aliases[next++].second, {}});
    }
    t = std::move(out);
}

}  // namespace

QString translate(const QString& jet) {
    QList<Token> t = tokenize(jet);
    dropDeleteStar(t);
    foldNow(t);
    nameSelectItems(t);
    QString out;
    out.reserve(jet.size() + 32);
    for (const Token& tok : t) {
        // Two quoted names or texts side by side ([a][b]) would read back as one with a doubled
        // quote inside: a blank keeps them apart.
        if (!out.isEmpty() && !tok.text.isEmpty() && tok.text.front() == out.back() &&
            (out.back() == u'`' || out.back() == u'\''))
            out += u' ';
        out += tok.text;
    }
    return out;
}

bool isTableName(const QString& source) {
    static const QRegularExpression re(QStringLiteral(R"(^\s*(\w+|`[^`]+`|\[[^\]]+\])\s*$)"),
                                       QRegularExpression::UseUnicodePropertiesOption);
    const auto m = re.match(source);
    return m.hasMatch() && m.captured(1).compare(QLatin1String("select"), Qt::CaseInsensitive) != 0;
}

QString quoteIdentifier(const QString& name) {
    QString n = name.trimmed();
    if (n.size() >= 2 && ((n.front() == u'`' && n.back() == u'`') || (n.front() == u'[' && n.back() == u']')))
        n = n.mid(1, n.size() - 2);
    return quoted(n, u'`');
}

}  // namespace vorna::jetsql
