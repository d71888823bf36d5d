#include "orderentry/ordercheck.h"

#include "orderentry/fieldrules.h"
#include "orderentry/modtp.h"
#include "platform/text/blanks.h"
#include "platform/text/format.h"

namespace vorna {

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QString kErreur = QStringLiteral("Erreur de saisie");
const QString kInformation = QStringLiteral("Information");
const QString kStoreAnyway = QStringLiteral("Souhaitez-vous malgré tout enregistrer cet ordre de paiement ?");

QString indexed(const char* name, int index) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index); }

// The checks, one method per group. Each answers true to go on; a false has set the verdict.
class OrderJudge {
public:
    OrderJudge(const OrderScreen& screen, const OrderLookups& lookups) : s_(screen), l_(lookups) {}

    OrderVerdict run() {
        v_.accepted = reference() && header() && euroInsideEea() && amount() && orderingCustomer() &&
                      orderingInstitution() && customerIsNotInstitution() && intermediaryBank() &&
                      beneficiaryBank() && beneficiaryBankDescribed() && beneficiaryBankBic() && beneficiary() &&
                      beneficiaryAccount() && charges() && paymentReason() && advice() && urgency() &&
                      defaultsChanged() && residence();
        return v_;
    }

private:
    bool cheque() const { return s_.typeOper == operation::Cheque; }

    // A blocking message, then the focus.
    bool refuse(const QString& text, const QString& focus, MsgIcon icon = MsgIcon::Critical,
                const QString& title = kErreur) {
        v_.message = OrderMessage{text, title, MsgButtons::OK, icon};
        v_.focus = focus;
        return false;
    }
    // The required test: a text of nothing but blanks is missing.
    bool required(const QString& text, const QString& focus, const QString& message) {
        return !isBlank(text) || refuse(message, focus);
    }
    bool ask(const QString& text, MsgButtons buttons, const QString& title) {
        const MsgAnswer a = l_.ask(OrderMessage{text, title, buttons, MsgIcon::None});
        return a == MsgAnswer::Yes || a == MsgAnswer::OK;
    }
    // A warning: Yes goes on, No refuses with the focus given.
    bool warn(const QString& text, const QString& focusOnNo = QString()) {
        if (ask(text, MsgButtons::YesNo, kInformation)) return true;
        v_.focus = focusOnNo;
        return false;
    }
    // A question before emptying columns: OK empties them and goes on, Cancel refuses.
    bool agreeToEmpty(const QString& text, const QString& title, std::initializer_list<QString*> boxes,
                      std::initializer_list<const char*> columns) {
        if (!ask(text, MsgButtons::OKCancel, title)) return false;
        // The bound boxes show the emptied columns: the checks that follow read them empty.
        for (QString* box : boxes) box->clear();
        for (const char* c : columns) v_.emptiedColumns << QLatin1String(c);
        return true;
    }
    // The form of a BIC: 8 or 11 characters, the 5th and 6th a country code.
    bool bicForm(int index, const QString& whose) {
        const QString& bic = s_.bic[size_t(index)];
        if (isBlank(bic)) return true;
        const QString focus = indexed("txtBic", index);
        if (bic.size() != 8 && bic.size() != 11)
            return refuse(QStringLiteral("Le BIC de la banque %1 doit avoir 8 ou 11 caractères.").arg(whose), focus);
        if (!l_.isCountry(bic.mid(4, 2)))
            return refuse(QStringLiteral("Les caractères 5 et 6 du BIC de la banque %1 doivent correspondre à un code "
                                         "Pays.")
                              .arg(whose),
                          focus);
        return true;
    }

    bool reference() {
        if (s_.refInterne == s_.radicalRef)
            return refuse(QStringLiteral("La référence interne est incomplète"), QStringLiteral("txtRefInterne"));
        return true;
    }

    bool header() {
        return required(s_.refInterne, QStringLiteral("txtRefInterne"),
                        QStringLiteral("La Référence interne est manquante")) &&
               required(s_.dev[0], QStringLiteral("txtDev(0)"), QStringLiteral("La Devise d'ordre est manquante")) &&
               required(s_.dev[1], QStringLiteral("txtDev(1)"), QStringLiteral("La Devise de paiement est manquante"));
    }

    bool euroInsideEea() {
        isEuroEEE_ = false;
        if (s_.dev[0] == QLatin1String("EUR") && s_.dev[1] == QLatin1String("EUR")) {
            if (!s_.pays[3].isEmpty())
                isEuroEEE_ = l_.isEeaCountry(s_.pays[3]);
            else if (!cheque())
                return refuse(QStringLiteral("Le pays de la banque du bénéficiaire est manquant !"),
                              QStringLiteral("txtPays(3)"));
        }
        v_.isEuroEEE = isEuroEEE_;
        return true;
    }

