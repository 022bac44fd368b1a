#pragma once
// USB identities of the analysers and the dongle, looked up in sysfs (/sys, or the folder named
// by KURIM_SYSFS).
#include <QString>

// The sysfs root in use: KURIM_SYSFS when set, else "/sys".
QString SysfsRoot();

// The COM number (port map) of the tty whose USB device has this vendor id, product id and
// serial number (the instance, e.g. "0001"); ids are 4 hexadecimal digits, compared without
// regard to case. 0 when no such device is plugged in or no COM number leads to its tty.
int FindUsbComPort(const QString& vendorId, const QString& productId, const QString& instance);

// The sysfs folder of the USB device behind a tty device node (a path in /dev, symlinks allowed);
// empty when the tty is not a USB device.
QString UsbDeviceFolderOfTty(const QString& devicePath);
