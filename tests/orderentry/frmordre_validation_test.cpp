// The checks before an order is stored, as the user meets them: a store attempt through the
// order window, its message, the field that gets the focus, and what reaches the database.
#include <gtest/gtest.h>

#include "orderentry/orderwindow_support.h"

using namespace vorna;
using namespace vorna::test;

namespace {

class OrderValidation : public OrderWindowTest {
public:
    // A new order in euro to a German bank that every check lets through; the window is shown
    // so that the focus can move.
    frmOrdre& soundOrder() {
        frmOrdre& f = open();
        EXPECT_TRUE(showActive(&f));
        fill(f);
        dialogs.messages.clear();
        return f;
    }
    // The same in dollars to an American bank.
    frmOrdre& dollarOrder() {
        frmOrdre& f = soundOrder();
        f.txtDev[0]->setText("USD");
        f.txtDev[1]->setText("USD");
        f.txtBic[1]->setText("CHASUS33");
        f.txtPays[3]->setText("US");
        f.txtPays[4]->setText("US");
        f.txtIbanBE->setText("123456789");
        // Outside the EEA the customer is described in full.
        f.txtText[2]->setText("2 AVENUE");
        f.txtText[4]->setText("69001");
        return f;
    }

protected:
    // A store that a check refused: its one message, the focus, and nothing written.
    void expectRefused(frmOrdre& f, const QString& text, MsgIcon icon, const QString& title, QWidget* focus) {
        f.cmdAdd->click();
        ASSERT_EQ(dialogs.messages.size(), 1) << dialogs.texts().join(u'|').toStdString();
        EXPECT_EQ(dialogs.messages[0].text, text);
        EXPECT_EQ(dialogs.messages[0].icon, icon);
        EXPECT_EQ(dialogs.messages[0].title, title);
        EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::OK);
        EXPECT_EQ(f.activeControl(), focus);
        EXPECT_EQ(f.lastActiveControl, f.cmdClose);
        EXPECT_EQ(orderCount(), 0);
        EXPECT_EQ(f.datPrimaryRS->editMode(), EditMode::Add);
    }
};

TEST_F(OrderValidation, ASoundOrderIsStoredWithItsAmountText) {
    frmOrdre& f = soundOrder();
    f.cmdAdd->click();
    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.texts().join(u'|').toStdString();
    ASSERT_EQ(orderCount(), 1);
    Recordset r;
    r.open("select cMontant, ibanBE from Ordres", conn, CursorType::ForwardOnly, LockType::ReadOnly);
    EXPECT_EQ(r.value("cMontant").toText(), "125,50");
    EXPECT_EQ(r.value("ibanBE").toText(), kIbanDE);
}

// The window keeps what the checks found of the euro area, even when a later check refuses the
// order (the window's own flag is made stale first; the window then starts no new order).
TEST_F(OrderValidation, AStoreRecomputesTheEuroAreaFlag) {
    for (bool euro : {true, false}) {
        SCOPED_TRACE(euro ? "euro to Germany" : "dollars to the United States");
        frmOrdre& f = euro ? soundOrder() : dollarOrder();
        f.txtMotif[1]->setText("");
        f.isEuroEEE = !euro;
        f.cmdAdd->click();
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_EQ(dialogs.messages[0].text, "Vous devez saisir le motif de paiement.");
        EXPECT_EQ(f.isEuroEEE, euro);
    }
}

