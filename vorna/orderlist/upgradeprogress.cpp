#include "orderlist/upgradeprogress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <algorithm>

#include "orderlist/jetworkingdatabase.h"
#include "orderlist/upgrade.h"

namespace vorna {

const QString UpgradeProgressWindow::Title = QStringLiteral("Ostravelia des virements");
const QString UpgradeProgressWindow::Label =
    QStringLiteral("Mise à jour de la base de données de travail : copie des ordres, des modèles et du paramétrage…");
const QString UpgradeProgressWindow::ConversionLabel =
    QStringLiteral("Conversion de la base de données de l'ancienne version…");
const QString UpgradeProgressWindow::StopButton = QStringLiteral("Arrêter");

namespace {
// Steps of the bar: the row counts may pass what an int holds.
constexpr int kSteps = 1000;
// A conversion that goes on shows its window within a second.
constexpr int kConversionDelayMs = 500;
}  // namespace

UpgradeProgressWindow::UpgradeProgressWindow(int delayMs) : delayMs_(delayMs), label_(Label) { elapsed_.start(); }

UpgradeProgressWindow::UpgradeProgressWindow(QString label, int delayMs)
    : delayMs_(delayMs), label_(std::move(label)), stoppable_(true) {
    elapsed_.start();
}

UpgradeProgressWindow::~UpgradeProgressWindow() = default;

bool UpgradeProgressWindow::show() {
    if (dialog_) return true;
    if (elapsed_.elapsed() < delayMs_) return false;
    dialog_ = std::make_unique<QProgressDialog>();
    dialog_->setWindowTitle(Title);
    dialog_->setLabelText(label_);
    if (stoppable_) dialog_->setCancelButtonText(StopButton);
    else dialog_->setCancelButton(nullptr);
    // Work of unknown length: a bar that moves to and fro.
    dialog_->setRange(0, stoppable_ ? 0 : kSteps);
    dialog_->setWindowModality(Qt::ApplicationModal);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setMinimumDuration(0);
    dialog_->setAccessibleName(label_);
    dialog_->show();
    return true;
}

bool UpgradeProgressWindow::waiting() {
    if (!show()) return true;
    QCoreApplication::processEvents();
    return !dialog_->wasCanceled();
}

void UpgradeProgressWindow::update(qint64 done, qint64 total) {
    if (!show()) return;
    const int value = total > 0 ? int(std::clamp<qint64>(done * kSteps / total, 0, kSteps)) : kSteps;
    // A modal progress window lets the events through as it moves: it is drawn meanwhile.
    dialog_->setValue(value);
}

bool convertJetWorkingDatabase(const QString& workingPath) {
    auto window = std::make_unique<UpgradeProgressWindow>(
        UpgradeProgressWindow::ConversionLabel + QStringLiteral("\n") +
            QDir::toNativeSeparators(QFileInfo(workingPath).absoluteFilePath()),
        kConversionDelayMs);
    // The window goes before any message of the step.
    return JetWorkingDatabase(workingPath, [&window] { return !window || window->waiting(); }, [&window] { window.reset(); })
        .run();
}

bool upgradeWorkingDatabase(const QString& startFolder) {
    UpgradeProgressWindow window;
    return Upgrade(startFolder, [&window](qint64 done, qint64 total) { window.update(done, total); }).run();
}

}  // namespace vorna
