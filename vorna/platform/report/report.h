#pragma once

#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPageLayout>
#include <QPageSize>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

#include "platform/value.h"

class QPainter;
class QPrinter;

namespace vorna {
class Recordset;
}

// The program's report facility: a banded report (report header, page header, one detail per
// row of a recordset, page footer, report footer) laid out in twips on pages, shown in a
// modal preview window, printed (a PDF file when there is no printer) and exported as HTML.
namespace vorna::report {

// The error of a print that finds no usable printer.
constexpr long kPrinterError = 8555;

enum class SectionKind { ReportHeader, PageHeader, Detail, PageFooter, ReportFooter };

struct Control {
    enum class Kind {
        Label,     // `caption`, where the runtime codes are replaced (see expandCodes)
        TextBox,   // the value of column `dataField` of the row
        CheckBox,  // a box, ticked when column `dataField` reads as `checkedWhen`
        Image,     // `picture`, stretched to the rectangle
        Line,      // from the top-left to the bottom-right corner of the rectangle
        Shape,     // a rectangle's border
    };

    Kind kind = Kind::Label;
    QString name;
    QRect rect;  // twips, within the section
    QString caption;
    QString dataField;
    // TextBox: a date pattern (formatDate) for dates, a number pattern (formatNumber) for
    // numbers; empty shows the value as it is.
    QString format;
    // TextBox: when set, the text shown for a row is what it makes of the row (`row` of `rs`)
    // and of the text the column gives.
    std::function<QString(const Recordset& rs, int row, const QString& text)> textOf;
    bool checkedWhen = true;
    // CheckBox: false draws the mark alone (a marker that shows only when set).
    bool boxed = true;
    QImage picture;

    QString fontFamily = QStringLiteral("Arial");
    double fontSize = 8;  // points
    bool bold = false;
    bool italic = false;
    // A fixed-pitch font (fixedPitchFamily, whatever `fontFamily` says): columns of blanks and
    // digits line up.
    bool fixedPitch = false;
    Qt::Alignment alignment = Qt::AlignLeft;
    // The control, and its section with it, grows to show every line of its text.
    bool canGrow = false;
    bool border = false;
    bool visible = true;
    // TextBox: a row's text wider than the box at `fontSize` is drawn smaller, a quarter of a
    // point at a time, until it fits or `minFontSize` is reached (the size of each row is
    // PlacedItem::fontSize). Texts that fit keep `fontSize`.
    bool shrinkToFit = false;
    double minFontSize = 0;  // points

    // The font as drawn, sized in twips (a painter scaled to twips draws it at its point size),
    // at `fontSize` or at `points`.
    QFont twipsFont() const { return twipsFont(fontSize); }
    QFont twipsFont(double points) const;
};

struct Section {
    QString name;
    SectionKind kind = SectionKind::Detail;
    int height = 0;  // twips, before growing
    bool visible = true;
    QList<Control> controls;

    Control& add(const Control& c);
    // nullptr when no control has that name.
    Control* control(const QString& name);
    const Control* control(const QString& name) const;
};

// A way of exporting the report. The page template holds the two markers kTitleMarker and
// kBodyMarker, where the export puts the report's title and its pages.
struct ExportFormat {
    QString key;
    QString description;  // "État journalier (*.HTM)"
    QString filter;       // "*.HTM"
    QString pageTemplate;
};

inline const QString kTitleMarker = QStringLiteral("<!--MSDBRPT_Template_Title-->");
inline const QString kBodyMarker = QStringLiteral("<!--MSDBRPT_Template_Body-->");

// One control of a section placed on a page, with what it shows (runtime codes still in it).
struct PlacedItem {
    int control = 0;  // index in its section's controls
    int height = 0;   // twips: the control's own, or more when it grew
    QString text;
    // In an export only, for a text box showing a stored text as it is: the bytes the data
    // source holds for it, in place of `text` (which then stays null). They live as long as
    // the data source's rows.
    QByteArrayView stored;
    bool checked = false;
    double fontSize = 0;  // points: the control's, or less when its text was shrunk to fit
};

// One section placed on a page: the report header once, a detail for each row, ...
struct Band {
    int section = 0;  // index in Layout::sections
    int top = 0;      // twips from the paper's top
    int height = 0;
    QList<PlacedItem> items;
};

struct Page {
    QList<Band> bands;
};

// The report laid out: every page, and what the runtime codes read.
struct Layout {
    QSize pageSize;  // twips
    int left = 0;    // twips from the paper's left edge to the sections' left edge
    QList<Section> sections;  // report header, page header, detail, page footer, report footer
    QList<Page> pages;
    QDateTime now;
    QString title;

