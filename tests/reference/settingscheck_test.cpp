#include <gtest/gtest.h>

#include "reference/frmparamref.h"
#include "reference/reference_support.h"
#include "reference/settingscheck.h"

using namespace vorna;
using vorna::test::kRibA;
using vorna::test::kRibB;
using vorna::test::kSirenA;
using vorna::test::kSirenB;

namespace {

const QString HINT1 = QStringLiteral("Saisissez cette information dans l'écran de paramètrage.");
const QString HINT2 = QStringLiteral("Saisissez ces informations dans l'écran de paramètrage.");
const QString kTitle = QStringLiteral("Erreur de paramètrage");
const QString kTitlePlain = QStringLiteral("Erreur de parametrage");

// Settings that pass every rule: CFT with a partner, a customer and an institution.
SettingsScreen sound() {
    SettingsScreen s;
    s.cft = true;
    s.part = "PART";
    s.ribOY = kRibA;
    s.text = {"", "CLIENT", "2 AVENUE", "", "69001", "LYON", "BANQUE", "1 RUE", "", "75001", "PARIS"};
    s.paysOY = "FR";
    s.sirenCustomer = kSirenA;
    s.ribPL = "20041 01005 05000123456 94";
    s.paysPL = "DE";
    s.sirenInstitution = kSirenB;
    s.reperGener = "/srv/ordres/";
    return s;
}

// The customer block left empty.
SettingsScreen withoutCustomer() {
    SettingsScreen s = sound();
    s.ribOY.clear();
    for (int i = 1; i <= 5; ++i) s.text[size_t(i)].clear();
    s.paysOY.clear();
    s.sirenCustomer.clear();
    return s;
}

class Judge : public ::testing::Test {
protected:
    SettingsVerdict judge(const SettingsScreen& s) {
        return judgeSettings(s, [this](const QString& code) {
            asked << code;
            return code == "FR" || code == "DE";
        });
    }
    // One message: its name, text and title.
    void expectOne(const SettingsScreen& s, const QString& name, const QString& text, const QString& title = kTitle) {
        const SettingsVerdict v = judge(s);
        EXPECT_EQ(v.name, name);
        ASSERT_EQ(v.messages.size(), 1) << name.toStdString();
        EXPECT_EQ(v.messages[0].text, text);
        EXPECT_EQ(v.messages[0].title, title);
    }
    QStringList asked;
};

}  // namespace

TEST_F(Judge, SoundSettingsPassSilently) {
    const SettingsVerdict v = judge(sound());
    EXPECT_EQ(v.name, "");
    EXPECT_TRUE(v.messages.isEmpty());
    EXPECT_EQ(asked, (QStringList{"FR", "DE"}));
    EXPECT_EQ(judge(withoutCustomer()).name, "");
}

TEST_F(Judge, TheTransferModeComesFirstEvenWithEverythingEmpty) {
    expectOne(SettingsScreen{}, "Transfert",
              "Veuiller renseigner le mode de Tranfert de fichier dans l'ecran de paramétrage", kTitlePlain);
    EXPECT_TRUE(asked.isEmpty());
}

TEST_F(Judge, TheCftPartnerNeedsFourCharactersAndVpnIgnoresIt) {
    SettingsScreen s = sound();
    s.part.clear();
    expectOne(s, "PartCft", "Votre partenaire CFT doit obligatoirement etre servi");
    s.part = "ABC";
    expectOne(s, "PartCft", "votre part CFT est incorrect: 4 caractères minimum sont nécessaires", kTitlePlain);
    s.part = "ABCD";
    EXPECT_EQ(judge(s).name, "");
    s.cft = false;
    s.vpn = true;
    s.part = "A";
    EXPECT_EQ(judge(s).name, "");
}

TEST_F(Judge, AGivenCustomerMustBeWholeAndValid) {
    SettingsScreen s = sound();
    s.ribOY = "30004 00550 00010047501 05";  // judged without its blanks
    EXPECT_EQ(judge(s).name, "");
    for (const QString& rib : {kRibA.left(22), kRibA + "1"})  {
        s.ribOY = rib;
        expectOne(s, "OYRib", "La saisie d'un RIB correct de 23 caractères est obligatoire !\r" + HINT1);
    }
    s.ribOY = kRibA.left(21) + "06";
    expectOne(s, "OYRib", "La clé RIB du client donneur d'ordre n'est pas valide !\r" + HINT1);
    s = sound();
    s.text[3].clear();  // the second address line may stay empty
    EXPECT_EQ(judge(s).name, "");
    for (int i : {1, 2, 4, 5}) {
        s = sound();
        s.text[size_t(i)] = "   ";
        expectOne(s, "OYAdresse",
                  "La saisie des coordonnées (Nom et adresse) du client donneur d'ordre est obligatoire ! \r" + HINT2);
    }
    s = sound();
    const QString countryMessage =
        "La saisie d'un code pays valide pour le client donneur d'ordre est obligatoire !\r" + HINT1;
    for (const QString& country : {QString("  "), QString("XX"), QString("fr"), QString("FR ")}) {
        s.paysOY = country;
        expectOne(s, "OYPays", countryMessage);
    }
}