TEST_F(OrderValidation, EachBlockingCheckShowsItsMessageAndFocusesItsField) {
    struct Row {
        const char* name;
        std::function<frmOrdre&(OrderValidation&)> order;
        std::function<void(frmOrdre&)> change;
        QString text;
        std::function<QWidget*(frmOrdre&)> focus;
        MsgIcon icon = MsgIcon::Critical;
        QString title = "Erreur de saisie";
    };
    const auto euro = [](OrderValidation& t) -> frmOrdre& { return t.soundOrder(); };
    const auto dollar = [](OrderValidation& t) -> frmOrdre& { return t.dollarOrder(); };
    const Row rows[] = {
        {"reference equal to the prefix", euro, [](frmOrdre& f) { f.txtRefInterne->setText("REF"); },
         "La référence interne est incomplète", [](frmOrdre& f) { return f.txtRefInterne; }},
        {"no payment currency", euro, [](frmOrdre& f) { f.txtDev[1]->setText(""); },
         "La Devise de paiement est manquante", [](frmOrdre& f) { return f.txtDev[1]; }},
        {"euro without the bank's country", euro, [](frmOrdre& f) { f.txtPays[3]->setText(""); },
         "Le pays de la banque du bénéficiaire est manquant !", [](frmOrdre& f) { return f.txtPays[3]; }},
        {"amount of zero", euro, [](frmOrdre& f) { f.datPrimaryRS->setValue("montant", Decimal(0, 2)); },
         "Le montant doit être non nul", [](frmOrdre& f) { return f.txtMontant; }},
        {"customer's key", euro, [](frmOrdre& f) { f.txtRibOY->setText("30004005500001004750106"); },
         "La clé RIB du client donneur d'ordre n'est pas valide !", [](frmOrdre& f) { return f.txtRibOY; }},
        {"no customer but a second address line", euro,
         [](frmOrdre& f) {
             f.txtRibOY->setText("");
             for (int i : {1, 2, 4, 5}) f.txtText[i]->setText("");
             f.txtPays[0]->setText("");
             f.txtText[3]->setText("BP 12");
         },
         "S'il n'y a pas de client donneur d'ordre la zone de saisie de l'adresse (seconde ligne) doit être vide. !"
         "\r\n\r\nS'il y a un client donneur d'ordre assurez-vous que les champs de saisie soient tous servis.",
         [](frmOrdre& f) { return f.txtText[3]; }},
        {"intermediary BIC of 6", euro, [](frmOrdre& f) { f.txtBic[0]->setText("BNPAFR"); },
         "Le BIC de la banque intermédiaire doit avoir 8 ou 11 caractères.", [](frmOrdre& f) { return f.txtBic[0]; }},
        {"beneficiary BIC without country", euro, [](frmOrdre& f) { f.txtBic[1]->setText("DEUTZZFF"); },
         "Les caractères 5 et 6 du BIC de la banque du bénéficiaire doivent correspondre à un code Pays.",
         [](frmOrdre& f) { return f.txtBic[1]; }},
        {"placing at disposal with a bank code", dollar,
         [](frmOrdre& f) {
             f.optTypeOper->setValue(3, true);
             f.txtIbanBE->setText("");
             f.txtBqeBE->setText("021000021");
         },
         "Le code banque ne peut être transmis pour une Mise à Disposition", [](frmOrdre& f) { return f.txtBqeBE; }},
        {"beneficiary's city", euro, [](frmOrdre& f) { f.txtText[22]->setText(" "); },
         "La ville du bénéficiaire est manquante", [](frmOrdre& f) { return f.txtText[22]; }},
        {"beneficiary's country", euro, [](frmOrdre& f) { f.txtPays[4]->setText(""); },
         "Le pays du bénéficiaire est manquant", [](frmOrdre& f) { return f.txtPays[4]; }},
        {"IBAN key", euro, [](frmOrdre& f) { f.txtIbanBE->setText("DE88370400440532013000"); },
         "Clé IBAN incorrecte !!", [](frmOrdre& f) { return f.txtIbanBE; }, MsgIcon::Exclamation},
        {"no charges chosen", euro, [](frmOrdre& f) { f.optFrais->setValue(3, true); },
         "Vous devez définir l'imputation des frais.", [](frmOrdre& f) { return f.optFrais->button(3); },
         MsgIcon::None, "Information"},
        {"charges not shared", euro, [](frmOrdre& f) { f.optFrais->setValue(1, true); },
         "L'option des frais partagés est obligatoire dans le cadre d'un virement \r\nn'impliquant pas de conversion "
         "monétaire, dès lors qu'il est émis par et à \r\ndestination d'un pays de l'EEE.",
         [](frmOrdre& f) { return f.optFrais->button(2); }},
        {"no payment reason", euro, [](frmOrdre& f) { f.txtMotif[1]->setText(""); },
         "Vous devez saisir le motif de paiement.", [](frmOrdre& f) { return f.txtMotif[1]; }, MsgIcon::None,
         "Information"},
        {"advice by fax without its number", dollar, [](frmOrdre& f) { f.optAvisBenef->setValue(2, true); },
         "Le numéro de Fax est manquant", [](frmOrdre& f) { return f.txtAvisFax; }},
        {"no country of residence", euro, [](frmOrdre& f) { f.txtPays[5]->setText(""); },
         "Vous devez définir le code pays de résidence du bénéficiaire.", [](frmOrdre& f) { return f.txtPays[5]; },
         MsgIcon::None, "Information"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        frmOrdre& f = r.order(*this);
        r.change(f);
        expectRefused(f, r.text, r.icon, r.title, r.focus(f));
        if (r.icon == MsgIcon::Exclamation) {
            EXPECT_EQ(f.txtIbanBE->selectedText(), f.txtIbanBE->text());
        }
    }
}

TEST_F(OrderValidation, WarningsStoreOnYesAndKeepTheOrderOnNo) {
    struct Row {
        const char* name;
        std::function<frmOrdre&(OrderValidation&)> order;
        std::function<void(frmOrdre&)> change;
        QString question;
        std::function<QWidget*(frmOrdre&)> focusOnNo;  // null: the focus does not move
    };
    const QString anyway = "\r\n\r\nSouhaitez-vous malgré tout enregistrer cet ordre de paiement ?";
    const Row rows[] = {
        {"urgent in euro inside the EEA", [](OrderValidation& t) -> frmOrdre& { return t.soundOrder(); },
         [](frmOrdre& f) { f.chkUrgent->setChecked(true); },
         "Attention, pour que votre opération soit traitée de manière automatisée et\r\nsans frais supplémentaire, le "
         "caractère urgent ne doit pas être sélectionné !" + anyway,
         nullptr},
        {"customer's name changed from the settings",
         [](OrderValidation& t) -> frmOrdre& { return t.soundOrder(); },
         [](frmOrdre& f) { f.txtText[1]->setText("AUTRE CLIENT"); },
         "Attention, le client donneur d'ordre a été modifié : \r\n\r\n    - le nom du client donneur d'ordre." +
             anyway,
         nullptr},
        {"transfer outside the EEA without BIC nor bank code",
         [](OrderValidation& t) -> frmOrdre& { return t.dollarOrder(); },
         [](frmOrdre& f) { f.txtBic[1]->setText(""); },
         "Il est préférable d'indiquer le BIC ou le Code bancaire \r\nde la banque du bénéficiaire pour un transfert." +
             anyway,
         nullptr},
        {"bank code inside the EEA", [](OrderValidation& t) -> frmOrdre& { return t.soundOrder(); },
         [](frmOrdre& f) {
             f.txtBqeBE->setText("50070010");
             f.txtText[15]->setText("DEUTSCHE BANK");
             f.txtText[16]->setText("TAUNUSANLAGE 12");
             f.txtText[18]->setText("FRANCFORT");
         },
         "Si vous saisissez un code bancaire pour la banque du bénéficiaire, vous ne devez pas répéter cette "
         "information\r\ndans l'identifiant bancaire du bénéficiaire.\r\nVous ne devez pas renseigner cette zone si "
         "vous saisissez un IBAN ou si vous n'avez pas d'identifiant bancaire à saisir. " +
             anyway,
         [](frmOrdre& f) -> QWidget* { return f.txtBqeBE; }},
    };
    for (const Row& r : rows) {
        for (MsgAnswer a : {MsgAnswer::No, MsgAnswer::Yes}) {
            SCOPED_TRACE(std::string(r.name) + (a == MsgAnswer::Yes ? " / Yes" : " / No"));
            const int before = orderCount();
            frmOrdre& f = r.order(*this);
            r.change(f);
            QWidget* focusBefore = f.activeControl();
            dialogs.answer(a);
            f.cmdAdd->click();
            ASSERT_EQ(dialogs.messages.size(), 1) << dialogs.texts().join(u'|').toStdString();
            EXPECT_EQ(dialogs.messages[0].text, r.question);
            EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::YesNo);
            EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::None);
            EXPECT_EQ(dialogs.messages[0].title, "Information");
            EXPECT_EQ(orderCount(), before + (a == MsgAnswer::Yes ? 1 : 0));
            if (a == MsgAnswer::No) {
                EXPECT_EQ(f.activeControl(), r.focusOnNo ? r.focusOnNo(f) : focusBefore);
                EXPECT_EQ(f.lastActiveControl, f.cmdClose);
            }
        }
    }
}

