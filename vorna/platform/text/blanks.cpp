#include "platform/text/blanks.h"

namespace vorna {

QString trimBlanks(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == u' ') ++b;
    while (e > b && s[e - 1] == u' ') --e;
    return s.mid(b, e - b).toString();
}

QString trimTrailingBlanks(QStringView s) {
    qsizetype e = s.size();
    while (e > 0 && s[e - 1] == u' ') --e;
    return s.left(e).toString();
}

bool isBlank(QStringView s) {
    for (QChar c : s)
        if (c != u' ') return false;
    return true;
}

}  // namespace vorna
