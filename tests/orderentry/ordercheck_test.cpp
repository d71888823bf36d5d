#include <gtest/gtest.h>

#include <QSet>
#include <deque>

#include "common/qtsupport.h"
#include "orderentry/ordercheck.h"
#include "platform/environment.h"

using namespace vorna;

namespace {

const QString CRLF = "\r\n";
const QString kStoreAnyway = "Souhaitez-vous malgré tout enregistrer cet ordre de paiement ?";
const QString kIbanDE = "DE89370400440532013000";
const QString kRibOY = "30004005500001004750105";

// A euro transfer to a German bank: passes every check without a question.
OrderScreen euroTransfer() {
    OrderScreen s;
    s.typeOper = operation::Transfert;
    s.frais = 2;
    s.radicalRef = "REF";
    s.refInterne = "REF0001";
    s.dev = {"EUR", "EUR"};
    s.montant = "1 234,50";
    s.nbDeci = "2";
    s.montantValue = Decimal(123450, 2);
    s.ribPL = "20041 01005 05000123456 94";
    s.text[6] = "BANQUE";
    s.text[7] = "1 RUE";
    s.text[9] = "75001";
    s.text[10] = "PARIS";
    s.pays[1] = "FR";
    s.bic[1] = "DEUTDEFFXXX";
    s.pays[3] = "DE";
    s.text[19] = "BENEF";
    s.text[20] = "2 STRASSE";
    s.text[22] = "BERLIN";
    s.pays[4] = "DE";
    s.ibanBE = kIbanDE;
    s.motif1 = "FACTURE 12";
    s.pays[5] = "DE";
    return s;
}

// A dollar transfer to an American bank.
OrderScreen dollarTransfer() {
    OrderScreen s = euroTransfer();
    s.dev = {"USD", "USD"};
    s.bic[1] = "CHASUS33";
    s.pays[3] = "US";
    s.pays[4] = "US";
    s.ibanBE = "123456789";
    s.frais = 0;
    return s;
}

OrderScreen cheque(OrderScreen s) {
    s.typeOper = operation::Cheque;
    s.bic[1].clear();
    s.pays[3].clear();
    s.ibanBE.clear();
    return s;
}

struct Refusal {
    const char* name;
    std::function<void(OrderScreen&)> change;
    QString text;
    QString focus;
};

class OrderChecks : public ::testing::Test {
protected:
    void SetUp() override { Locale::force(false); }
    void TearDown() override { Locale::force(std::nullopt); }

    OrderVerdict judge(const OrderScreen& s) {
        OrderLookups l;
        l.isCountry = [](const QString& c) { return QSet<QString>{"FR", "DE", "IT", "US", "CH"}.contains(c); };
        l.isEeaCountry = [](const QString& c) { return c == "FR" || c == "DE" || c == "IT"; };
        l.isDefaultChanged = [this](const QString& column) { return changed.contains(column); };
        l.ask = [this](const OrderMessage& m) {
            asked.push_back(m);
            if (answers.empty()) return MsgAnswer::No;
            const MsgAnswer a = answers.front();
            answers.pop_front();
            return a;
        };
        return judgeOrder(s, l);
    }

    // A refusal by a blocking message: its text, focus, icon and title; no question asked.
    void expectRefused(const OrderScreen& s, const QString& text, const QString& focus,
                       MsgIcon icon = MsgIcon::Critical, const QString& title = "Erreur de saisie") {
        asked.clear();
        const OrderVerdict v = judge(s);
        EXPECT_FALSE(v.accepted) << text.toStdString();
        ASSERT_TRUE(v.message.has_value()) << text.toStdString();
        EXPECT_EQ(v.message->text, text);
        EXPECT_EQ(v.message->title, title) << text.toStdString();
        EXPECT_EQ(v.message->buttons, MsgButtons::OK) << text.toStdString();
        EXPECT_EQ(v.message->icon, icon) << text.toStdString();
        EXPECT_EQ(v.focus, focus) << text.toStdString();
        EXPECT_TRUE(asked.empty()) << text.toStdString();
    }

    // Each row changes a sound order so that one check refuses it.
    void run(const OrderScreen& base, std::initializer_list<Refusal> rows) {
        for (const Refusal& r : rows) {
            SCOPED_TRACE(r.name);
            OrderScreen s = base;
            r.change(s);
            expectRefused(s, r.text, r.focus);
        }
    }

