#pragma once

#include <QtWidgets>

namespace vorna::test {

// The inputs of a window a reader would not tell apart: one without a name, one read only as
// its frame's title, two of one frame read alike. Hidden inputs count only with `hiddenToo`.
inline QStringList readerNameFaults(QWidget* window, bool hiddenToo = false) {
    const auto isInput = [](QWidget* w) {  // an edit inside a spin or combo box is read through its owner
        if (qobject_cast<QHeaderView*>(w)) return false;
        if (qobject_cast<QLineEdit*>(w))
            return !qobject_cast<QAbstractSpinBox*>(w->parentWidget()) && !qobject_cast<QComboBox*>(w->parentWidget());
        return qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QTextEdit*>(w) ||
               qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w) ||
               qobject_cast<QAbstractItemView*>(w);
    };
    QStringList faults;
    QMap<QWidget*, QMap<QString, QWidget*>> seen;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!isInput(w) || (!hiddenToo && !w->isVisibleTo(window))) continue;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);  // what a screen reader says
        const QString name = iface ? iface->text(QAccessible::Name).trimmed() : QString();
        QWidget* block = w->parentWidget();  // the nearest group box, else the window
        while (block && !qobject_cast<QGroupBox*>(block) && !block->isWindow()) block = block->parentWidget();
        const QString id = window->objectName() + u'.' + w->objectName() + u'/' + QLatin1String(w->metaObject()->className()) +
                           u'(' + w->property("index").toString() + u')';
        auto* g = qobject_cast<QGroupBox*>(block);
        if (name.isEmpty() || (g && name == g->title().trimmed()) || seen[block].contains(name))
            faults << id + QStringLiteral(": \"") + name + u'"';
        seen[block][name] = w;
    }
    return faults;
}

}  // namespace vorna::test
