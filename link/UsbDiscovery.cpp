#include "UsbDiscovery.h"
#include "PortMap.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString SysfsRoot() {
    const QString env = qEnvironmentVariable("KURIM_SYSFS");
    return env.isEmpty() ? QStringLiteral("/sys") : QDir::cleanPath(env);
}

// sysfs attribute files are a line of text; anything long is not what we look for.
static QString Attribute(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(f.read(256)).trimmed();
}

// The device node of a tty class entry: DEVNAME of its uevent, relative to /dev; the entry's
// own name when the uevent does not say.
static QString DeviceNode(const QString& classEntry) {
    QFile f(classEntry + QStringLiteral("/uevent"));
    if (f.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = f.read(4096).split('\n');
        for (const QByteArray& l : lines)
            if (l.startsWith("DEVNAME=")) {
                const QString name = QString::fromLatin1(l.mid(8)).trimmed();
                if (!name.isEmpty() && !name.contains(QStringLiteral("..")))
                    return QStringLiteral("/dev/") + name;
            }
    }
    return QStringLiteral("/dev/") + QFileInfo(classEntry).fileName();
}

// Walks up from the tty's device folder to the USB device (the first folder with idVendor and
// idProduct), never above the sysfs root.
static QString UsbDeviceFolder(const QString& classEntry, const QString& root) {
    QString dir = QFileInfo(classEntry + QStringLiteral("/device")).canonicalFilePath();
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    for (int depth = 0; !dir.isEmpty() && depth < 16; ++depth) {
        if (QFileInfo::exists(dir + QStringLiteral("/idVendor")) &&
            QFileInfo::exists(dir + QStringLiteral("/idProduct")))
            return dir;
        if (dir == canonicalRoot || dir == QStringLiteral("/")) break;
        dir = QFileInfo(dir).path();
    }
    return {};
}

int FindUsbComPort(const QString& vendorId, const QString& productId, const QString& instance) {
    const QString root = SysfsRoot();
    const QDir ttys(root + QStringLiteral("/class/tty"));
    const QStringList entries = ttys.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& name : entries) {
        const QString entry = ttys.filePath(name);
        const QString usb = UsbDeviceFolder(entry, root);
        if (usb.isEmpty()) continue;
        if (Attribute(usb + QStringLiteral("/idVendor")).compare(vendorId, Qt::CaseInsensitive) !=
                0 ||
            Attribute(usb + QStringLiteral("/idProduct")).compare(productId, Qt::CaseInsensitive) !=
                0 ||
            Attribute(usb + QStringLiteral("/serial")).compare(instance, Qt::CaseInsensitive) != 0)
            continue;
        const int port = ComPortOfDevice(DeviceNode(entry));
        if (port >= 1 && port <= MaxComPort) return port;
    }
    return 0;
}

QString UsbDeviceFolderOfTty(const QString& devicePath) {
    const QString node = CanonicalDevicePath(devicePath);
    const QString root = SysfsRoot();
    const QDir ttys(root + QStringLiteral("/class/tty"));
    const QStringList entries = ttys.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& name : entries) {
        const QString entry = ttys.filePath(name);
        if (CanonicalDevicePath(DeviceNode(entry)) == node) return UsbDeviceFolder(entry, root);
    }
    return {};
}