    const Control& control(const Band& band, const PlacedItem& item) const {
        return sections.at(band.section).controls.at(item.control);
    }
    // The item's rectangle on the paper (twips).
    QRect rect(const Band& band, const PlacedItem& item) const;
    // The font the item's text is drawn in: its control's, at the item's size.
    QFont font(const Band& band, const PlacedItem& item) const { return control(band, item).twipsFont(item.fontSize); }
};

// A family whose characters all have one width, as this machine has it: the system's fixed font
// when it is one, else DejaVu Sans Mono or Liberation Mono. Reports and printed lists that line
// columns up with blanks draw in it (a family name alone, such as Arial, may be answered with a
// proportional face).
QString fixedPitchFamily();

// Replaces the runtime codes of a label: %d short date, %D long date, %t short time,
// %T long time, %p page number, %P number of pages, %i title, %% a percent sign.
QString expandCodes(const QString& caption, const QDateTime& now, int page, int pageCount, const QString& title);

class Report {
public:
    Report();
    virtual ~Report();

    // Window caption, and the report's title (%i, the HTML title).
    QString caption;
    // The name proposed for the files it is printed or exported to, without folder and
    // extension; empty proposes the caption.
    QString fileName;
    // The window's own size (twips): the caller fits it into the work area.
    int windowWidth = 12000;
    int windowHeight = 9000;

    QPageSize pageSize{QPageSize::A4};
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QMargins margins{850, 850, 850, 850};  // twips

    Section reportHeader;
    Section pageHeader;
    Section detail;
    Section pageFooter;
    Section reportFooter;

    // The rows shown by the detail section, in their present order (not owned). Without a
    // data source the detail section does not show.
    void setDataSource(const Recordset* rs) { data_ = rs; }
    const Recordset* dataSource() const { return data_; }

    // The control of that name in any section; nullptr when none.
    Control* control(const QString& name);

    void addExportFormat(const ExportFormat& f);
    const QList<ExportFormat>& exportFormats() const { return exportFormats_; }

    // Lays every page out (the date and time of the runtime codes are read now).
    Layout layout() const;
    // Draws one page on a painter whose device is a page: coordinates from the paper's corner.
    static void paintPage(QPainter& painter, const Layout& layout, int pageIndex);

    // Exports every page with the format `key` into `path`. With `showDialog`, the file is
    // chosen through the dialogs (false when the user cancels). An existing file is replaced
    // when `overwrite` is true, otherwise error 58. A file that cannot be written raises
    // error 75. False when the job was cancelled (nothing written).
    bool exportReport(const QString& key, const QString& path, bool overwrite = true, bool showDialog = false);
    // The HTML text of the export (the template filled).
    QString exportHtml(const ExportFormat& format, const Layout& layout) const;

    // Prints every page: the destination is asked through the dialogs (a PDF file when there
    // is no printer). A printer that cannot start raises the report's error kPrinterError.
    // False when the user cancelled or the job was cancelled.
    bool print();
    // Prints on a printer set up by the caller (the preview's, a PDF writer's).
    bool printOn(QPrinter& printer);

    // Shows the report in its modal window (placed at `geometry`, twips, when given) and
    // returns when the window is closed.
    void showModal(const std::optional<QRect>& geometry = std::nullopt);

    // The report's error: the handler may take it over by clearing `showDefault`; otherwise
    // the description shows in a message box.
    virtual void reportError(long number, const QString& description, bool& showDefault);
    // Called once for each whole second a print or export job has run; setting `cancel` ends
    // the job.
    virtual void processingTimeout(int seconds, bool& cancel);

    // Milliseconds elapsed on a steady clock (tests replace it to reach the time-outs).
    std::function<qint64()> jobClock;

protected:
    // The name proposed for its files: fileName, or the caption.
    QString proposedName() const;
    // Raises an error through reportError; true when the default message was shown.
    void raiseError(long number, const QString& description);

private:
    // The layout without its pages: page size, sections, the date and time of the codes.
    Layout emptyLayout() const;
    // Goes through the job's elapsed seconds; false once the job is cancelled.
    bool jobGoesOn(qint64 startMs, int& reported);

    const Recordset* data_ = nullptr;
    QList<ExportFormat> exportFormats_;
};

}  // namespace vorna::report
