#include "platform/report/reportwindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "platform/vberror.h"

namespace vorna::report {

ReportWindow::ReportWindow(Report& report) : report_(report), printer_(QPrinter::HighResolution) {
    setObjectName(QStringLiteral("ReportWindow"));
}

ReportWindow::~ReportWindow() = default;

void ReportWindow::formLoad() {
    setWindowTitle(report_.caption);
    layout_ = report_.layout();
    printer_.setFullPage(true);
    printer_.setPageLayout(QPageLayout(report_.pageSize, report_.orientation, QMarginsF()));

    auto* bar = new QHBoxLayout;
    auto button = [&](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        bar->addWidget(b);
        return b;
    };
    cmdPrint = button(QStringLiteral("&Imprimer..."), "cmdPrint");
    cmdExport = button(QStringLiteral("&Exporter..."), "cmdExport");
    cmdZoomOut = button(QStringLiteral("Zoom &-"), "cmdZoomOut");
    cmdZoomIn = button(QStringLiteral("Zoom &+"), "cmdZoomIn");
    lblPages = new QLabel(this);
    lblPages->setObjectName(QStringLiteral("lblPages"));
    bar->addWidget(lblPages);
    bar->addStretch(1);
    cmdClose = button(QStringLiteral("&Fermer"), "cmdClose");
    cmdExport->setEnabled(!report_.exportFormats().isEmpty());

    preview = new QPrintPreviewWidget(&printer_, this);
    preview->setObjectName(QStringLiteral("preview"));
    preview->setAccessibleName(QStringLiteral("Aperçu des pages"));
    connect(preview, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* p) { paintPages(p); });
    connect(preview, &QPrintPreviewWidget::previewChanged, this, [this] { showPageNumber(); });

    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(4, 4, 4, 4);
    box->addLayout(bar);
    box->addWidget(preview, 1);

    connect(cmdPrint, &QPushButton::clicked, this, [this] { printReport(); });
    connect(cmdExport, &QPushButton::clicked, this, [this] { exportReport(); });
    connect(cmdZoomIn, &QPushButton::clicked, preview, [this] { preview->zoomIn(); });
    connect(cmdZoomOut, &QPushButton::clicked, preview, [this] { preview->zoomOut(); });
    connect(cmdClose, &QPushButton::clicked, this, [this] { unload(); });
    setCancelButton(cmdClose);
    preview->setZoomMode(QPrintPreviewWidget::FitToWidth);
    preview->updatePreview();
}

void ReportWindow::paintPages(QPrinter* printer) {
    QPainter painter(printer);
    for (int p = 0; p < layout_.pages.size(); ++p) {
        if (p > 0) printer->newPage();
        Report::paintPage(painter, layout_, p);
    }
}

void ReportWindow::showPageNumber() {
    lblPages->setText(QStringLiteral("Page %1 / %2").arg(preview->currentPage()).arg(preview->pageCount()));
}

void ReportWindow::printReport() {
    try {
        report_.print();
    } catch (const VbError& e) {
        msgBox(e.description, MsgButtons::OK, MsgIcon::Critical, report_.caption);
    }
}

void ReportWindow::exportReport() {
    try {
        const QList<ExportFormat>& formats = report_.exportFormats();
        if (!formats.isEmpty()) report_.exportReport(formats.first().key, QString(), true, true);
    } catch (const VbError& e) {
        msgBox(e.description, MsgButtons::OK, MsgIcon::Critical, report_.caption);
    }
}

}  // namespace vorna::report
