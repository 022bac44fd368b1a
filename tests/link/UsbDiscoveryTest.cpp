#include "support/DeviceTestSupport.h"
#include "link/UsbDiscovery.h"
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

// A sysfs tree as the kernel lays it out for USB serial adapters: the class entry's "device"
// link leads into the USB device's folder, which holds idVendor, idProduct and serial.
class FakeSysfs {
public:
    FakeSysfs() { qputenv("KURIM_SYSFS", dir.path().toLocal8Bit()); }
    ~FakeSysfs() { qunsetenv("KURIM_SYSFS"); }
    void AddUsbTty(const QString& tty, const QString& vid, const QString& pid,
                   const QString& serial, const QString& devName = {}) {
        const QString usb = dir.path() + "/devices/usb1/1-" + QString::number(++n_);
        const QString port = usb + "/1-" + QString::number(n_) + ":1.0/" + tty;
        QDir().mkpath(port);
        Write(usb + "/idVendor", vid);
        Write(usb + "/idProduct", pid);
        if (!serial.isNull()) Write(usb + "/serial", serial);
        AddEntry(tty, port, devName);
    }
    void AddPlainTty(const QString& tty) {
        const QString port = dir.path() + "/devices/platform/serial8250/" + tty;
        QDir().mkpath(port);
        AddEntry(tty, port, {});
    }
    QTemporaryDir dir;

private:
    void AddEntry(const QString& tty, const QString& target, const QString& devName) {
        const QString entry = dir.path() + "/class/tty/" + tty;
        QDir().mkpath(entry);
        QFile::link(target, entry + "/device");
        Write(entry + "/uevent",
              "MAJOR=188\nDEVNAME=" + (devName.isEmpty() ? tty : devName) + "\n");
    }
    static void Write(const QString& path, const QString& text) {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text.toLatin1() + "\n");
    }
    int n_ = 0;
};

TEST(FindUsbComPort, IdentitiesOfAnalysersAndDongle) {
    TempProgramFolder folder(false);
    WritePortMap(folder, {{7, "/dev/pts/93"}});
    FakeSysfs sys;
    sys.AddPlainTty("ttyS0");
    sys.AddUsbTty("ttyUSB0", "10c4", "830f", "0001");           // QAN Kestrel
    sys.AddUsbTty("ttyUSB1", "10c4", "ea60", "0001");           // another CP210x
    sys.AddUsbTty("ttyUSB2", "10c4", "8310", "0002");           // a second Heron, other serial
    sys.AddUsbTty("ttyUSB3", "10C4", "8310", "0001");           // QAN Heron / Wren
    sys.AddUsbTty("ttyACM0", "10c4", "8b06", "0001", "pts/93"); // the dongle, mapped by Ports
    sys.AddUsbTty("ttyUSB9", "10c4", "1234", QString());        // no serial number

    const QList<std::tuple<QString, QString, QString, int>> cases = {
        {"10C4", "830F", "0001", 17}, // ttyUSB0
        {"10C4", "8310", "0001", 20}, // ttyUSB3
        {"10c4", "8310", "0002", 19}, // ttyUSB2
        {"10C4", "8B06", "0001", 7},  // DEVNAME pts/93, COM7 in section Ports
        {"10C4", "8B06", "0002", 0},  {"10C4", "1234", "0001", 0}, {"0403", "6001", "0001", 0},
    };
    for (const auto& [vid, pid, inst, want] : cases)
        EXPECT_EQ(FindUsbComPort(vid, pid, inst), want)
            << vid.toStdString() << ":" << pid.toStdString();
    EXPECT_TRUE(UsbDeviceFolderOfTty("/dev/ttyUSB3").endsWith("/devices/usb1/1-4"));
    EXPECT_TRUE(UsbDeviceFolderOfTty("/dev/ttyS0").isEmpty());
}

TEST(FindUsbComPort, MissingOrUnmappableTreeGivesZero) {
    TempProgramFolder folder(false);
    FakeSysfs sys;
    EXPECT_EQ(FindUsbComPort("10C4", "8B06", "0001"), 0); // no class/tty at all
    sys.AddUsbTty("ttyUSB40", "10c4", "8b06", "0001");    // beyond COM48: no number leads to it
    EXPECT_EQ(FindUsbComPort("10C4", "8B06", "0001"), 0);
}

} // namespace
