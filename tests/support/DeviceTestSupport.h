#pragma once
// Helpers for tests that talk to devices: pseudo-terminal pairs, the simulator as a child process,
// and the port map of the temporary program folder.
#include "support/TestSupport.h"
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

// A pseudo-terminal: the test plays the device on the master side, the program opens `slave`.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    bool ok() const { return master >= 0; }
    // Both wait with the event loop running unless runEvents is false (tests that drive the
    // program's ticks themselves must not have them run in between).
    void Send(const QByteArray& bytes, bool runEvents = true) const;
    // Feeds the bytes from the event loop as fast as the reader takes them (for data larger than
    // the terminal's buffer).
    void Feed(const QByteArray& bytes);
    // Everything the program wrote, collected for up to ms milliseconds (the event loop runs).
    QByteArray Receive(int ms = 200, bool runEvents = true) const;
    void CloseMaster();
    int master = -1;
    QString slave;

private:
    QByteArray feed_;
    std::unique_ptr<QObject> feeder_;
};

// kurim-sim in one of its modes; the first line it prints is kept in `firstLine` (unless the
// caller does not wait for it).
class SimProcess {
public:
    explicit SimProcess(const QStringList& args, const QStringList& env = {},
                        bool waitForLine = true);
    ~SimProcess();
    bool started() const { return !firstLine.isEmpty(); }
    QString firstLine;
    QProcess process;
};

// Writes section Ports of Kurim.ini in the program folder: COMn=path for each pair.
void WritePortMap(const TempProgramFolder& folder, const QList<std::pair<int, QString>>& ports);

// A TCP port nobody listens on at this moment.
quint16 FreeTcpPort();
