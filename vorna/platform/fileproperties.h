#pragma once

#include <QDialog>
#include <QString>

class QLabel;

namespace vorna {

// Shows the properties of a file: the desktop's file manager shows its own sheet when one
// answers on the session bus (org.freedesktop.FileManager1, ShowItemProperties); otherwise the
// program's own window (FilePropertiesWindow) does. Nothing is said of its own for a missing
// file: the sheet shows what it shows.
void showFileProperties(const QString& path);

// Asks the file manager of the session bus to show its sheet of the file; true when it answered.
bool askFileManagerForProperties(const QString& path);

// The program's own property sheet: name, folder, size, last change and permissions.
class FilePropertiesWindow : public QDialog {
    Q_OBJECT

public:
    explicit FilePropertiesWindow(const QString& path, QWidget* parent = nullptr);

    QLabel* name;
    QLabel* folder;
    QLabel* size;
    QLabel* lastChange;
    QLabel* permissions;
};

}  // namespace vorna
