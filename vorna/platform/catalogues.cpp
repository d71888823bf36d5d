#include "platform/catalogues.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vorna {

bool installFrenchCatalogues() {
    static bool installed = false;
    if (installed) return true;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QLocale french(QLocale::French, QLocale::France);
    // qtbase holds the words of the widgets; the others, where installed, come along.
    for (const char* catalogue : {"qtbase", "qtdeclarative", "qtmultimedia"}) {
        auto* t = new QTranslator(qApp);
        if (t->load(french, QLatin1String(catalogue), QStringLiteral("_"), folder) && QCoreApplication::installTranslator(t))
            installed = true;
        else
            delete t;
    }
    return installed;
}

}  // namespace vorna
