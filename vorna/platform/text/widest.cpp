#include "platform/text/widest.h"

#include <QFontMetricsF>
#include <QString>
#include <algorithm>

namespace vorna {

qreal widestTextWidth(const QFontMetricsF& fm, int length, QStringView allowed) {
    if (length <= 0 || allowed.isEmpty()) return 0;
    QChar widest = allowed.front();
    qreal most = -1;
    for (QChar c : allowed) {
        const qreal w = fm.horizontalAdvance(c);
        if (w > most) {
            most = w;
            widest = c;
        }
    }
    // Measured as one run: kerning and rounding are those of the text as drawn.
    return std::max(most * length, fm.horizontalAdvance(QString(length, widest)));
}

}  // namespace vorna
