#pragma once

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMap>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextEdit>

namespace vorna::test {

// What a screen reader says for a control: the name of its accessible interface.
inline QString readerName(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// Runs a screen reader's action (QAccessibleActionInterface::toggleAction(), pressAction()) on
// a control; false when the control does not offer it.
inline bool readerAction(QWidget* w, const QString& action) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    QAccessibleActionInterface* actions = iface ? iface->actionInterface() : nullptr;
    if (!actions || !actions->actionNames().contains(action)) return false;
    actions->doAction(action);
    return true;
}

// The frame a control belongs to (its nearest group box), else its window.
inline QWidget* blockOf(QWidget* w) {
    for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<QGroupBox*>(p) || p->isWindow()) return p;
    return w->window();
}

inline bool isInput(QWidget* w) {
    // The line edit inside a spin box or a combo box, and a table's headers, are read through
    // their owner.
    if (qobject_cast<QHeaderView*>(w)) return false;
    if (qobject_cast<QLineEdit*>(w))
        return !qobject_cast<QAbstractSpinBox*>(w->parentWidget()) && !qobject_cast<QComboBox*>(w->parentWidget());
    return qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QTextEdit*>(w) ||
           qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w) ||
           qobject_cast<QAbstractItemView*>(w);
}

// The inputs of a window that a reader would not tell apart: one without a name, one read
// only under its frame's title (what Qt says for a box without a caption), and two inputs of
// one frame read alike. Hidden inputs count only with `hiddenToo` (a reader still lists them).
inline QStringList readerNameFaults(QWidget* window, bool hiddenToo = false) {
    QStringList faults;
    QMap<QWidget*, QMap<QString, QWidget*>> seen;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!isInput(w) || (!hiddenToo && !w->isVisibleTo(window))) continue;
        const QString name = readerName(w).trimmed();
        QWidget* block = blockOf(w);
        const QString id = window->objectName() + u'.' +
                           (w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName()) +
                           u'(' + w->property("index").toString() + u')';
        if (name.isEmpty()) {
            faults << id + QStringLiteral(": no name");
            continue;
        }
        if (auto* g = qobject_cast<QGroupBox*>(block); g && name == g->title().trimmed()) {
            faults << id + QStringLiteral(": read as its frame \"") + name + u'"';
            continue;
        }
        if (QWidget* twin = seen[block].value(name))
            faults << id + QStringLiteral(": same name as ") + twin->objectName() + QStringLiteral(" \"") + name + u'"';
        seen[block][name] = w;
    }
    return faults;
}

}  // namespace vorna::test
