#pragma once
// The client of the BLE bridge program ("Btle_server"), which does the Bluetooth work itself and
// speaks a line protocol over TCP: commands end in CR LF, each is answered by one line ended by
// LF. Every command and the connect wait at most Timeout ms (key TCP_TIMEOUT of section
// "Eingang", default 2000) while the event loop runs; a failure returns false, leaves a log line
// and LastError, and disconnects, so a late reply is never taken for the next command's answer.
#include <QObject>
#include <functional>
#include <QString>
#include <QStringList>

class QTcpSocket;
class QDateTime;

class TBridgeClient : public QObject {
    Q_OBJECT
public:
    explicit TBridgeClient(QObject* parent = nullptr);

    bool Connected = false;
    QStringList Log{QStringLiteral("Memo1")}; // the lines the test panel shows
    QString LastError;                        // why the last operation failed; empty after success
    int Timeout = 2000;                       // ms, per command and for connecting

    void LogLine(const QString& text);
    bool BridgeConnect(const QString& host, int port);
    bool BridgeDisconnect();
    bool BridgeScan();
    bool BridgeGetState(QStringList& list);
    bool BridgeGetData(QString& line);
    bool BridgeSetDevice(const QString& name, QString* reply = nullptr);
    bool BridgeGetSelection();
    bool StartBridge();
    bool StopBridge();

    // True while a command waits for its reply; a second command is refused meanwhile.
    bool Busy() const { return busy_; }

    // "09.12.2024_14:03:07:42"
    static QString Stamp(const QDateTime& t);
    // The settings' reply limit (TCP_TIMEOUT in section "Eingang", ms).
    static int TimeoutFromSettings();

    static constexpr int MaxLineLength = 64 * 1024;
    static constexpr int MaxDevices = 64; // names taken from one state reply at most
    static constexpr int MaxLogLines = 10000;

signals:
    void lineLogged(const QString& line);

private:
    bool Command(const QString& command, QString& reply);
    void Fail(const QString& why);
    bool WaitFor(const std::function<bool()>& done);

    QTcpSocket* socket_;
    bool busy_ = false;
};
