#pragma once

#include <QString>

class QLabel;
class QWidget;

namespace vorna::forms {

// Screen readers find each field by its French caption: a caption label is the buddy of its
// box (Alt + its underlined letter also moves there), a frame is a QGroupBox titled with its
// caption, and a box without a caption of its own gets a short French name.

// Makes `label` the caption of `box`, and its name for a reader unless the box has one: the
// reader only looks among the box's siblings, which the box may leave for a row of its own.
void labelFor(QLabel* label, QWidget* box);
// Names a box that has no caption of its own ("Adresse, ligne 3").
void setAccessibleFrench(QWidget* box, const QString& name);
// The caption as a reader says it: without the "&" of its shortcut and without a final colon.
QString spokenCaption(const QString& caption);

}  // namespace vorna::forms
