#include "PortMap.h"
#include "app/Global.h"
#include "app/IniFile.h"
#include <QFileInfo>

static QString DefaultPath(int port) {
    if (port >= 1 && port <= 16) return QStringLiteral("/dev/ttyS%1").arg(port - 1);
    if (port >= 17 && port <= 48) return QStringLiteral("/dev/ttyUSB%1").arg(port - 17);
    if (port >= 49 && port <= 80) return QStringLiteral("/dev/ttyACM%1").arg(port - 49);
    return {};
}

static QString MappedPath(const IniFile& ini, int port) {
    const QString key = QStringLiteral("COM%1").arg(port);
    if (ini.HasKey(QStringLiteral("Ports"), key))
        return ini.ReadString(QStringLiteral("Ports"), key).trimmed();
    return DefaultPath(port);
}

QString ComPortPath(int port) {
    if (port < 1 || port > MaxComPort) return {};
    return MappedPath(IniFile(SettingsFilePath()), port);
}

QString CanonicalDevicePath(const QString& path) {
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

int ComPortOfDevice(const QString& devicePath) {
    if (devicePath.isEmpty()) return 0;
    const QString want = CanonicalDevicePath(devicePath);
    const IniFile ini(SettingsFilePath());
    for (int port = 1; port <= MaxComPort; ++port) {
        const QString p = MappedPath(ini, port);
        if (!p.isEmpty() && (p == devicePath || CanonicalDevicePath(p) == want)) return port;
    }
    return 0;
}