    QSet<QString> changed;
    std::deque<MsgAnswer> answers;
    std::vector<OrderMessage> asked;
};

}  // namespace

TEST_F(OrderChecks, SoundOrdersPassWithoutAQuestion) {
    for (const OrderScreen& s : {euroTransfer(), dollarTransfer()}) {
        const OrderVerdict v = judge(s);
        EXPECT_TRUE(v.accepted);
        EXPECT_FALSE(v.message.has_value());
        EXPECT_TRUE(asked.empty());
        EXPECT_TRUE(v.emptiedColumns.isEmpty());
        EXPECT_EQ(v.focus, "");
    }
    // A cheque in euro to a German beneficiary: no bank, no identifier, no question either.
    OrderScreen c = cheque(euroTransfer());
    const OrderVerdict v = judge(c);
    EXPECT_TRUE(v.accepted) << (v.message ? v.message->text.toStdString() : "");
    EXPECT_EQ(v.isEuroEEE, false);
}

TEST_F(OrderChecks, HeaderChecksComeFirstAndInOrder) {
    run(euroTransfer(),
        {
            {"reference equal to the prefix", [](OrderScreen& s) { s.refInterne = "REF"; },
             "La référence interne est incomplète", "txtRefInterne"},
            {"the prefix is checked before the currencies",
             [](OrderScreen& s) {
                 s.refInterne = "REF";
                 s.dev = {"", ""};
             },
             "La référence interne est incomplète", "txtRefInterne"},
            {"a reference in lower case is not the prefix",
             [](OrderScreen& s) {
                 s.refInterne = "ref";
                 s.dev[0] = " ";
             },
             "La Devise d'ordre est manquante", "txtDev(0)"},
            {"blank reference", [](OrderScreen& s) { s.refInterne = "   "; }, "La Référence interne est manquante",
             "txtRefInterne"},
            {"no payment currency", [](OrderScreen& s) { s.dev[1] = ""; }, "La Devise de paiement est manquante",
             "txtDev(1)"},
            {"euro without the bank's country", [](OrderScreen& s) { s.pays[3] = ""; },
             "Le pays de la banque du bénéficiaire est manquant !", "txtPays(3)"},
            {"amount of zero with decimals", [](OrderScreen& s) { s.montant = "0,00"; }, "Le montant doit être non nul",
             "txtMontant"},
            {"amount of letters", [](OrderScreen& s) { s.montant = "ABC"; }, "Le montant doit être non nul",
             "txtMontant"},
            {"the box's text when the row holds no amount",
             [](OrderScreen& s) {
                 s.montant = "1 234,567";
                 s.montantValue = Value::null();
             },
             "Le montant ne peut avoir plus de 2 décimale(s) dans cette devise !", "txtMontant"},
        });
    // Below one unit is no zero.
    OrderScreen s = euroTransfer();
    s.montant = "0,50";
    s.montantValue = Decimal(50, 2);
    EXPECT_TRUE(judge(s).accepted);
}

