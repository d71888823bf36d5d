#pragma once

#include <QWidget>

#include "kestomover.h"

class QLabel;
class QPushButton;

namespace kesto {

// The tool's only window: its first activation does all the work; "Fermer" ends the program.
class TForm_KESTO_Rename_Repertoire : public QWidget {
    Q_OBJECT
public:
    explicit TForm_KESTO_Rename_Repertoire(KestoMover& mover, QWidget* parent = nullptr);

    QLabel* L_Commentaire;
    QPushButton* B_Fermer;

    // Runs the move on the first activation only, then closes the window unless a copy error
    // stopped it.
    void FormActivate(QObject* Sender);
    void B_FermerClick(QObject* Sender);

protected:
    bool event(QEvent* e) override;

private:
    KestoMover& mover_;
    bool activated_ = false;
};

}  // namespace kesto
