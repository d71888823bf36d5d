#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>

#include "platform/db/connection.h"
#include "platform/report/report.h"

namespace vorna {

class Recordset;

// The print of stored orders as paper payment order forms, one order per page, with the
// choices of the option groups shown as ticked boxes. Previewed, printed (a PDF file when no
// printer is installed) and exported as HTML.
class rptVisuOrd : public report::Report {
public:
    rptVisuOrd();

    // The key of the HTML export and its page template.
    static const QString ExportKey;
    // The window's caption for one order.
    static const QString OwnCaption;
    static QString pageTemplate();
    // Adds the HTML export format "VisuOrd".
    void addVisuOrdFormat();

    // The query that reads the orders of `selection` ("Where ..."): one true/false column per
    // choice of the option groups, the generation date as `etat`, then every column of Ordres.
    static QString printQuery(const QString& selection);

    // The window's place: the top-left corner of the work area, no larger than the work area.
    QRect placement() const;

    // The caption the window gets for `count` orders (several: "Visualisation de N ordres").
    static QString captionFor(int count);

    // The pictures, drawn here: the watermark behind each order, the stamp of its top corner
    // and the logo of the page header.
    static QImage watermarkPicture();
    static QImage stampPicture();
    static QImage logoPicture();

    // A print that finds no printer says so with the printer message.
    void reportError(long number, const QString& description, bool& showDefault) override;
};

// Reads the orders of `selection` on `conn` and shows them in the report window at `placement`
// (twips), returning when the window is closed. A selection that finds no order shows
// "introuvable" and ends the program. Other failures reach the caller.
void showVisuOrd(const ConnectionPtr& conn, const QString& selection, const QRect& placement);

// Opens the print query of `selection`, sorted by ascending order number (no message when it
// is empty). Used by showVisuOrd; the bench reads it too.
std::unique_ptr<Recordset> openVisuOrd(const ConnectionPtr& conn, const QString& selection);

// The report as showVisuOrd shows it, bound to `rs` (not owned): caption, watermark and export
// format set.
void prepareVisuOrd(rptVisuOrd& report, const Recordset& rs);

// Called with the report instead of showing it, when set (tests, bench).
inline std::function<void(rptVisuOrd&)> VisuOrdShowHook;

}  // namespace vorna
