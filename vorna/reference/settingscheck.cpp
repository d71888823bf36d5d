#include "reference/settingscheck.h"

#include "orderentry/modrules.h"
#include "orderentry/modtp.h"
#include "platform/dialogs.h"
#include "platform/forms/focus.h"
#include "platform/text/blanks.h"
#include "reference/frmlstpays.h"
#include "reference/frmparamref.h"

namespace vorna {

namespace {

const QString CR = QStringLiteral("\r");
const QString CRLF = QStringLiteral("\r\n");
const QString HINT1 = QStringLiteral("Saisissez cette information dans l'écran de paramètrage.");
const QString HINT2 = QStringLiteral("Saisissez ces informations dans l'écran de paramètrage.");
// Two titles: the transfer-mode and partner-length messages have always had theirs without
// the accent.
const QString kTitlePlain = QStringLiteral("Erreur de parametrage");
const QString kTitle = QStringLiteral("Erreur de paramètrage");

QString withoutBlanks(QString s) { return s.remove(u' '); }

SettingsVerdict stop(const QString& name, const QString& text, const QString& title = kTitle) {
    return SettingsVerdict{name, {SettingsMessage{text, title}}};
}

}  // namespace

SettingsVerdict judgeSettings(const SettingsScreen& s, const std::function<bool(const QString&)>& isCountry) {
    // 1 to 3: the transfer mode and the CFT partner.
    if (!s.cft && !s.vpn)
        return stop(QStringLiteral("Transfert"),
                    QStringLiteral("Veuiller renseigner le mode de Tranfert de fichier dans l'ecran de paramétrage"),
                    kTitlePlain);
    if (s.cft && s.part.isEmpty())
        return stop(QStringLiteral("PartCft"), QStringLiteral("Votre partenaire CFT doit obligatoirement etre servi"));
    if (s.cft && s.part.size() < 4)
        return stop(QStringLiteral("PartCft"),
                    QStringLiteral("votre part CFT est incorrect: 4 caractères minimum sont nécessaires"), kTitlePlain);

    // 4 and 5: a customer given is given whole; none given leaves every customer field empty.
    const QString r = withoutBlanks(s.ribOY);
    if (!r.isEmpty()) {
        if (r.size() != 23)
            return stop(QStringLiteral("OYRib"),
                        QStringLiteral("La saisie d'un RIB correct de 23 caractères est obligatoire !") + CR + HINT1);
        if (!isValidRib(r))
            return stop(QStringLiteral("OYRib"),
                        QStringLiteral("La clé RIB du client donneur d'ordre n'est pas valide !") + CR + HINT1);
        for (int i : {1, 2, 4, 5})
            if (trimBlanks(s.text[size_t(i)]).isEmpty())
                return stop(QStringLiteral("OYAdresse"),
                            QStringLiteral("La saisie des coordonnées (Nom et adresse) du client donneur d'ordre est "
                                           "obligatoire ! ") + CR + HINT2);
        if (trimBlanks(s.paysOY).isEmpty() || !isCountry(s.paysOY))
            return stop(QStringLiteral("OYPays"),
                        QStringLiteral("La saisie d'un code pays valide pour le client donneur d'ordre est "
                                       "obligatoire !") + CR + HINT1);
    } else {
        const QString tail = CRLF + CRLF +
                             QStringLiteral("S'il y a un client donneur d'ordre assurez-vous que les champs de saisie "
                                            "soient tous servis.");
        const QString lead = QStringLiteral("S'il n'y a pas de client donneur d'ordre la zone de saisie ");
        const std::pair<const QString*, QString> fields[] = {
            {&s.text[1], QStringLiteral("du nom")},
            {&s.text[2], QStringLiteral("de l'adresse (première ligne)")},
            {&s.text[3], QStringLiteral("de l'adresse (seconde ligne)")},
            {&s.text[4], QStringLiteral("du code postal")},
            {&s.text[5], QStringLiteral("de la ville")},
            {&s.paysOY, QStringLiteral("du pays")},
            {&s.sirenCustomer, QStringLiteral("du SIREN")},
        };
        SettingsVerdict v;
        // Every filled field has its own message (a field of blanks counts as filled).
        for (const auto& [text, what] : fields) {
            if (text->isEmpty()) continue;
            v.name = QStringLiteral("OYRib");
            v.messages << SettingsMessage{lead + what + QStringLiteral(" doit être vide. !") + tail, kTitle};
        }
        if (!v.name.isEmpty()) return v;
    }

    // 6: the ordering institution is required.
    const QString p = withoutBlanks(s.ribPL);
    if (p.isEmpty())
        return stop(QStringLiteral("PLRib"),
                    QStringLiteral("La saisie du RIB de l'établissement donneur d'ordre est obligatoire !") + CR + HINT1);
    if (p.size() != 23)
        return stop(QStringLiteral("PLRib"),
                    QStringLiteral("La saisie d'un RIB correct de 23 caractères est obligatoire !") + CR + HINT1);
    if (!isValidRib(p))
        return stop(QStringLiteral("PLRib"),
                    QStringLiteral("La clé RIB de l'établissement donneur d'ordre n'est pas valide !") + CR + HINT1);
    for (int i : {6, 7, 9, 10})
        if (trimBlanks(s.text[size_t(i)]).isEmpty())
            return stop(QStringLiteral("PLAdresse"),
                        QStringLiteral("La saisie des coordonnées (Nom et adresse) de l'établissement donneur d'ordre "
                                       "est obligatoire ! ") + CR + HINT2);
    if (trimBlanks(s.paysPL).isEmpty() || !isCountry(s.paysPL))
        return stop(QStringLiteral("PLPays"),
                    QStringLiteral("La saisie d'un code pays valide pour l'établissement donneur d'ordre est "
                                   "obligatoire !") + CR + HINT1);

    // 7: the customer is not the institution itself.
    if (trimBlanks(s.text[1]) == trimBlanks(s.text[6]))
        return stop(QStringLiteral("OYRib"),
                    QStringLiteral("Si le client donneur d'ordre est aussi l'établissement donneur d'ordre, ") + CR +
                        QStringLiteral("le client donneur d'ordre ne doit pas être saisi !"));

    // 8: file names are appended to the folder text directly.
    if (!trimBlanks(s.reperGener).endsWith(u'/'))
        return stop(QStringLiteral("Repertoire"),
                    QStringLiteral("La saisie d'un répertoire de génération est oblifgatoire !") + CR +
                        QStringLiteral("Ce nom de répertoire devant se terminer par un slash (/)") + CR + HINT1);

    // 9 and 10: the SIRENs, the institution's first.
    if (!s.sirenInstitution.isEmpty() && !isValidSiren(s.sirenInstitution))
        return stop(QStringLiteral("SirenEDO"),
                    QStringLiteral("Le numéro SIREN de l'établissement donneur d'ordre est incorrect !"));
    if (!s.sirenCustomer.isEmpty() && !isValidSiren(s.sirenCustomer))
        return stop(QStringLiteral("SirenCDO"), QStringLiteral("Le numéro SIREN du client donneur d'ordre est incorrect !"));

    return {};
}

QString checkSettings() {
    frmParamRef& f = frmParamRef::instance();
    SettingsScreen s;
    s.cft = f.OptCft->value(0);
    s.vpn = f.OptVpn->value(1);
    s.part = f.Txtpart->text();
    s.ribOY = f.txtRibOY->text();
    for (int i = 1; i <= 10; ++i) s.text[size_t(i)] = f.txtText[size_t(i)]->text();
    s.paysOY = f.txtPays[0]->text();
    s.sirenCustomer = f.txtSirenPL->text();
    s.ribPL = f.txtRibPL->text();
    s.paysPL = f.txtPays[1]->text();
    s.sirenInstitution = f.txtSirenOY->text();
    s.reperGener = f.txtReperGener->text();

    const SettingsVerdict v =
        judgeSettings(s, [](const QString& code) { return frmLstPays::instance().findPays(code); });
    for (const SettingsMessage& m : v.messages) msgBox(m.text, MsgButtons::OK, MsgIcon::Exclamation, m.title);
    return v.name;
}

void focusSetting(const QString& setting) {
    frmParamRef& f = frmParamRef::instance();
    forms::TextBox* box = nullptr;
    if (setting == QLatin1String("PartCft")) box = f.Txtpart;
    else if (setting == QLatin1String("OYRib")) box = f.txtRibOY;
    else if (setting == QLatin1String("OYAdresse")) box = f.txtText[1];
    else if (setting == QLatin1String("OYPays")) box = f.txtPays[0];
    else if (setting == QLatin1String("PLRib")) box = f.txtRibPL;
    else if (setting == QLatin1String("PLAdresse")) box = f.txtText[6];
    else if (setting == QLatin1String("PLPays")) box = f.txtPays[1];
    else if (setting == QLatin1String("Repertoire")) box = f.txtReperGener;
    else if (setting == QLatin1String("SirenCDO")) box = f.txtSirenPL;
    else if (setting == QLatin1String("SirenEDO")) box = f.txtSirenOY;
    if (!box) return;
    selectAllText(box);
    forms::giveFocus(box);
}

}  // namespace vorna
