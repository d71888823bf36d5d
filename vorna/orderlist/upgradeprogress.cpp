#include "orderlist/upgradeprogress.h"

#include <QProgressDialog>
#include <algorithm>

#include "orderlist/upgrade.h"

namespace vorna {

const QString UpgradeProgressWindow::Title = QStringLiteral("Ostravelia des virements");
const QString UpgradeProgressWindow::Label =
    QStringLiteral("Mise à jour de la base de données de travail : copie des ordres, des modèles et du paramétrage…");

namespace {
// Steps of the bar: the row counts may pass what an int holds.
constexpr int kSteps = 1000;
}  // namespace

UpgradeProgressWindow::UpgradeProgressWindow(int delayMs) : delayMs_(delayMs) { elapsed_.start(); }

UpgradeProgressWindow::~UpgradeProgressWindow() = default;

void UpgradeProgressWindow::update(qint64 done, qint64 total) {
    if (!dialog_) {
        if (elapsed_.elapsed() < delayMs_) return;
        dialog_ = std::make_unique<QProgressDialog>();
        dialog_->setWindowTitle(Title);
        dialog_->setLabelText(Label);
        dialog_->setCancelButton(nullptr);
        dialog_->setRange(0, kSteps);
        dialog_->setWindowModality(Qt::ApplicationModal);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setMinimumDuration(0);
        dialog_->setAccessibleName(Label);
        dialog_->show();
    }
    const int value = total > 0 ? int(std::clamp<qint64>(done * kSteps / total, 0, kSteps)) : kSteps;
    // A modal progress window lets the events through as it moves: it is drawn meanwhile.
    dialog_->setValue(value);
}

bool upgradeWorkingDatabase(const QString& startFolder) {
    UpgradeProgressWindow window;
    return Upgrade(startFolder, [&window](qint64 done, qint64 total) { window.update(done, total); }).run();
}

}  // namespace vorna
