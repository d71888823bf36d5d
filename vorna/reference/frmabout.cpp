#include "reference/frmabout.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>

#include "platform/dialogs.h"
#include "platform/environment.h"
#include "platform/files/files.h"
#include "platform/forms/geometry.h"

namespace vorna {

std::function<bool(const QString&)> frmAbout::StartProgram = [](const QString& program) {
    return QProcess::startDetached(program, {});
};

namespace {

QString rootName(quint32 root) {
    switch (root) {
    case HKEY_CLASSES_ROOT: return QStringLiteral("HKEY_CLASSES_ROOT");
    case HKEY_CURRENT_USER: return QStringLiteral("HKEY_CURRENT_USER");
    case HKEY_LOCAL_MACHINE: return QStringLiteral("HKEY_LOCAL_MACHINE");
    case HKEY_USERS: return QStringLiteral("HKEY_USERS");
    default: return QString();
    }
}

void sysInfoMissing() { msgBox(QStringLiteral("Les informations système ne sont pas disponibles actuellement")); }

}  // namespace

frmAbout::frmAbout() {
    setObjectName(QStringLiteral("frmAbout"));
    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    lblTitle->setFont(big);
    lblTitle->setWordWrap(true);
    for (int i = 0; i < 2; ++i) {
        lblVersion[i] = new QLabel(this);
        lblVersion[i]->setObjectName(QStringLiteral("lblVersion_%1").arg(i));
    }
    cmdOK = new forms::CommandButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdSysInfo = new forms::CommandButton(QStringLiteral("&Infos système..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    setDefaultButton(cmdOK);
    setCancelButton(cmdOK);

    forms::moveTwips(lblTitle, 1500, 300, 4500, 700);
    forms::moveTwips(lblVersion[0], 1500, 1100, 4500, 285);
    forms::moveTwips(lblVersion[1], 1500, 1420, 4500, 285);
    forms::moveTwips(cmdOK, 4260, 2400, 1755, 375);
    forms::moveTwips(cmdSysInfo, 4260, 2880, 1755, 375);
    resize(toPixels(6300), toPixels(3480));
    setFixedSize(size());

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { cmdSysInfo_Click(); });
}

void frmAbout::formLoad() {
    setWindowTitle(QStringLiteral("À propos de ") + programTitle());
    lblTitle->setText(QStringLiteral("Ostravelia des virements internationaux"));
    lblVersion[0]->setText(QStringLiteral("Version 2015.01"));
    lblVersion[1]->setText(QStringLiteral("du 2 février 2015"));
}

void frmAbout::cmdOK_Click() { unload(); }

void frmAbout::StartSysInfo() {
    QString path;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"), QStringLiteral("PATH"),
                    path)) {
        if (!StartProgram(path)) sysInfoMissing();
        return;
    }
    if (!GetKeyValue(HKEY_LOCAL_MACHINE, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                     QStringLiteral("MSINFO"), path)) {
        sysInfoMissing();
        return;
    }
    path += QStringLiteral("/MSINFO32.EXE");
    if (!files::fileExists(path) || !StartProgram(path)) sysInfoMissing();
}

bool frmAbout::GetKeyValue(quint32 keyRoot, const QString& keyName, const QString& subKeyRef, QString& keyVal) {
    keyVal.clear();
    const QString root = rootName(keyRoot);
    if (root.isEmpty()) return false;
    const std::optional<QString> v = Registry::current().readValue(root + u'\\' + keyName, subKeyRef);
    if (!v) return false;
    keyVal = *v;
    // A string keeps no terminating zero.
    if (keyVal.endsWith(QChar(0))) keyVal.chop(1);
    return true;
}

void frmAbout::paintEvent(QPaintEvent* e) {
    // The background picture: a sky over the sea, with the flight of a transfer.
    QPainter g(this);
    g.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(0xF4, 0xF7, 0xFC));
    sky.setColorAt(1, QColor(0xC9, 0xD9, 0xEE));
    g.fillRect(rect(), sky);
    g.setPen(QPen(QColor(0x2B, 0x5C, 0x9E), 3, Qt::SolidLine, Qt::RoundCap));
    g.setBrush(Qt::NoBrush);
    const qreal s = height() / 232.0;
    QPainterPath arc;
    arc.moveTo(18 * s, 150 * s);
    arc.cubicTo(30 * s, 60 * s, 70 * s, 40 * s, 86 * s, 34 * s);
    g.drawPath(arc);
    g.setBrush(QColor(0x2B, 0x5C, 0x9E));
    g.setPen(Qt::NoPen);
    g.drawEllipse(QPointF(18 * s, 150 * s), 7 * s, 7 * s);
    QPolygonF head;
    head << QPointF(96 * s, 30 * s) << QPointF(80 * s, 26 * s) << QPointF(86 * s, 42 * s);
    g.drawPolygon(head);
    Form::paintEvent(e);
}

}  // namespace vorna
