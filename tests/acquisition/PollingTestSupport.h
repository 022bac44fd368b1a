#pragma once
// Helpers for the polling-loop tests (header only, shared by the logic and the window tests),
// on top of the device helpers of all tests.
#include "app/IniFile.h"
#include "support/DeviceTestSupport.h"
#include <QThread>

// The test plays the analyser on the master side; the program opens `slave`. Unlike the plain
// pair, sending and receiving never run the event loop: the tests drive the ticks themselves.
class AnalyserPty : public PtyPair {
public:
    void Send(const QByteArray& bytes) const {
        PtyPair::Send(bytes, false);
        // Let the bytes reach the reading side before the next tick looks.
        QThread::msleep(20);
    }
    QByteArray Receive(int ms = 400) const { return PtyPair::Receive(ms, false); }
    void Close() { CloseMaster(); }
};

// Section "Ports" of the folder's Kurim.ini: COMn=path.
inline void MapPort(const TempProgramFolder& folder, int port, const QString& path) {
    WritePortMap(folder, {{port, path}});
}

inline void WriteSetting(const TempProgramFolder& folder, const QString& key,
                         const QString& value) {
    IniFile ini(folder.file("Kurim.ini"));
    ini.WriteString("Eingang", key, value);
    ini.Save();
}
