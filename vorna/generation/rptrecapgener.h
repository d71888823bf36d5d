#pragma once

#include <QString>
#include <QStringList>

#include "platform/report/report.h"

namespace vorna {

// The summary of one generation: the orders written into the payment file, the file's name,
// the number of orders and the totals by currency. Exported as an HTML page beside the file,
// then shown for printing.
class rptRecapGener : public report::Report {
public:
    rptRecapGener();

    // The key of the HTML export and its page template.
    static const QString ExportKey;
    static QString pageTemplate();

    // "1 ordre" / "N ordres".
    void setOrderCount(int count);
    // The payment file's full name, as written during the run (with ".e9_").
    void setFileName(const QString& fullName);
    // The totals by currency, each "KEY amount", in the order of the collection.
    void setTotals(const QStringList& entries);
    // Adds the HTML export format "Gener".
    void addGenerFormat();

    // lblSum's caption for those totals: one line per currency, the most recent first, with the
    // decimal separators in the 29th column (a fixed-pitch font lines them up).
    static QString totalsText(const QStringList& entries, bool decimalSeparatorIsPoint);

    // A print that finds no printer shows the printer message alone.
    void reportError(long number, const QString& description, bool& showDefault) override;
    // At 30 and 45 seconds the user may cancel the job; at 60 it is cancelled.
    void processingTimeout(int seconds, bool& cancel) override;
};

}  // namespace vorna