    bool amount() {
        if (readLeadingNumber(trimBlanks(s_.montant)).isZero())
            return refuse(QStringLiteral("Le montant doit être non nul"), QStringLiteral("txtMontant"));
        // An amount is stored as it was typed or not at all: never with more decimals than its
        // currency takes, which the file would round.
        const std::optional<Decimal> typed =
            s_.montantValue.isNumeric() ? std::optional<Decimal>(s_.montantValue.toDecimal()) : readAmount(s_.montant);
        if (const std::optional<FieldMessage> m = judgeAmountDecimals(typed, s_.nbDeci))
            return refuse(m->text, QStringLiteral("txtMontant"));
        v_.cMontant = amountDisplayText(s_.montantValue, s_.nbDeci);
        return true;
    }

    bool orderingCustomer() {
        struct Field {
            const QString* text;
            QString focus;
            const char* line;
        };
        if (!isBlank(s_.ribOY)) {
            if (!isValidRib(s_.ribOY))
                return refuse(QStringLiteral("La clé RIB du client donneur d'ordre n'est pas valide !"),
                              QStringLiteral("txtRibOY"));
            // Inside the EEA the beneficiary's bank needs no address of the customer.
            if (l_.isEeaCountry(s_.pays[3])) return true;
            const Field fields[] = {
                {&s_.text[1], indexed("txtText", 1), "S'il y a un client donneur d'ordre son nom est manquant. !"},
                {&s_.text[2], indexed("txtText", 2),
                 "S'il y a un client donneur d'ordre son adresse (première ligne) est manquante. !"},
                {&s_.text[4], indexed("txtText", 4), "S'il y a un client donneur d'ordre son code postal est manquant. !"},
                {&s_.text[5], indexed("txtText", 5), "S'il y a un client donneur d'ordre sa ville est manquante. !"},
                {&s_.pays[0], indexed("txtPays", 0), "S'il y a un client donneur d'ordre son pays est manquant. !"},
            };
            for (const Field& f : fields)
                if (f.text->isEmpty())
                    return refuse(QString::fromUtf8(f.line) + CRLF + CRLF +
                                      QStringLiteral("S'il n'y a pas de client donneur d'ordre assurez-vous que les "
                                                     "champs de saisie soient tous vides."),
                                  f.focus);
            return true;
        }
        const QString lead = QStringLiteral("S'il n'y a pas de client donneur d'ordre la zone de saisie ");
        const Field fields[] = {
            {&s_.text[1], indexed("txtText", 1), "du nom"},
            {&s_.text[2], indexed("txtText", 2), "de l'adresse (première ligne)"},
            {&s_.text[3], indexed("txtText", 3), "de l'adresse (seconde ligne)"},
            {&s_.text[4], indexed("txtText", 4), "du code postal"},
            {&s_.text[5], indexed("txtText", 5), "de la ville"},
            {&s_.pays[0], indexed("txtPays", 0), "du pays"},
        };
        for (const Field& f : fields)
            if (!f.text->isEmpty())
                return refuse(lead + QString::fromUtf8(f.line) + QStringLiteral(" doit être vide. !") + CRLF + CRLF +
                                  QStringLiteral("S'il y a un client donneur d'ordre assurez-vous que les champs de "
                                                 "saisie soient tous servis."),
                              f.focus);
        return true;
    }

    bool orderingInstitution() {
        return required(s_.ribPL, QStringLiteral("txtRibPL"),
                        QStringLiteral("Le RIB de l'établissement donneur d'ordre est manquant")) &&
               required(s_.text[6], indexed("txtText", 6),
                        QStringLiteral("Le nom de l'établissement d'ordre est manquant")) &&
               required(s_.text[7], indexed("txtText", 7),
                        QStringLiteral("L'adresse (première ligne) de l'établissement donneur d'ordre est manquante")) &&
               required(s_.text[9], indexed("txtText", 9),
                        QStringLiteral("Le code postal de l'établissement donneur d'ordre est manquant")) &&
               required(s_.text[10], indexed("txtText", 10),
                        QStringLiteral("La ville de l'établissement donneur d'ordre est manquante")) &&
               required(s_.pays[1], indexed("txtPays", 1),
                        QStringLiteral("Le pays de l'établissement donneur d'ordre est manquant"));
    }

