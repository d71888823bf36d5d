#include "platform/text/datepattern.h"

#include <QVarLengthArray>
#include <algorithm>

namespace vorna {

namespace {

// Writes a number of at least `width` digits at `out`; answers the end.
char* writeNumber(char* out, int v, int width) {
    char buf[12];
    int len = 0;
    unsigned u = v < 0 ? 0u - unsigned(v) : unsigned(v);
    do {
        buf[len++] = char('0' + u % 10);
        u /= 10;
    } while (u);
    while (len < width) buf[len++] = '0';
    if (v < 0) *out++ = '-';
    while (len) *out++ = buf[--len];
    return out;
}

bool isTokenLetter(char16_t l) {
    return l == u'd' || l == u'm' || l == u'n' || l == u'y' || l == u'h' || l == u's';
}

}  // namespace

DatePattern::DatePattern(QStringView pattern) {
    qsizetype i = 0;
    while (i < pattern.size()) {
        const char16_t l = pattern[i].toLower().unicode();
        if (!isTokenLetter(l)) {
            if (parts_.empty() || parts_.back().kind != Part::Literal) parts_.push_back({Part::Literal, 0, {}});
            parts_.back().text += pattern.mid(i, 1).toUtf8();
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run].toLower().unicode() == l) ++run;
        // Years take four or two letters at a time, the other fields two or one.
        const qsizetype take = l == u'y' ? (run >= 4 ? 4 : run >= 2 ? 2 : 1) : (run >= 2 ? 2 : 1);
        Part part{Part::Literal, quint8(take == 2 ? 2 : 1), {}};
        switch (l) {
        case u'd': part.kind = Part::Day; break;
        case u'm': part.kind = Part::Month; break;
        case u'n': part.kind = Part::Minute; break;
        case u'h': part.kind = Part::Hour; break;
        case u's': part.kind = Part::Second; break;
        default:
            part.kind = take == 1 ? Part::DayOfYear : Part::Year;
            part.width = quint8(take == 4 ? 4 : take == 2 ? 2 : 1);
            break;
        }
        parts_.push_back(std::move(part));
        i += take;
    }
    // "m" right after an hour, or right before seconds, means minutes.
    int lastField = -1;
    for (int k = 0; k < int(parts_.size()); ++k) {
        if (parts_[k].kind == Part::Literal) continue;
        if (parts_[k].kind == Part::Month) {
            bool minutes = lastField >= 0 && parts_[lastField].kind == Part::Hour;
            for (int n = k + 1; !minutes && n < int(parts_.size()); ++n) {
                if (parts_[n].kind == Part::Literal) continue;
                minutes = parts_[n].kind == Part::Second;
                break;
            }
            if (minutes) parts_[k].kind = Part::Minute;
        }
        lastField = k;
    }
    for (const Part& p : parts_) maxLength_ += p.kind == Part::Literal ? int(p.text.size()) : 12;
}

int DatePattern::write(const Fields& f, char* out) const {
    char* const start = out;
    for (const Part& p : parts_) {
        switch (p.kind) {
        case Part::Literal: out = std::copy(p.text.cbegin(), p.text.cend(), out); break;
        case Part::Day: out = writeNumber(out, f.day, p.width); break;
        case Part::Month: out = writeNumber(out, f.month, p.width); break;
        case Part::Minute: out = writeNumber(out, f.minute, p.width); break;
        case Part::DayOfYear: out = writeNumber(out, QDate(f.year, f.month, f.day).dayOfYear(), 1); break;
        case Part::Year: out = writeNumber(out, p.width == 4 ? f.year : f.year % 100, p.width); break;
        case Part::Hour: out = writeNumber(out, f.hour, p.width); break;
        case Part::Second: out = writeNumber(out, f.second, p.width); break;
        }
    }
    return int(out - start);
}

QString DatePattern::format(const QDateTime& t) const {
    if (!t.isValid()) return QString();
    const Fields f{t.date().year(), t.date().month(), t.date().day(), t.time().hour(), t.time().minute(), t.time().second()};
    QVarLengthArray<char, 128> out(maxLength_);
    return QString::fromUtf8(out.data(), write(f, out.data()));
}

}  // namespace vorna
