#include "reference/frmlstcodesecono.h"

namespace vorna {

frmLstCodesEcono::frmLstCodesEcono()
    : PickListForm(PickListDesign{QStringLiteral("frmLstCodesEcono"), QStringLiteral("Codes économiques"),
                                  QStringLiteral("select Code,Description from CodesEcono Order by Code"),
                                  {600, 155500}, false, 6700, 4800}) {}

}  // namespace vorna