    bool customerIsNotInstitution() {
        if (s_.text[1] == s_.text[6])
            return refuse(QStringLiteral("Si le client donneur d'ordre est aussi l'établissement donneur d'ordre") +
                              CRLF + QStringLiteral("le Client donneur d'ordre ne doit pas être saisi."),
                          indexed("txtText", 1));
        return true;
    }

    bool intermediaryBank() {
        if (cheque() && !(s_.bic[0].isEmpty() && s_.text[11].isEmpty() && s_.text[12].isEmpty() &&
                          s_.text[13].isEmpty() && s_.text[14].isEmpty() && s_.pays[2].isEmpty())) {
            if (!agreeToEmpty(QStringLiteral("Il ne peut y avoir de banque intermédiaire pour un chéque !") + CRLF +
                                  QStringLiteral("Les informations de la banque intermédiaire ne seront pas "
                                                 "enregistrées !"),
                              kErreur, {&s_.bic[0], &s_.text[11], &s_.text[12], &s_.text[13], &s_.text[14], &s_.pays[2]},
                              {"bicBqeI1", "identBqeI11", "identBqeI12", "identBqeI13", "villeBqeI1", "paysBqeI1"}))
                return false;
        }
        const QString focus = indexed("txtBic", 0);
        if (!s_.text[11].isEmpty() && s_.bic[0].isEmpty() && !cheque() && isEuroEEE_)
            return refuse(QStringLiteral("Le BIC de la banque intermédiaire est obligatoire !"), focus);
        if (!bicForm(0, QStringLiteral("intermédiaire"))) return false;
        if (!s_.bic[0].isEmpty() && !cheque() && isEuroEEE_ &&
            (s_.bic[0] == QLatin1String("ZULEFRPPCCT") || s_.bic[0] == s_.bic[1]))
            return refuse(QStringLiteral("La banque intermédiaire ne peut être ni la Banque du donneur d'ordre ni la "
                                         "banque du bénéficiaire !"),
                          focus);
        return true;
    }

    bool beneficiaryBank() {
        if (cheque()) {
            if (s_.bqeBE.isEmpty() && s_.bic[1].isEmpty() && s_.text[15].isEmpty() && s_.text[16].isEmpty() &&
                s_.text[17].isEmpty() && s_.text[18].isEmpty() && s_.pays[3].isEmpty())
                return true;
            if (!agreeToEmpty(QStringLiteral("Il ne peut y avoir de banque du bénéficiaire pour un chéque !") + CRLF +
                                  QStringLiteral("Les informations de la banque du bénéficiare ne seront pas "
                                                 "enregistrées !"),
                              kErreur,
                              {&s_.bqeBE, &s_.bic[1], &s_.text[15], &s_.text[16], &s_.text[17], &s_.text[18], &s_.pays[3]},
                              {"codeBqeBE", "bicBqeBE", "identBqeBE1", "identBqeBE2", "identBqeBE3", "villeBqeBE",
                               "paysBqeBE"}))
                return false;
            // Without its bank country, a cheque is no euro transfer inside the EEA (the country
            // box's change says so too once the row shows the emptied column).
            isEuroEEE_ = false;
            v_.isEuroEEE = false;
            return true;
        }
        if (isEuroEEE_) {
            if (isBlank(s_.bic[1]))
                return refuse(QStringLiteral("Le BIC de la banque bénéficiaire est obligatoire pour les virements "
                                             "transfrontaliers."),
                              indexed("txtBic", 1));
            if (!s_.bqeBE.isEmpty())
                return warn(QStringLiteral("Si vous saisissez un code bancaire pour la banque du bénéficiaire, vous ne "
                                           "devez pas répéter cette information") +
                                CRLF + QStringLiteral("dans l'identifiant bancaire du bénéficiaire.") + CRLF +
                                QStringLiteral("Vous ne devez pas renseigner cette zone si vous saisissez un IBAN ou si "
                                               "vous n'avez pas d'identifiant bancaire à saisir. ") +
                                CRLF + CRLF + kStoreAnyway,
                            QStringLiteral("txtBqeBE"));
            return true;
        }
        if (s_.typeOper == operation::Transfert && s_.bic[1].isEmpty() && s_.bqeBE.isEmpty() &&
            !warn(QStringLiteral("Il est préférable d'indiquer le BIC ou le Code bancaire ") + CRLF +
                  QStringLiteral("de la banque du bénéficiaire pour un transfert.") + CRLF + CRLF + kStoreAnyway))
            return false;
        if (!s_.bqeBE.isEmpty() && s_.typeOper == operation::MiseADisposition)
            return refuse(QStringLiteral("Le code banque ne peut être transmis pour une Mise à Disposition"),
                          QStringLiteral("txtBqeBE"));
        return true;
    }

