#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "platform/db/connection.h"
#include "platform/files/filelock.h"
#include "platform/value.h"

namespace vorna {

class Recordset;
class rptRecapGener;
struct WrittenOrder;

// The files of one generation, all in the generation folder.
struct GenerationNames {
    QString stem;
    QString work;               // folder + stem + ".e9_": the payment file until confirmed
    QString final;              // folder + stem + ".e93"
    QString transferDescriptor; // folder + stem + ".cft"
    QString summaryDescriptor;  // folder + "bord" + stem + ".cft"
    QString summaryPage;        // folder + stem + ".htm"

    static GenerationNames of(const QString& folder, const QString& stem);
    static const QString WorkExtension;  // ".e9_"
};

// The totals by currency key, in the order of each key's most recent order.
class CurrencyTotals {
public:
    // Adds an amount under `key`; the key's entry moves to the end.
    void add(const QString& key, const Decimal& amount, int nbDeci);
    // "KEY amount" per key, the amount as cMontant shows it.
    QStringList entries() const;
    bool isEmpty() const { return totals_.isEmpty(); }

private:
    struct Total {
        QString key;
        Decimal sum;
        int nbDeci = 0;
    };
    QList<Total> totals_;
};

// Writes every pending order into one payment file, marks them generated inside one
// transaction, writes the CFT descriptors in CFT mode and the summary, and lets the user
// confirm or cancel the whole run. Everything is reported in message boxes; nothing is left
// half done: the orders are marked only when the file is complete on disk.
class OrderFileGeneration {
public:
    // `folder` is the generation folder as the settings hold it (blanks around it are dropped).
    OrderFileGeneration(ConnectionPtr conn, const QString& folder);
    ~OrderFileGeneration();

    void run();

    // Shows the summary window (the default shows it modally in the screen's work area).
    std::function<void(rptRecapGener&)> showSummary;

    // The letters "A"-"Z" and digits of a reference, in their order.
    static QString stemLetters(const QString& refInterne);
    // stemLetters + the count + the last four digits of the first order's number.
    static QString fileStem(const QString& refInterne, int count, qint64 firstIdOrdre);
    // The currency key of an order: devOrdre as stored when not blank, else devPaiement.
    static QString currencyKey(const QString& devOrdre, const QString& devPaiement);

    // Milliseconds spent in each phase of the last run (read, write, database updates,
    // summary, commit).
    struct Phases {
        qint64 read = 0;
        qint64 write = 0;
        qint64 update = 0;
        qint64 summary = 0;
        qint64 commit = 0;
    };
    const Phases& phases() const { return phases_; }
    const GenerationNames& names() const { return names_; }

    static const QString QuestionTitle;   // "Génération d'un fichier d'ordres"
    static const QString FailureTitle;    // "Génération des ordres"

private:
    // Each step of the run; false ends it in good order.
    bool openRecordsets();
    bool checkFolder();
    void buildNames();
    bool namesAreFree();
    bool askToGenerate();
    void beginWork();
    void writeOrders();
    // The columns written on each order, found once for the run.
    struct StoredColumns {
        int dateGener, genere, cMontant, cDevises;
    };
    void storeOrder(const WrittenOrder& written, const StoredColumns& columns);
    void flushWorkFile();
    void writeDescriptors();
    void writeDescriptor(const QString& path, const QString& parm);
    void produceSummary();
    bool askToConfirm();
    void confirm();
    void cancel();
    void undoFiles();
    void closeRecordsets();

    ConnectionPtr conn_;
    QString folder_;
    std::unique_ptr<Recordset> pending_;
    std::unique_ptr<Recordset> settings_;
    int count_ = 0;
    GenerationNames names_;
    QFile work_;
    files::FileLock workLock_;  // held on the work file from its creation to the run's end
    qint64 writtenSize_ = -1;
    bool inTransaction_ = false;
    CurrencyTotals totals_;
    Phases phases_;
    QElapsedTimer clock_;
};

// The main window's command: the whole generation on the working connection and the settings'
// generation folder.
void generateOrderFile();

}  // namespace vorna
