#include "platform/forms/accessibility.h"

#include <QLabel>
#include <QWidget>

namespace vorna::forms {

QString spokenCaption(const QString& caption) {
    QString s;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) ++i;  // "&&" stays one "&"
        s += caption[i];
    }
    s = s.trimmed();
    if (s.endsWith(u':')) s.chop(1);
    return s.trimmed();
}

void labelFor(QLabel* label, QWidget* box) {
    label->setBuddy(box);
    // The reader looks for the caption among the box's siblings only, and a box often moves
    // into a row of its own after it is captioned: the caption names it whatever its container.
    if (box->accessibleName().isEmpty()) box->setAccessibleName(spokenCaption(label->text()));
}

void setAccessibleFrench(QWidget* box, const QString& name) { box->setAccessibleName(name); }

}  // namespace vorna::forms
