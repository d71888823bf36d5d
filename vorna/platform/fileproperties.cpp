#include "platform/fileproperties.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QVBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QUrl>

#include "platform/forms/form.h"
#include "platform/session.h"

namespace vorna {

namespace {

const QString kService = QStringLiteral("org.freedesktop.FileManager1");
const QString kObject = QStringLiteral("/org/freedesktop/FileManager1");
// Starting a file manager that the bus activates on demand may take a few seconds.
constexpr int kAnswerTimeoutMs = 8000;

// The session bus: its address from the environment, or the user's bus of the runtime folder.
QString sessionBusAddress() {
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty()) return address;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus")))
        return QStringLiteral("unix:path=") + runtime + QStringLiteral("/bus");
    return QString();
}

QString rights(QFileDevice::Permissions p, QFileDevice::Permission read, QFileDevice::Permission write,
               QFileDevice::Permission exec) {
    QStringList r;
    if (p & read) r << QStringLiteral("lecture");
    if (p & write) r << QStringLiteral("écriture");
    if (p & exec) r << QStringLiteral("exécution");
    return r.isEmpty() ? QStringLiteral("aucun droit") : r.join(QStringLiteral(", "));
}

QLabel* value(QWidget* parent, const QString& name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->setWordWrap(true);
    return l;
}

}  // namespace

bool askFileManagerForProperties(const QString& path) {
    const QString address = sessionBusAddress();
    if (address.isEmpty()) return false;
    // A connection of its own, made for the call: the bus of the moment is the one asked.
    static int calls = 0;
    const QString name = QStringLiteral("vorna-file-properties-%1").arg(++calls);
    bool answered = false;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, name);
        if (bus.isConnected()) {
            QDBusMessage call = QDBusMessage::createMethodCall(kService, kObject, kService, QStringLiteral("ShowItemProperties"));
            call << QStringList{QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString()} << QString();
            const QDBusMessage reply = bus.call(call, QDBus::BlockWithGui, kAnswerTimeoutMs);
            answered = reply.type() == QDBusMessage::ReplyMessage;
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return answered;
}

void showFileProperties(const QString& path) {
    if (askFileManagerForProperties(path)) return;
    auto* w = new FilePropertiesWindow(path, Session::current().mainWindow);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    w->raise();
    w->activateWindow();
}

FilePropertiesWindow::FilePropertiesWindow(const QString& path, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FilePropertiesWindow"));
    const QFileInfo info(path);
    setWindowTitle(QStringLiteral("Propriétés de ") + info.fileName());

    auto* form = new QFormLayout;
    name = value(this, QStringLiteral("name"));
    folder = value(this, QStringLiteral("folder"));
    size = value(this, QStringLiteral("size"));
    lastChange = value(this, QStringLiteral("lastChange"));
    permissions = value(this, QStringLiteral("permissions"));
    form->addRow(QStringLiteral("&Nom :"), name);
    form->addRow(QStringLiteral("&Dossier :"), folder);
    form->addRow(QStringLiteral("&Taille :"), size);
    form->addRow(QStringLiteral("Dernière &modification :"), lastChange);
    form->addRow(QStringLiteral("&Autorisations :"), permissions);

    name->setText(info.fileName());
    folder->setText(QDir::toNativeSeparators(info.absolutePath()));
    const QLocale french(QLocale::French, QLocale::France);
    if (info.exists()) {
        size->setText(french.toString(info.size()) + QStringLiteral(" octets (") +
                      french.formattedDataSize(info.size(), 1, QLocale::DataSizeTraditionalFormat) + u')');
        lastChange->setText(info.lastModified().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
        const QFileDevice::Permissions p = info.permissions();
        permissions->setText(
            QStringLiteral("Propriétaire (%1) : %2\nGroupe (%3) : %4\nAutres : %5")
                .arg(info.owner(), rights(p, QFileDevice::ReadOwner, QFileDevice::WriteOwner, QFileDevice::ExeOwner),
                     info.group(), rights(p, QFileDevice::ReadGroup, QFileDevice::WriteGroup, QFileDevice::ExeGroup),
                     rights(p, QFileDevice::ReadOther, QFileDevice::WriteOther, QFileDevice::ExeOther)));
    } else {
        size->setText(QStringLiteral("Le fichier n'existe pas."));
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("&Fermer"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("cmdFermer"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

}  // namespace vorna