TEST_F(OrderValidation, AdviceInsideTheEeaAnsweredNoEmptiesTheAdviceBoxes) {
    frmOrdre& f = soundOrder();
    f.optAvisBenef->setValue(1, true);
    f.txtAvisTel->setText("0102030405");
    f.txtMotif[5]->setText("MERCI");
    dialogs.answer(MsgAnswer::No);
    f.cmdAdd->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("Attention, pour que votre opération soit traitée de manière "
                                                    "automatisée et \r\nsans frais supplémentaire, les zones"));
    EXPECT_EQ(orderCount(), 0);
    EXPECT_EQ(f.txtMotif[5]->text(), "");
    EXPECT_EQ(f.txtAvisTel->text(), "");
    EXPECT_EQ(f.activeControl(), f.optAvisBenef->button(0));
    // The normal advice chosen, the next store goes through.
    f.optAvisBenef->setValue(0, true);
    f.cmdAdd->click();
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(orderCount(), 1);
}

TEST_F(OrderValidation, WhatAChequeCannotCarryIsEmptiedOnOkAndKeptOnCancel) {
    for (MsgAnswer a : {MsgAnswer::Cancel, MsgAnswer::OK}) {
        SCOPED_TRACE(a == MsgAnswer::OK ? "OK" : "Cancel");
        frmOrdre& f = soundOrder();
        f.optTypeOper->setValue(1, true);
        f.txtBic[1]->setText("");
        f.txtPays[3]->setText("");
        f.txtIbanBE->setText(kIbanDE);
        f.txtText[11]->setText("BANQUE RELAIS");
        f.txtPays[2]->setText("IT");
        f.txtText[2]->setText("2 AVENUE");  // no bank country: the customer is described in full
        f.txtText[4]->setText("69001");
        if (a == MsgAnswer::Cancel) dialogs.answer(a);  // unscripted questions get OK
        f.cmdAdd->click();
        if (a == MsgAnswer::Cancel) {
            ASSERT_EQ(dialogs.messages.size(), 1);
            EXPECT_EQ(dialogs.messages[0].buttons, MsgButtons::OKCancel);
            EXPECT_EQ(dialogs.messages[0].title, "Erreur de saisie");
            EXPECT_EQ(orderCount(), 0);
            EXPECT_EQ(f.txtText[11]->text(), "BANQUE RELAIS");
            EXPECT_EQ(f.txtIbanBE->text(), kIbanDE);
            continue;
        }
        // The intermediary bank, then the identifier: two questions, then the order is stored without them.
        ASSERT_EQ(dialogs.messages.size(), 2) << dialogs.texts().join(u'|').toStdString();
        EXPECT_TRUE(dialogs.messages[0].text.startsWith("Il ne peut y avoir de banque intermédiaire pour un chéque !"));
        EXPECT_TRUE(dialogs.messages[1].text.startsWith("Il ne peut y avoir d'identifiant bancaire"));
        EXPECT_EQ(dialogs.messages[1].title, "Information");
        ASSERT_EQ(orderCount(), 1);
        Recordset r;
        r.open("select identBqeI11, paysBqeI1, ibanBE, typeOper from Ordres", conn, CursorType::ForwardOnly,
               LockType::ReadOnly);
        EXPECT_TRUE(r.value("identBqeI11").isBlank());
        EXPECT_TRUE(r.value("paysBqeI1").isBlank());
        EXPECT_TRUE(r.value("ibanBE").isBlank());
        EXPECT_EQ(r.value("typeOper").toInt(), 1);
    }
}

