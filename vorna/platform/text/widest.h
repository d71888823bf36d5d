#pragma once

#include <QStringView>

class QFontMetricsF;

namespace vorna {

// The widest text of `length` characters that a field can hold in a font, when it holds only
// characters of `allowed`: `length` times the widest of them ("W" among capitals, as a rule).
// Boxes and print fields are sized on it, so that any value their filter lets through shows
// whole.
qreal widestTextWidth(const QFontMetricsF& fm, int length, QStringView allowed);

}  // namespace vorna