TEST_F(Judge, NoCustomerLeavesEveryCustomerFieldEmptyOneMessageEach) {
    SettingsScreen s = withoutCustomer();
    s.text[1] = "NOM";
    s.text[5] = " ";  // blanks count as filled
    const SettingsVerdict v = judge(s);
    EXPECT_EQ(v.name, "OYRib");
    ASSERT_EQ(v.messages.size(), 2);
    const QString tail = "\r\n\r\nS'il y a un client donneur d'ordre assurez-vous que les champs de saisie soient tous servis.";
    EXPECT_EQ(v.messages[0].text, "S'il n'y a pas de client donneur d'ordre la zone de saisie du nom doit être vide. !" + tail);
    EXPECT_EQ(v.messages[1].text,
              "S'il n'y a pas de client donneur d'ordre la zone de saisie de la ville doit être vide. !" + tail);
    EXPECT_EQ(v.messages[1].title, kTitle);

    s = withoutCustomer();
    s.text = {"", "N", "A1", "A2", "CP", "V", "", "", "", "", ""};
    s.paysOY = "FR";
    s.sirenCustomer = "1";
    s.ribOY = "   ";  // a RIB of blanks is no RIB
    const SettingsVerdict all = judge(s);
    ASSERT_EQ(all.messages.size(), 7);
    const char* what[] = {"du nom", "de l'adresse (première ligne)", "de l'adresse (seconde ligne)", "du code postal",
                          "de la ville", "du pays", "du SIREN"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(all.messages[i].text, QStringLiteral("S'il n'y a pas de client donneur d'ordre la zone de saisie ") +
                                            QString::fromUtf8(what[i]) + " doit être vide. !" + tail);
    EXPECT_TRUE(asked.isEmpty());  // the institution's tests never ran
}

TEST_F(Judge, TheInstitutionIsRequired) {
    SettingsScreen s = withoutCustomer();
    s.ribPL = "   ";  // what the box shows once left empty
    expectOne(s, "PLRib", "La saisie du RIB de l'établissement donneur d'ordre est obligatoire !\r" + HINT1);
    s.ribPL = kRibB + "9";
    expectOne(s, "PLRib", "La saisie d'un RIB correct de 23 caractères est obligatoire !\r" + HINT1);
    s.ribPL = kRibB.left(21) + "95";
    expectOne(s, "PLRib", "La clé RIB de l'établissement donneur d'ordre n'est pas valide !\r" + HINT1);
    for (int i : {6, 7, 9, 10}) {
        s = withoutCustomer();
        s.text[size_t(i)].clear();
        expectOne(s, "PLAdresse",
                  "La saisie des coordonnées (Nom et adresse) de l'établissement donneur d'ordre est obligatoire ! \r" +
                      HINT2);
    }
    s = withoutCustomer();
    s.text[8].clear();
    EXPECT_EQ(judge(s).name, "");
    s.paysPL = "BE";
    expectOne(s, "PLPays",
              "La saisie d'un code pays valide pour l'établissement donneur d'ordre est obligatoire !\r" + HINT1);
}

TEST_F(Judge, TheCustomerIsNotTheInstitutionItself) {
    SettingsScreen s = sound();
    s.text[1] = "  BANQUE ";
    expectOne(s, "OYRib",
              "Si le client donneur d'ordre est aussi l'établissement donneur d'ordre, \r"
              "le client donneur d'ordre ne doit pas être saisi !");
}

TEST_F(Judge, TheFolderEndsWithASlashWhetherOrNotItExists) {
    SettingsScreen s = sound();
    const QString message = "La saisie d'un répertoire de génération est oblifgatoire !\r"
                            "Ce nom de répertoire devant se terminer par un slash (/)\r" + HINT1;
    for (const QString& folder : {QString(), QString("/srv/ordres"), QString("C:\\ORDRES\\")}) {
        s.reperGener = folder;
        expectOne(s, "Repertoire", message);
    }
    s.reperGener = "/nulle/part/  ";  // trimmed before the test; never looked up
    EXPECT_EQ(judge(s).name, "");
}

TEST_F(Judge, SirensAreOptionalButCheckedTheInstitutionsFirst) {
    SettingsScreen s = sound();
    s.sirenInstitution.clear();
    s.sirenCustomer.clear();
    EXPECT_EQ(judge(s).name, "");
    s.sirenInstitution = "552100555";
    s.sirenCustomer = "732829321";
    expectOne(s, "SirenEDO", "Le numéro SIREN de l'établissement donneur d'ordre est incorrect !");
    s.sirenInstitution = kSirenB;
    expectOne(s, "SirenCDO", "Le numéro SIREN du client donneur d'ordre est incorrect !");
}

TEST(RibDisplay, GroupsTheInstitutionsRib) {
    EXPECT_EQ(ribInGroups("20041010050500012345694"), "20041 01005 05000123456 94");
    EXPECT_EQ(ribInGroups(" 20041 0100505000123 45694 "), "20041 01005 05000123456 94");
    EXPECT_EQ(ribInGroups(""), "   ");
    EXPECT_EQ(ribInGroups("   "), "   ");
    EXPECT_EQ(ribInGroups("2004101"), "20041 01  ");
    // More than a RIB: nothing typed is dropped, and the check then refuses the length.
    EXPECT_EQ(ribInGroups("200410100505000123456949"), "200410100505000123456949");
}