TEST_F(OrderValidation, AmountTextFollowsTheNumberOfDecimals) {
    struct Row {
        QString nbDeci;
        Decimal montant;
        Value cMontant;
    };
    const Row rows[] = {
        {"0", Decimal(1234567, 0), Value("1 234 567")},
        {"2", Decimal(123456789, 2), Value("1 234 567,89")},
        {"3", Decimal(1234567891, 3), Value("1 234 567,891")},
        {"4", Decimal(12345678912, 4), Value::null()},  // left as it was
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.nbDeci.toStdString());
        frmOrdre& f = soundOrder();
        f.datPrimaryRS->setValue("montant", r.montant);
        f.txtNbDeci->setText(r.nbDeci);
        f.cmdAdd->click();
        ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.texts().join(u'|').toStdString();
        Recordset rs;
        rs.open("select cMontant from Ordres order by idOrdre desc", conn, CursorType::ForwardOnly, LockType::ReadOnly);
        EXPECT_EQ(rs.value(0).isNull() ? Value::null() : Value(rs.value(0).toText()), r.cMontant);
    }
}

TEST_F(OrderValidation, AFailureInsideTheChecksIsShownAndNothingIsWritten) {
    frmOrdre& f = soundOrder();
    // The EEA table cannot be read.
    const QString saved = Session::current().connParamVorna;
    Session::current().connParamVorna = jetConnectionString(folder.filePath("absente.mdb"));
    f.cmdAdd->click();
    Session::current().connParamVorna = saved;
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].title, "Erreur de saisie");
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Critical);
    EXPECT_TRUE(dialogs.messages[0].text.contains("absente.mdb")) << dialogs.messages[0].text.toStdString();
    EXPECT_EQ(orderCount(), 0);
    EXPECT_EQ(f.lastActiveControl, f.cmdClose);
    // The order stays as typed and goes in at the next store.
    f.cmdAdd->click();
    EXPECT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(orderCount(), 1);
}

