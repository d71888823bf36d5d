#include "platform/environment.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <cstdlib>

namespace vorna {

namespace {
std::optional<bool>& forcedPoint() {
    static std::optional<bool> v;
    return v;
}
QRect& forcedArea() {
    static QRect r;
    return r;
}
int& forcedStep() {
    static int s = 0;
    return s;
}
bool& endThrows() {
    static bool b = false;
    return b;
}
}  // namespace

QString programTitle() { return QStringLiteral("Vorna"); }

void settleTimeZone() {
    if (qEnvironmentVariableIsSet("TZ")) return;
    if (QFileInfo::exists(QStringLiteral("/etc/localtime"))) qputenv("TZ", ":/etc/localtime");
}

bool Locale::decimalSeparatorIsPoint() {
    if (forcedPoint()) return *forcedPoint();
    return QLocale().decimalPoint() == QLatin1String(".");
}

void Locale::force(std::optional<bool> isPoint) { forcedPoint() = isPoint; }

QRect Screen::workArea() {
    if (forcedArea().isValid()) return forcedArea();
    const QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return QRect(0, 0, toTwips(1024), toTwips(768));
    const QRect a = s->availableGeometry();
    return QRect(toTwips(a.x()), toTwips(a.y()), toTwips(a.width()), toTwips(a.height()));
}

void Screen::force(const QRect& twips) { forcedArea() = twips; }

int Screen::scrollStepHint() { return forcedStep() > 0 ? forcedStep() : 100; }

void Screen::forceScrollStepHint(int twips) { forcedStep() = twips; }

void endProgram(int code) {
    if (endThrows()) throw ProgramEnded{code};
    std::_Exit(code);
}

void setEndProgramThrows(bool throws) { endThrows() = throws; }

}  // namespace vorna
