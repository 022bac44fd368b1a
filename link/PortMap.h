#pragma once
// COM port numbers and Linux device paths. The analysers and their users think in COM numbers;
// a number becomes a device path through section "Ports" of Kurim.ini (COMn=path) or, without
// an entry, through the default ranges: COM1-16 /dev/ttyS0-15, COM17-48 /dev/ttyUSB0-31,
// COM49-80 /dev/ttyACM0-31.
#include <QString>

constexpr int MaxComPort = 99;

// The device path of COMn (1..99); empty for numbers outside that range or without a device.
QString ComPortPath(int port);

// The COM number that the map gives to a device (any path leading to it: a symlink such as
// /dev/serial/by-id/..., or the node itself); 0 when no number leads to it.
int ComPortOfDevice(const QString& devicePath);

// The path that identifies a device whatever path it was reached by (symlinks resolved); the
// path itself when it does not exist.
QString CanonicalDevicePath(const QString& path);
