#include "reference/frmlstpays.h"

namespace vorna {

frmLstPays::frmLstPays()
    : PickListForm(PickListDesign{QStringLiteral("frmLstPays"), QStringLiteral("Pays"),
                                  QStringLiteral("select Code,Description from Pays Order by Description"),
                                  {600, 5500}, true, 6700, 4800}) {}

}  // namespace vorna