    bool beneficiaryBankDescribed() {
        if (s_.bqeBE.isEmpty() || s_.bic[1].isEmpty()) return true;
        if (s_.typeOper != operation::Transfert && s_.typeOper != operation::MiseADisposition) return true;
        return required(s_.text[15], indexed("txtText", 15),
                        QStringLiteral("Le nom de la banque du bénéficiaire est manquante")) &&
               required(s_.text[16], indexed("txtText", 16),
                        QStringLiteral("L'adresse (première ligne) de la banque du bénéficiaire est manquante")) &&
               required(s_.text[18], indexed("txtText", 18),
                        QStringLiteral("La ville de la banque du bénéficiaire est manquante")) &&
               required(s_.pays[3], indexed("txtPays", 3),
                        QStringLiteral("Le pays de la banque du bénéficiaire est manquant"));
    }

    bool beneficiaryBankBic() { return bicForm(1, QStringLiteral("du bénéficiaire")); }

    bool beneficiary() {
        return required(s_.text[19], indexed("txtText", 19), QStringLiteral("Le nom du bénéficiaire est manquant")) &&
               required(s_.text[20], indexed("txtText", 20),
                        QStringLiteral("L'adresse (première ligne) du bénéficiaire est manquante")) &&
               required(s_.text[22], indexed("txtText", 22), QStringLiteral("La ville du bénéficiaire est manquante")) &&
               required(s_.pays[4], indexed("txtPays", 4), QStringLiteral("Le pays du bénéficiaire est manquant"));
    }

    bool beneficiaryAccount() {
        const QString focus = QStringLiteral("txtIbanBE");
        if (s_.typeOper == operation::Transfert || s_.typeOper == operation::Reglement) {
            if (!required(s_.ibanBE, focus, QStringLiteral("L'identifiant bancaire du bénéficiaire est manquant")))
                return false;
            // Outside a euro transfer inside the EEA, any account identifier will do.
            if (!isEuroEEE_) return true;
            const QString country = s_.ibanBE.left(2);
            if (readRegionalNumber(country).has_value())
                return refuse(QStringLiteral("L'identifiant bancaire du bénéficiaire attendu doit être un Iban. Votre "
                                             "saisie n'est pas d'un format correct."),
                              focus);
            if (!l_.isCountry(country))
                return refuse(QStringLiteral("Les 2 premiers caractères de l'IBAN du bénéficiaire doivent correspondre "
                                             "à un code Pays."),
                              focus);
            if (!isValidIban(s_.ibanBE)) {
                v_.selectText = true;
                return refuse(QStringLiteral("Clé IBAN incorrecte !!"), focus, MsgIcon::Exclamation);
            }
            return true;
        }
        if (isBlank(s_.ibanBE)) return true;
        return agreeToEmpty(QStringLiteral("Il ne peut y avoir d'identifiant bancaire du bénéficiaire pour un chéque ") +
                                CRLF + QStringLiteral("ou pour une mise à disposition. ") + CRLF + CRLF +
                                QStringLiteral("L'identifiant bancaire du bénéficiaire ne sera pas enregistré"),
                            kInformation, {&s_.ibanBE}, {"ibanBE"});
    }

    bool charges() {
        if (s_.frais == 3)
            return refuse(QStringLiteral("Vous devez définir l'imputation des frais."), indexed("optFrais", 3),
                          MsgIcon::None, kInformation);
        if (s_.typeOper == operation::Transfert && isEuroEEE_ && s_.frais != 2)
            return refuse(QStringLiteral("L'option des frais partagés est obligatoire dans le cadre d'un virement ") +
                              CRLF +
                              QStringLiteral("n'impliquant pas de conversion monétaire, dès lors qu'il est émis par et "
                                             "à ") +
                              CRLF + QStringLiteral("destination d'un pays de l'EEE."),
                          indexed("optFrais", 2));
        return true;
    }

    bool paymentReason() {
        if (isBlank(s_.motif1))
            return refuse(QStringLiteral("Vous devez saisir le motif de paiement."), indexed("txtMotif", 1),
                          MsgIcon::None, kInformation);
        return true;
    }

