#pragma once
// Helpers for the polling-loop tests (header only, shared by the logic and the window tests):
// a pseudo-terminal the test plays the analyser on, kurim-sim as a child process, and the port
// map of the temporary program folder.
#include "app/IniFile.h"
#include "support/TestSupport.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <fcntl.h>
#include <unistd.h>

// The test writes on the master side; the program opens `slave`.
class AnalyserPty {
public:
    AnalyserPty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
            Close();
            return;
        }
        slave = QString::fromLocal8Bit(::ptsname(master));
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~AnalyserPty() { Close(); }
    void Close() {
        if (master >= 0) ::close(master);
        master = -1;
    }
    void Send(const QByteArray& bytes) const {
        qsizetype done = 0;
        QElapsedTimer t;
        t.start();
        while (done < bytes.size() && t.elapsed() < 5000) {
            const ssize_t n =
                ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
            else
                QThread::msleep(2);
        }
        // Let the bytes reach the reading side before the next tick looks.
        QThread::msleep(20);
    }
    QByteArray Receive(int ms = 400) const {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            char buffer[4096];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, n);
            else
                QThread::msleep(5);
        }
        return got;
    }
    int master = -1;
    QString slave;
};

// kurim-sim in one of its modes; `firstLine` is the first line it printed (a path, a port).
class SimChild {
public:
    explicit SimChild(const QStringList& args) {
        process.start(BinDir() + "kurim-sim", args);
        if (!process.waitForStarted(5000)) return;
        QElapsedTimer t;
        t.start();
        while (!process.canReadLine() && t.elapsed() < 5000 && process.state() == QProcess::Running)
            process.waitForReadyRead(100);
        if (process.canReadLine()) firstLine = QString::fromLocal8Bit(process.readLine()).trimmed();
    }
    ~SimChild() {
        process.terminate();
        if (!process.waitForFinished(2000)) {
            process.kill();
            process.waitForFinished(2000);
        }
    }
    QString firstLine;
    QProcess process;
};

// Section "Ports" of the folder's Kurim.ini: COMn=path.
inline void MapPort(const TempProgramFolder& folder, int port, const QString& path) {
    IniFile ini(folder.file("Kurim.ini"));
    ini.WriteString("Ports", QString("COM%1").arg(port), path);
    ini.Save();
}

inline void WriteSetting(const TempProgramFolder& folder, const QString& key,
                         const QString& value) {
    IniFile ini(folder.file("Kurim.ini"));
    ini.WriteString("Eingang", key, value);
    ini.Save();
}
