#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include "platform/db/connection.h"

namespace vorna {

// What a payment file says of its orders: the reference (BGM), the stamp (DTM+137) and the
// amount (MOA) of each message, as far as the file goes.
struct WorkFileContent {
    struct Message {
        QString refInterne;  // released characters restored; a colon of the order's reference reads as a blank
        QDateTime stamp;     // invalid when the file ends before it
        QString amount;      // the amount's text (MOA); null when the file ends before it
    };
    QList<Message> messages;
    bool complete = false;  // the interchange runs to its UNZ
};
WorkFileContent readWorkFile(const QByteArray& bytes);

// Settles the work files (".e9_") that runs which did not end left in the generation folder
// `folder` (the settings' text): a file whose orders are all generated in this working database
// takes its final name, a file whose orders are all pending here (each with its amount, so
// that another installation's orders under the same references are not taken for ours) goes
// with its summary page. A file that a live run holds, or that names orders this database does
// not hold (another installation's, sharing the folder), is left as it is, without a word.
// Each settled file is said in a message box.
void settleWorkFiles(const ConnectionPtr& conn, const QString& folder);

}  // namespace vorna
