#pragma once

#include <QPrinter>
#include <memory>

#include "platform/forms/form.h"
#include "platform/report/report.h"

class QLabel;
class QPrintPreviewWidget;
class QPushButton;

namespace vorna::report {

// The window of a report: its pages in a preview, and the commands to print, export, zoom and
// close. Shown modally by Report::showModal; closing it unloads it.
class ReportWindow : public forms::Form {
    Q_OBJECT
public:
    explicit ReportWindow(Report& report);
    ~ReportWindow() override;

    QPrintPreviewWidget* preview = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdExport = nullptr;
    QPushButton* cmdZoomIn = nullptr;
    QPushButton* cmdZoomOut = nullptr;
    QPushButton* cmdClose = nullptr;
    QLabel* lblPages = nullptr;

    // The pages as shown (laid out when the window opens).
    const Layout& pages() const { return layout_; }

    void printReport();
    void exportReport();

protected:
    void formLoad() override;

private:
    void paintPages(QPrinter* printer);
    void showPageNumber();

    Report& report_;
    Layout layout_;
    QPrinter printer_;
};

}  // namespace vorna::report
