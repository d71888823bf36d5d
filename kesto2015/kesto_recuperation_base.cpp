#include "kesto_recuperation_base.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace kesto {

TForm_KESTO_Rename_Repertoire::TForm_KESTO_Rename_Repertoire(KestoMover& mover, QWidget* parent)
    : QWidget(parent), mover_(mover) {
    setObjectName(QStringLiteral("Form_KESTO_Rename_Repertoire"));
    setWindowTitle(QStringLiteral("Pré-Installation de KESTO 2006-01"));
    QFont formFont = font();
    formFont.setFamilies({QStringLiteral("MS Sans Serif")});
    setFont(formFont);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    resize(404, 186);

    L_Commentaire = new QLabel(QStringLiteral("Pré-Installation de KESTO\nVersion 2015-01"), this);
    L_Commentaire->setObjectName(QStringLiteral("L_Commentaire"));
    L_Commentaire->setGeometry(25, 16, 345, 65);
    L_Commentaire->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    L_Commentaire->setWordWrap(true);
    QFont labelFont = L_Commentaire->font();
    labelFont.setFamilies({QStringLiteral("Comic Sans MS")});
    labelFont.setPixelSize(16);
    L_Commentaire->setFont(labelFont);
    QPalette labelPalette = L_Commentaire->palette();
    labelPalette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    L_Commentaire->setPalette(labelPalette);

    B_Fermer = new QPushButton(QStringLiteral("Fermer"), this);
    B_Fermer->setObjectName(QStringLiteral("B_Fermer"));
    B_Fermer->setGeometry(160, 104, 75, 25);
    // Enter on the focused button presses it, as on the old platform.
    B_Fermer->setAutoDefault(true);
    B_Fermer->setFocus();
    connect(B_Fermer, &QPushButton::clicked, this, [this] { B_FermerClick(B_Fermer); });

    if (const QScreen* s = screen()) move(s->geometry().center() - rect().center());
}

bool TForm_KESTO_Rename_Repertoire::event(QEvent* e) {
    const bool handled = QWidget::event(e);
    if (e->type() == QEvent::WindowActivate) FormActivate(this);
    return handled;
}

void TForm_KESTO_Rename_Repertoire::FormActivate(QObject*) {
    // A message box closing activates the window again: the work belongs to the first activation.
    if (activated_) return;
    activated_ = true;
    if (mover_.run()) close();
}

void TForm_KESTO_Rename_Repertoire::B_FermerClick(QObject*) { close(); }

}  // namespace kesto