TEST_F(OrderChecks, TheEuroFlagFollowsBothCurrenciesAndTheBankCountry) {
    struct Row {
        const char* name;
        std::function<void(OrderScreen&)> change;
        bool isEuroEEE;
    };
    const Row rows[] = {
        {"euro to an EEA bank", [](OrderScreen&) {}, true},
        {"dollars ordered", [](OrderScreen& s) { s.dev[0] = "USD"; }, false},
        {"dollars paid", [](OrderScreen& s) { s.dev[1] = "USD"; }, false},
        {"letter case counts", [](OrderScreen& s) { s.dev[1] = "eur"; }, false},
        {"bank outside the EEA", [](OrderScreen& s) { s.pays[3] = "CH"; }, false},
        {"cheque in euro without bank country", [](OrderScreen& s) { s = cheque(s); }, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        OrderScreen s = euroTransfer();
        r.change(s);
        answers = {MsgAnswer::Yes, MsgAnswer::Yes};  // the questions outside the EEA
        const OrderVerdict v = judge(s);
        EXPECT_EQ(v.isEuroEEE, std::optional<bool>(r.isEuroEEE));
    }
    // Refused before the flag is looked at: it stays as it was.
    OrderScreen s = euroTransfer();
    s.dev[0] = "";
    EXPECT_FALSE(judge(s).isEuroEEE.has_value());
}

TEST_F(OrderChecks, AmountDisplayTextByNumberOfDecimals) {
    const Value amount = Decimal(123456789, 3);  // 123 456,789
    EXPECT_EQ(amountDisplayText(amount, "0"), std::optional<QString>("123 457"));
    EXPECT_EQ(amountDisplayText(amount, "2"), std::optional<QString>("123 456,79"));
    EXPECT_EQ(amountDisplayText(amount, "3"), std::optional<QString>("123 456,789"));
    EXPECT_EQ(amountDisplayText(Value(qint64(5)), "2"), std::optional<QString>("5,00"));
    for (const char* other : {"1", "4", "", "X"})
        EXPECT_FALSE(amountDisplayText(amount, other).has_value()) << other;
    // Written by the check once the amount is known not to be zero, and only then.
    OrderScreen s = euroTransfer();
    EXPECT_EQ(judge(s).cMontant, std::optional<QString>("1 234,50"));
    s.nbDeci = "4";
    EXPECT_FALSE(judge(s).cMontant.has_value());
    s.nbDeci = "2";
    s.montant = "0";
    EXPECT_FALSE(judge(s).cMontant.has_value());
}

TEST_F(OrderChecks, OrderingPartiesChecks) {
    const QString empties =
        CRLF + CRLF + "S'il n'y a pas de client donneur d'ordre assurez-vous que les champs de saisie soient tous vides.";
    const QString fills =
        CRLF + CRLF + "S'il y a un client donneur d'ordre assurez-vous que les champs de saisie soient tous servis.";
    // A customer with a sound account and a bank outside the EEA must be described.
    OrderScreen outside = dollarTransfer();
    outside.ribOY = kRibOY;
    outside.text[1] = "CLIENT";
    outside.text[2] = "ADRESSE";
    outside.text[4] = "69001";
    outside.text[5] = "LYON";
    outside.pays[0] = "FR";
    EXPECT_TRUE(judge(outside).accepted);
    outside.text[3] = "";  // the second address line is never required
    EXPECT_TRUE(judge(outside).accepted);
    run(outside,
        {
            {"wrong customer key", [](OrderScreen& s) { s.ribOY = kRibOY.left(21) + "06"; },
             "La clé RIB du client donneur d'ordre n'est pas valide !", "txtRibOY"},
            {"no name", [](OrderScreen& s) { s.text[1] = ""; },
             "S'il y a un client donneur d'ordre son nom est manquant. !" + empties, "txtText(1)"},
            {"no first address line", [](OrderScreen& s) { s.text[2] = ""; },
             "S'il y a un client donneur d'ordre son adresse (première ligne) est manquante. !" + empties, "txtText(2)"},
            {"no postal code", [](OrderScreen& s) { s.text[4] = ""; },
             "S'il y a un client donneur d'ordre son code postal est manquant. !" + empties, "txtText(4)"},
            {"no city", [](OrderScreen& s) { s.text[5] = ""; },
             "S'il y a un client donneur d'ordre sa ville est manquante. !" + empties, "txtText(5)"},
            {"no country", [](OrderScreen& s) { s.pays[0] = ""; },
             "S'il y a un client donneur d'ordre son pays est manquant. !" + empties, "txtPays(0)"},
        });
    // Inside the EEA the account alone will do.
    OrderScreen inside = euroTransfer();
    inside.ribOY = kRibOY;
    EXPECT_TRUE(judge(inside).accepted);

    const QString lead = "S'il n'y a pas de client donneur d'ordre la zone de saisie ";
    run(euroTransfer(),
        {
            {"name without account", [](OrderScreen& s) { s.text[1] = "X"; },
             lead + "du nom doit être vide. !" + fills, "txtText(1)"},
            {"second line without account (a blank counts)", [](OrderScreen& s) { s.text[3] = " "; },
             lead + "de l'adresse (seconde ligne) doit être vide. !" + fills, "txtText(3)"},
            {"country without account", [](OrderScreen& s) { s.pays[0] = "FR"; },
             lead + "du pays doit être vide. !" + fills, "txtPays(0)"},
            {"no institution account", [](OrderScreen& s) { s.ribPL = "   "; },
             "Le RIB de l'établissement donneur d'ordre est manquant", "txtRibPL"},
            {"no institution name", [](OrderScreen& s) { s.text[6] = ""; },
             "Le nom de l'établissement d'ordre est manquant", "txtText(6)"},
            {"no institution address", [](OrderScreen& s) { s.text[7] = ""; },
             "L'adresse (première ligne) de l'établissement donneur d'ordre est manquante", "txtText(7)"},
            {"no institution postal code", [](OrderScreen& s) { s.text[9] = ""; },
             "Le code postal de l'établissement donneur d'ordre est manquant", "txtText(9)"},
            {"no institution city", [](OrderScreen& s) { s.text[10] = ""; },
             "La ville de l'établissement donneur d'ordre est manquante", "txtText(10)"},
            {"no institution country", [](OrderScreen& s) { s.pays[1] = ""; },
             "Le pays de l'établissement donneur d'ordre est manquant", "txtPays(1)"},
        });
    OrderScreen same = outside;
    same.text[1] = same.text[6];
    expectRefused(same,
                  "Si le client donneur d'ordre est aussi l'établissement donneur d'ordre" + CRLF +
                      "le Client donneur d'ordre ne doit pas être saisi.",
                  "txtText(1)");
}

TEST_F(OrderChecks, BankChecks) {
    OrderScreen withIntermediary = euroTransfer();
    withIntermediary.bic[0] = "BNPAFRPP";
    withIntermediary.text[11] = "BNP";
    EXPECT_TRUE(judge(withIntermediary).accepted);
    run(euroTransfer(),
        {
            {"intermediary without BIC", [](OrderScreen& s) { s.text[11] = "BNP"; },
             "Le BIC de la banque intermédiaire est obligatoire !", "txtBic(0)"},
            {"intermediary BIC of 9", [](OrderScreen& s) { s.bic[0] = "BNPAFRPP1"; },
             "Le BIC de la banque intermédiaire doit avoir 8 ou 11 caractères.", "txtBic(0)"},
            {"intermediary BIC without country", [](OrderScreen& s) { s.bic[0] = "BNPAXXPP"; },
             "Les caractères 5 et 6 du BIC de la banque intermédiaire doivent correspondre à un code Pays.",
             "txtBic(0)"},
            {"intermediary is the system's bank", [](OrderScreen& s) { s.bic[0] = "ZULEFRPPCCT"; },
             "La banque intermédiaire ne peut être ni la Banque du donneur d'ordre ni la banque du bénéficiaire !",
             "txtBic(0)"},
            {"intermediary is the beneficiary's bank", [](OrderScreen& s) { s.bic[0] = s.bic[1]; },
             "La banque intermédiaire ne peut être ni la Banque du donneur d'ordre ni la banque du bénéficiaire !",
             "txtBic(0)"},
            {"euro inside the EEA without BIC", [](OrderScreen& s) { s.bic[1] = " "; },
             "Le BIC de la banque bénéficiaire est obligatoire pour les virements transfrontaliers.", "txtBic(1)"},
            {"placing at disposal with a bank code",
             [](OrderScreen& s) {
                 s = dollarTransfer();
                 s.typeOper = operation::MiseADisposition;
                 s.bqeBE = "123";
                 s.ibanBE = "";
             },
             "Le code banque ne peut être transmis pour une Mise à Disposition", "txtBqeBE"},
            {"beneficiary BIC of 7", [](OrderScreen& s) { s.bic[1] = "DEUTDEF"; },
             "Le BIC de la banque du bénéficiaire doit avoir 8 ou 11 caractères.", "txtBic(1)"},
            {"beneficiary BIC without country", [](OrderScreen& s) { s.bic[1] = "DEUTZZFF"; },
             "Les caractères 5 et 6 du BIC de la banque du bénéficiaire doivent correspondre à un code Pays.",
             "txtBic(1)"},
        });
    // The system's bank as intermediary is refused only for a euro transfer inside the EEA.
    OrderScreen outside = dollarTransfer();
    outside.bic[0] = "ZULEFRPPCCT";
    EXPECT_TRUE(judge(outside).accepted);

    // A bank code and a BIC together ask for the bank's description.
    OrderScreen both = dollarTransfer();
    both.bqeBE = "021000021";
    both.text[15] = "CHASE";
    both.text[16] = "270 PARK AVENUE";
    both.text[18] = "NEW YORK";
    EXPECT_TRUE(judge(both).accepted);
    run(both, {
                  {"bank name", [](OrderScreen& s) { s.text[15] = ""; },
                   "Le nom de la banque du bénéficiaire est manquante", "txtText(15)"},
                  {"bank address", [](OrderScreen& s) { s.text[16] = " "; },
                   "L'adresse (première ligne) de la banque du bénéficiaire est manquante", "txtText(16)"},
                  {"bank city", [](OrderScreen& s) { s.text[18] = ""; },
                   "La ville de la banque du bénéficiaire est manquante", "txtText(18)"},
              });
    // With one of the two only, or for a settlement, no description is asked for.
    OrderScreen one = both;
    one.text[15] = one.text[16] = one.text[18] = "";
    one.bqeBE = "";
    EXPECT_TRUE(judge(one).accepted);
    one = both;
    one.text[15] = "";
    one.typeOper = operation::Reglement;
    EXPECT_TRUE(judge(one).accepted);
}

TEST_F(OrderChecks, BeneficiaryAndClosingChecks) {
    run(euroTransfer(),
        {
            {"no beneficiary name", [](OrderScreen& s) { s.text[19] = ""; }, "Le nom du bénéficiaire est manquant",
             "txtText(19)"},
            {"no beneficiary address", [](OrderScreen& s) { s.text[20] = ""; },
             "L'adresse (première ligne) du bénéficiaire est manquante", "txtText(20)"},
            {"no beneficiary city", [](OrderScreen& s) { s.text[22] = ""; }, "La ville du bénéficiaire est manquante",
             "txtText(22)"},
            {"no beneficiary country", [](OrderScreen& s) { s.pays[4] = ""; }, "Le pays du bénéficiaire est manquant",
             "txtPays(4)"},
            {"no identifier", [](OrderScreen& s) { s.ibanBE = ""; },
             "L'identifiant bancaire du bénéficiaire est manquant", "txtIbanBE"},
            {"identifier starting with digits", [](OrderScreen& s) { s.ibanBE = "12345678"; },
             "L'identifiant bancaire du bénéficiaire attendu doit être un Iban. Votre saisie n'est pas d'un format "
             "correct.",
             "txtIbanBE"},
            {"identifier without country", [](OrderScreen& s) { s.ibanBE = "XX89370400440532013000"; },
             "Les 2 premiers caractères de l'IBAN du bénéficiaire doivent correspondre à un code Pays.", "txtIbanBE"},
            {"charges not shared", [](OrderScreen& s) { s.frais = 0; },
             "L'option des frais partagés est obligatoire dans le cadre d'un virement " + CRLF +
                 "n'impliquant pas de conversion monétaire, dès lors qu'il est émis par et à " + CRLF +
                 "destination d'un pays de l'EEE.",
             "optFrais(2)"},
        });
    // Outside the EEA any identifier will do, and the charges are free.
    OrderScreen free = dollarTransfer();
    free.ibanBE = "1";
    free.frais = 1;
    EXPECT_TRUE(judge(free).accepted);

    OrderScreen s = euroTransfer();
    s.ibanBE = "DE88370400440532013000";
    const OrderVerdict v = judge(s);
    ASSERT_TRUE(v.message.has_value());
    EXPECT_EQ(v.message->text, "Clé IBAN incorrecte !!");
    EXPECT_EQ(v.message->icon, MsgIcon::Exclamation);
    EXPECT_EQ(v.message->title, "Erreur de saisie");
    EXPECT_TRUE(v.selectText);

    // The three messages titled "Information" show no icon.
    s = euroTransfer();
    s.frais = 3;
    expectRefused(s, "Vous devez définir l'imputation des frais.", "optFrais(3)", MsgIcon::None, "Information");
    s = euroTransfer();
    s.motif1 = "  ";
    expectRefused(s, "Vous devez saisir le motif de paiement.", "txtMotif(1)", MsgIcon::None, "Information");
    s = euroTransfer();
    s.pays[5] = " ";
    expectRefused(s, "Vous devez définir le code pays de résidence du bénéficiaire.", "txtPays(5)", MsgIcon::None,
                  "Information");

    // Outside the EEA the advice by fax needs the number and empties the telephone, and the
    // other way round.
    s = dollarTransfer();
    s.avisBenef = 2;
    expectRefused(s, "Le numéro de Fax est manquant", "txtAvisFax");
    s.avisFax = "0102";
    EXPECT_EQ(judge(s).emptiedColumns, QStringList{"avisTel"});
    s.avisBenef = 1;
    expectRefused(s, "Le numéro de Téléphone est manquant", "txtAvisTel");
    s.avisTel = "0304";
    EXPECT_EQ(judge(s).emptiedColumns, QStringList{"avisFax"});
}

TEST_F(OrderChecks, WarningsGoOnWithYesAndStopWithNo) {
    struct Row {
        const char* name;
        std::function<void(OrderScreen&)> change;
        QString question;
        QString focusOnNo;
        QStringList emptiedBoxesOnNo;
    };
    const QString adviceQuestion =
        "Attention, pour que votre opération soit traitée de manière automatisée et " + CRLF +
        "sans frais supplémentaire, les zones de saisie de l'avis au bénéficiaire " + CRLF +
        "doivent rester vides et la case 'normal' sélectionnée !" + CRLF + CRLF + kStoreAnyway;
    const Row rows[] = {
        {"bank code inside the EEA",
         [](OrderScreen& s) {
             s.bqeBE = "123";
             s.text[15] = "DEUTSCHE BANK";
             s.text[16] = "TAUNUSANLAGE 12";
             s.text[18] = "FRANCFORT";
         },
         "Si vous saisissez un code bancaire pour la banque du bénéficiaire, vous ne devez pas répéter cette "
         "information" +
             CRLF + "dans l'identifiant bancaire du bénéficiaire." + CRLF +
             "Vous ne devez pas renseigner cette zone si vous saisissez un IBAN ou si vous n'avez pas d'identifiant "
             "bancaire à saisir. " +
             CRLF + CRLF + kStoreAnyway,
         "txtBqeBE", {}},
        {"transfer outside the EEA without BIC nor bank code",
         [](OrderScreen& s) {
             s = dollarTransfer();
             s.bic[1] = "";
         },
         "Il est préférable d'indiquer le BIC ou le Code bancaire " + CRLF +
             "de la banque du bénéficiaire pour un transfert." + CRLF + CRLF + kStoreAnyway,
         "", {}},
        {"advice text inside the EEA", [](OrderScreen& s) { s.motif5 = "MERCI"; }, adviceQuestion, "optAvisBenef(0)",
         {"txtMotif(5)", "txtAvisTel", "txtAvisFax"}},
        {"advice by telephone inside the EEA", [](OrderScreen& s) { s.avisBenef = 1; }, adviceQuestion,
         "optAvisBenef(0)", {"txtMotif(5)", "txtAvisTel", "txtAvisFax"}},
        {"urgent inside the EEA", [](OrderScreen& s) { s.urgent = true; },
         "Attention, pour que votre opération soit traitée de manière automatisée et" + CRLF +
             "sans frais supplémentaire, le caractère urgent ne doit pas être sélectionné !" + CRLF + CRLF +
             kStoreAnyway,
         "", {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (MsgAnswer a : {MsgAnswer::Yes, MsgAnswer::No}) {
            OrderScreen s = euroTransfer();
            r.change(s);
            asked.clear();
            answers = {a};
            const OrderVerdict v = judge(s);
            ASSERT_EQ(asked.size(), 1u);
            EXPECT_EQ(asked[0].text, r.question);
            EXPECT_EQ(asked[0].title, "Information");
            EXPECT_EQ(asked[0].buttons, MsgButtons::YesNo);
            EXPECT_EQ(asked[0].icon, MsgIcon::None);
            EXPECT_EQ(v.accepted, a == MsgAnswer::Yes);
            EXPECT_FALSE(v.message.has_value());
            EXPECT_EQ(v.focus, a == MsgAnswer::Yes ? QString() : r.focusOnNo);
            EXPECT_EQ(v.emptiedBoxes, a == MsgAnswer::Yes ? QStringList() : r.emptiedBoxesOnNo);
        }
    }
    // Urgency outside the EEA asks nothing.
    OrderScreen s = dollarTransfer();
    s.urgent = true;
    asked.clear();
    EXPECT_TRUE(judge(s).accepted);
    EXPECT_TRUE(asked.empty());
}

TEST_F(OrderChecks, ChangedDefaultsAreListedInOneQuestionPerParty) {
    changed = {"identOY1", "paysOY", "villePL"};
    answers = {MsgAnswer::Yes, MsgAnswer::No};
    const OrderVerdict v = judge(euroTransfer());
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, "Attention, le client donneur d'ordre a été modifié : " + CRLF + CRLF +
                                 "    - le nom du client donneur d'ordre." + CRLF +
                                 "    - Le pays du client donneur d'ordre." + CRLF + CRLF + kStoreAnyway);
    EXPECT_EQ(asked[1].text, "Attention, l'établissement donneur d'ordre a été modifié : " + CRLF + CRLF +
                                 "    - La ville de l'établissement donneur d'ordre." + CRLF + CRLF + kStoreAnyway);
    EXPECT_EQ(asked[1].buttons, MsgButtons::YesNo);
    EXPECT_FALSE(v.accepted);
    EXPECT_EQ(v.focus, "");
    // No on the customer's question asks nothing more.
    asked.clear();
    answers = {MsgAnswer::No};
    EXPECT_FALSE(judge(euroTransfer()).accepted);
    EXPECT_EQ(asked.size(), 1u);
}

TEST_F(OrderChecks, WhatAChequeOrAPlacingCannotCarryIsEmptiedWithOkAndKeptWithCancel) {
    struct Row {
        const char* name;
        std::function<void(OrderScreen&)> change;
        QString question;
        QString title;
        QStringList columns;
    };
    const Row rows[] = {
        {"cheque with an intermediary bank",
         [](OrderScreen& s) {
             s.bic[0] = "XYZ";  // its form no longer matters once emptied
             s.pays[2] = "IT";
         },
         "Il ne peut y avoir de banque intermédiaire pour un chéque !" + CRLF +
             "Les informations de la banque intermédiaire ne seront pas enregistrées !",
         "Erreur de saisie",
         {"bicBqeI1", "identBqeI11", "identBqeI12", "identBqeI13", "villeBqeI1", "paysBqeI1"}},
        {"cheque with a beneficiary's bank",
         [](OrderScreen& s) {
             s.bic[1] = "DEUT";
             s.text[17] = "LIGNE";
         },
         "Il ne peut y avoir de banque du bénéficiaire pour un chéque !" + CRLF +
             "Les informations de la banque du bénéficiare ne seront pas enregistrées !",
         "Erreur de saisie",
         {"codeBqeBE", "bicBqeBE", "identBqeBE1", "identBqeBE2", "identBqeBE3", "villeBqeBE", "paysBqeBE"}},
        {"cheque with an identifier", [](OrderScreen& s) { s.ibanBE = kIbanDE; },
         "Il ne peut y avoir d'identifiant bancaire du bénéficiaire pour un chéque " + CRLF +
             "ou pour une mise à disposition. " + CRLF + CRLF +
             "L'identifiant bancaire du bénéficiaire ne sera pas enregistré",
         "Information",
         {"ibanBE"}},
        {"placing at disposal with an identifier",
         [](OrderScreen& s) {
             s.typeOper = operation::MiseADisposition;
             s.ibanBE = kIbanDE;
             s.bic[1] = "DEUTDEFF";
             s.pays[3] = "DE";
         },
         "Il ne peut y avoir d'identifiant bancaire du bénéficiaire pour un chéque " + CRLF +
             "ou pour une mise à disposition. " + CRLF + CRLF +
             "L'identifiant bancaire du bénéficiaire ne sera pas enregistré",
         "Information",
         {"ibanBE"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (MsgAnswer a : {MsgAnswer::OK, MsgAnswer::Cancel}) {
            OrderScreen s = cheque(dollarTransfer());
            r.change(s);
            asked.clear();
            answers = {a};
            const OrderVerdict v = judge(s);
            ASSERT_EQ(asked.size(), 1u);
            EXPECT_EQ(asked[0].text, r.question);
            EXPECT_EQ(asked[0].title, r.title);
            EXPECT_EQ(asked[0].buttons, MsgButtons::OKCancel);
            EXPECT_EQ(asked[0].icon, MsgIcon::None);
            EXPECT_EQ(v.accepted, a == MsgAnswer::OK) << (v.message ? v.message->text.toStdString() : "");
            EXPECT_EQ(v.emptiedColumns, a == MsgAnswer::OK ? r.columns : QStringList());
            EXPECT_EQ(v.focus, "");
        }
    }
    // A cheque in euro whose emptied bank was in the EEA is no euro transfer inside the EEA
    // any more: the urgency that follows asks nothing.
    OrderScreen s = cheque(euroTransfer());
    s.pays[3] = "DE";
    s.urgent = true;
    asked.clear();
    answers = {MsgAnswer::OK};
    const OrderVerdict v = judge(s);
    EXPECT_TRUE(v.accepted);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(v.isEuroEEE, false);
}