    bool advice() {
        if (isEuroEEE_) {
            if (s_.motif5.isEmpty() && s_.avisTel.isEmpty() && s_.avisFax.isEmpty() && s_.avisBenef == 0) return true;
            if (warn(QStringLiteral("Attention, pour que votre opération soit traitée de manière automatisée et ") +
                     CRLF +
                     QStringLiteral("sans frais supplémentaire, les zones de saisie de l'avis au bénéficiaire ") + CRLF +
                     QStringLiteral("doivent rester vides et la case 'normal' sélectionnée !") + CRLF + CRLF +
                     kStoreAnyway))
                return true;
            v_.emptiedBoxes = {indexed("txtMotif", 5), QStringLiteral("txtAvisTel"), QStringLiteral("txtAvisFax")};
            v_.focus = indexed("optAvisBenef", 0);
            return false;
        }
        if (s_.avisBenef == 2) {
            if (!required(s_.avisFax, QStringLiteral("txtAvisFax"), QStringLiteral("Le numéro de Fax est manquant")))
                return false;
            v_.emptiedColumns << QStringLiteral("avisTel");
        } else if (s_.avisBenef == 1) {
            if (!required(s_.avisTel, QStringLiteral("txtAvisTel"),
                          QStringLiteral("Le numéro de Téléphone est manquant")))
                return false;
            v_.emptiedColumns << QStringLiteral("avisFax");
        }
        return true;
    }

    bool urgency() {
        if (!s_.urgent || !isEuroEEE_) return true;
        return warn(QStringLiteral("Attention, pour que votre opération soit traitée de manière automatisée et") + CRLF +
                    QStringLiteral("sans frais supplémentaire, le caractère urgent ne doit pas être sélectionné !") +
                    CRLF + CRLF + kStoreAnyway);
    }

    // The defaults of the settings that the order changed, as a warning.
    bool changedParty(const QString& head, std::initializer_list<std::pair<const char*, const char*>> columns) {
        QString list;
        for (const auto& [column, line] : columns)
            if (l_.isDefaultChanged(QLatin1String(column))) list += CRLF + QString::fromUtf8(line);
        if (list.isEmpty()) return true;
        return warn(head + CRLF + list + CRLF + CRLF + kStoreAnyway);
    }

    bool defaultsChanged() {
        return changedParty(QStringLiteral("Attention, le client donneur d'ordre a été modifié : "),
                            {{"identOY1", "    - le nom du client donneur d'ordre."},
                             {"identOY2", "    - La première ligne d'adresse du client donneur d'ordre."},
                             {"identOY3", "    - La deuxième ligne d'adresse du client donneur d'ordre."},
                             {"codePostalOY", "    - Le code postal du client donneur d'ordre."},
                             {"villeOY", "    - La ville du client donneur d'ordre."},
                             {"paysOY", "    - Le pays du client donneur d'ordre."}}) &&
               changedParty(QStringLiteral("Attention, l'établissement donneur d'ordre a été modifié : "),
                            {{"identPL1", "    - le nom de l'établissement donneur d'ordre."},
                             {"identPL2", "    - La première ligne d'adresse de l'établissement donneur d'ordre."},
                             {"identPL3", "    - La deuxième ligne d'adresse de l'établissement donneur d'ordre."},
                             {"codePostalPL", "    - Le code postal de l'établissement donneur d'ordre."},
                             {"villePL", "    - La ville de l'établissement donneur d'ordre."},
                             {"paysPL", "    - Le pays de l'établissement donneur d'ordre."}});
    }

    bool residence() {
        if (isBlank(s_.pays[5]))
            return refuse(QStringLiteral("Vous devez définir le code pays de résidence du bénéficiaire."),
                          indexed("txtPays", 5), MsgIcon::None, kInformation);
        return true;
    }

    OrderScreen s_;  // a copy: the emptied boxes read empty for the checks that follow
    const OrderLookups& l_;
    OrderVerdict v_;
    bool isEuroEEE_ = false;
};

}  // namespace

std::optional<QString> amountDisplayText(const Value& montant, const QString& nbDeci) {
    // A number of decimals that is no number (an unknown currency) leaves the text as it was.
    const std::optional<Decimal> d = readRegionalNumber(trimBlanks(nbDeci));
    if (!d || !montant.isNumeric()) return std::nullopt;
    const Decimal amount = montant.toDecimal();
    if (*d == Decimal::fromInt(0)) return formatNumber(amount, QStringLiteral("## ### ### ### ##0"));
    if (*d == Decimal::fromInt(2)) return formatNumber(amount, QStringLiteral("### ### ### ##0.00"));
    if (*d == Decimal::fromInt(3)) return formatNumber(amount, QStringLiteral("## ### ### ##0.000"));
    return std::nullopt;
}

OrderVerdict judgeOrder(const OrderScreen& screen, const OrderLookups& lookups) {
    return OrderJudge(screen, lookups).run();
}

}  // namespace vorna
