#include "reference/frmlstdev.h"

#include "platform/vberror.h"

namespace vorna {

frmLstDev::frmLstDev()
    : PickListForm(PickListDesign{QStringLiteral("frmLstDev"), QStringLiteral("Devises"),
                                  QStringLiteral("select Code,Description,nbDecimale from Devises Order by Description"),
                                  {600, 5500, 0}, true, 6700, 4800}) {}

int frmLstDev::findDevNbDeci(const QString& code) {
    if (!findDev(code)) return -1;
    const QString text = MSHFlexGrid1->textMatrix(MSHFlexGrid1->row(), 2);
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    // A currency stored without its number of decimals is an error of the table, not a
    // number to guess.
    if (!ok)
        throw VbError(err::TypeMismatch, QStringLiteral("Vorna"),
                      QStringLiteral("Le nombre de décimales de la devise %1 n'est pas renseigné.").arg(code));
    return n;
}

}  // namespace vorna
