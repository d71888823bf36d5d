#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTest>
#include <ostream>

#include "common/qtsupport.h"
#include "common/scripteddialogs.h"
#include "common/tempstartfolder.h"
#include "orderlist/frmlistordre.h"
#include "platform/db/connection.h"
#include "platform/db/recordset.h"
#include "platform/environment.h"
#include "platform/forms/focus.h"
#include "platform/forms/form.h"
#include "reference/frmlstcodesecono.h"
#include "reference/frmlstdev.h"
#include "reference/frmlstpays.h"
#include "reference/frmparamref.h"

namespace vorna::test {

// Valid identifiers for the settings.
inline const QString kRibA = QStringLiteral("30004005500001004750105");
inline const QString kRibB = QStringLiteral("20041010050500012345694");
inline const QString kSirenA = QStringLiteral("732829320");
inline const QString kSirenB = QStringLiteral("552100554");

// A program started on a temporary data folder: the main window's start-up has run, which
// loaded the settings window hidden. Every window is gone after each test.
class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder.enter();
        Screen::force(QRect(0, 0, toTwips(1280), toTwips(1000)));
    }

    void TearDown() override {
        forms::Form::ModalHook = nullptr;
        Connection::clearAllWriteFaults();
        // A pending first row refuses every close: drop it so that the window can go.
        if (frmParamRef::isLoaded()) {
            frmParamRef& f = frmParamRef::instance();
            if (f.datPrimaryRS && f.datPrimaryRS->isOpen() && f.datPrimaryRS->editMode() != EditMode::None)
                f.datPrimaryRS->cancelUpdate();
        }
        forms::unloadAll<frmLstPays, frmLstDev, frmLstCodesEcono, frmParamRef, frmListOrdre>();
        flushDeletes();
        Screen::force(QRect());
    }

    // Runs the start-up (a first start unless a working database is already there).
    frmListOrdre& start() { return frmListOrdre::instance(); }

    // Writes a settings row straight into the working database (made from the template).
    void storeSettings(const TempStartFolder::Fields& fields) {
        if (!QFile::exists(folder.filePath(QStringLiteral("VornaW.mdb")))) folder.createWorkingDatabase();
        auto c = folder.openWorking();
        QStringList names{QStringLiteral("idUniq")}, marks{QStringLiteral("?")};
        QList<Value> values{Value(1)};
        for (const auto& [name, value] : fields) {
            names << name;
            marks << QStringLiteral("?");
            values << value;
        }
        c->execute(QStringLiteral("INSERT INTO ParamRef (%1) VALUES (%2)").arg(names.join(u','), marks.join(u',')),
                   values);
    }

    // Sound settings, as a save would store them.
    static TempStartFolder::Fields soundSettings(const QString& folderText) {
        return {{"radicalRef", "REF"},       {"reperGener", folderText}, {"ribPL", "20041 01005 05000123456 94"},
                {"identPL1", "BANQUE"},      {"identPL2", "1 RUE"},      {"codePostalPL", "75001"},
                {"villePL", "PARIS"},        {"paysPL", "FR"},           {"modifiableOY", true},
                {"modifiablePL", false},     {"modeTransfert", "VPN"},   {"partCft", "PART"}};
    }

    // The ParamRef rows on disk, read on a connection of the test's own.
    QList<QList<Value>> storedRows(const QStringList& columns) {
        auto c = folder.openWorking();
        Recordset r;
        r.open(QStringLiteral("select ") + columns.join(u',') + QStringLiteral(" from ParamRef"), c,
               CursorType::ForwardOnly, LockType::ReadOnly);
        QList<QList<Value>> rows;
        for (; !r.eof(); r.moveNext()) {
            QList<Value> row;
            for (const QString& col : columns) row << r.value(col);
            rows << row;
        }
        return rows;
    }

    TempStartFolder folder;
    ScriptedDialogs dialogs;
};

}  // namespace vorna::test