// The main window's commands that open the order window.
class OrderCommands : public OrderValidation {
protected:
    // Each time the order window shows, `inside` runs there and the window is then closed.
    void whenOrderWindowShows(std::function<void(frmOrdre&)> inside) {
        forms::Form::ModalHook = [this, inside](forms::Form& w) {
            auto* o = qobject_cast<frmOrdre*>(&w);
            if (!o) return;
            ++shown;
            opened = o->intNumOrdre;
            pointerWhileOpen = frmListOrdre::instance().MSHFlexGrid1->cursor().shape();
            if (inside) inside(*o);
            if (frmOrdre::isLoaded()) o->unload();
        };
    }
    frmListOrdre& listWith(int orders) {
        for (int i = 1; i <= orders; ++i) ids << order({{"refInterne", QStringLiteral("REF%1").arg(i)}});
        frmListOrdre& list = frmListOrdre::instance();
        list.misEnForme(false);
        return list;
    }
    static bool pointerIsDefault(frmListOrdre& list) { return !list.MSHFlexGrid1->testAttribute(Qt::WA_SetCursor); }

    QList<qint64> ids;
    int shown = 0;
    Value opened;
    Qt::CursorShape pointerWhileOpen = Qt::ArrowCursor;
};

TEST_F(OrderCommands, CreateStoresANewOrderAndMakesTheNewestCurrent) {
    frmListOrdre& list = listWith(2);
    list.MSHFlexGrid1->setRow(2);
    list.MSHFlexGrid1_RowColChange();
    whenOrderWindowShows([this](frmOrdre& f) {
        fill(f);
        f.cmdAdd->click();
        EXPECT_EQ(orderCount(), 3);
    });
    list.mnAjout_Click();
    ASSERT_TRUE(dialogs.messages.isEmpty()) << dialogs.texts().join(u'|').toStdString();
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(pointerWhileOpen, Qt::WaitCursor);
    EXPECT_TRUE(pointerIsDefault(list));
    // The list shows the new order, current on the first data row, with the commands for it.
    ASSERT_EQ(list.MSHFlexGrid1->rows(), 4);
    EXPECT_EQ(list.MSHFlexGrid1->row(), 1);
    EXPECT_EQ(list.MSHFlexGrid1->textMatrix(1, 5), "REF001");
    EXPECT_TRUE(list.mnModif->isEnabled());
    EXPECT_TRUE(list.mnSuppr->isEnabled());
}

