#pragma once

#include <QPixmap>

namespace vorna::listpictures {

// The pictures of the order list, drawn once by the program itself.

// Marks the generation cell of an order still to be generated: an amber clock (16 x 16).
QPixmap toGenerate();
// Marks the amount cell of an urgent order: a red disc with an exclamation mark (16 x 16).
QPixmap urgent();
// Shown in place of the empty list: a transfer sheet with an arrow (256 x 192).
QPixmap emptyList();

}  // namespace vorna::listpictures