TEST_F(OrderCommands, ModifyOpensTheCurrentOrderAndKeepsItsRowIndex) {
    frmListOrdre& list = listWith(3);
    list.MSHFlexGrid1->setRow(2);
    list.MSHFlexGrid1_RowColChange();
    const QString number = list.MSHFlexGrid1->textMatrix(2, 0);
    whenOrderWindowShows(nullptr);
    list.mnModif_Click();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(opened.toText(), number);
    EXPECT_EQ(pointerWhileOpen, Qt::WaitCursor);
    EXPECT_TRUE(pointerIsDefault(list));
    EXPECT_EQ(list.MSHFlexGrid1->row(), 2);
    EXPECT_EQ(dialogs.beeps, 0);

    // A double click opens the order of a data row, never the header's.
    list.MSHFlexGrid1->setRow(0);
    emit list.MSHFlexGrid1->dblClick();
    EXPECT_EQ(shown, 1);
    list.MSHFlexGrid1->setRow(3);
    list.MSHFlexGrid1_RowColChange();
    emit list.MSHFlexGrid1->dblClick();
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(opened.toText(), list.MSHFlexGrid1->textMatrix(3, 0));
}

TEST_F(OrderCommands, ModifyWithoutCurrentOrderBeeps) {
    frmListOrdre& list = listWith(0);
    whenOrderWindowShows(nullptr);
    ASSERT_FALSE(list.mnModif->isEnabled());
    list.mnModif_Click();
    EXPECT_EQ(dialogs.beeps, 1);
    EXPECT_EQ(shown, 0);
}

TEST_F(OrderCommands, TheSettingsGateOpensNoOrder) {
    frmListOrdre& list = listWith(1);
    whenOrderWindowShows(nullptr);
    frmParamRef& settings = frmParamRef::instance();

    // A generation folder without its final slash: the settings check speaks, and the settings
    // window waits on the folder.
    settings.txtReperGener->setText(folder.path());
    list.mnAjout_Click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].text.startsWith("La saisie d'un répertoire de génération est oblifgatoire !"));
    EXPECT_TRUE(settings.isVisible());
    EXPECT_EQ(settings.activeControl(), settings.txtReperGener);
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(pointerIsDefault(list));
    settings.hide();

    // Settings never filled in: one message, nothing else.
    dialogs.messages.clear();
    settings.datPrimaryRS->setValue("modifiablePL", Value::null());
    list.mnAjout_Click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.messages[0].text, "Le paramétrage doit être renseigné");
    EXPECT_EQ(dialogs.messages[0].title, "Paramétrage manquant");
    EXPECT_EQ(dialogs.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_FALSE(settings.isVisible());
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(orderCount(), 1);
    EXPECT_TRUE(pointerIsDefault(list));
}

TEST_F(OrderCommands, AFailedRefreshIsShownAndTheMainWindowStaysUsable) {
    frmListOrdre& list = listWith(2);
    list.MSHFlexGrid1->setRow(1);
    list.MSHFlexGrid1_RowColChange();
    // The orders' table goes away while the order window is open.
    whenOrderWindowShows([this](frmOrdre&) { conn->execute("ALTER TABLE Ordres RENAME TO OrdresAilleurs"); });
    list.mnModif_Click();
    EXPECT_EQ(shown, 1);
    ASSERT_FALSE(dialogs.messages.isEmpty());
    EXPECT_TRUE(dialogs.messages.last().title.startsWith("Erreur : ")) << dialogs.messages.last().title.toStdString();
    EXPECT_EQ(dialogs.messages.last().icon, MsgIcon::Critical);
    EXPECT_TRUE(pointerIsDefault(list));
    EXPECT_EQ(list.loadState(), forms::Form::LoadState::Loaded);
    // Back in place, the list reads again.
    conn->execute("ALTER TABLE OrdresAilleurs RENAME TO Ordres");
    list.misEnForme(false);
    EXPECT_EQ(list.MSHFlexGrid1->rows(), 3);
}

}  // namespace
