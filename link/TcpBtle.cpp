#include "TcpBtle.h"
#include "app/Ansi.h"
#include "app/DialogHook.h"
#include "app/Global.h"
#include "app/IniFile.h"
#include "app/Utils.h"
#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QThread>

static const QString kBridgeProgram = QStringLiteral("Btle_server.EXE");

TBridgeClient::TBridgeClient(QObject* parent) : QObject(parent), socket_(new QTcpSocket(this)) {
    setObjectName(QStringLiteral("BridgeClient"));
    // One byte more than a reply may have, so an overlong line is seen without holding more.
    socket_->setReadBufferSize(MaxLineLength + 1);
    // The bridge may go away between two commands (ended, crashed): the next operation then
    // fails, and the log and LastError must say why. Our own disconnects clear Connected first;
    // a loss during a command is reported by that command.
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
        const bool lost = Connected && !busy_;
        Connected = false;
        if (lost) {
            LastError = QStringLiteral("connection lost");
            LogLine(QStringLiteral("Error: connection lost"));
        }
    });
}

int TBridgeClient::TimeoutFromSettings() {
    const int ms = IniFile(SettingsFilePath())
                       .ReadInteger(QStringLiteral("Eingang"), QStringLiteral("TCP_TIMEOUT"), 2000);
    return Clamp(ms, 100, 60000);
}

QString TBridgeClient::Stamp(const QDateTime& t) {
    const QDate d = t.date();
    const QTime h = t.time();
    auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
    return two(d.day()) + '.' + two(d.month()) + '.' + two(d.year()) + '_' + two(h.hour()) + ':' +
           two(h.minute()) + ':' + two(h.second()) + ':' + two(h.msec());
}

void TBridgeClient::LogLine(const QString& text) {
    const QString line = Stamp(Now()) + QStringLiteral(" :") + text;
    Log << line;
    if (Log.size() > MaxLogLines) Log.remove(0, Log.size() - MaxLogLines);
    emit lineLogged(line);
}

bool TBridgeClient::WaitFor(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= Timeout) return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (!done()) QThread::msleep(2);
    }
    return true;
}

void TBridgeClient::Fail(const QString& why) {
    LastError = why;
    LogLine(QStringLiteral("Error: ") + why);
    Connected = false;
    socket_->abort();
}

bool TBridgeClient::BridgeConnect(const QString& host, int port) {
    if (Connected || busy_) return false;
    LastError.clear();
    Timeout = TimeoutFromSettings();
    if (port <= 0 || port > 65535) {
        Fail(QStringLiteral("invalid port %1").arg(port));
        return false;
    }
    busy_ = true;
    socket_->abort();
    socket_->connectToHost(host, quint16(port));
    const bool ok = WaitFor([this] {
        return socket_->state() == QAbstractSocket::ConnectedState ||
               socket_->state() == QAbstractSocket::UnconnectedState;
    });
    busy_ = false;
    if (!ok || socket_->state() != QAbstractSocket::ConnectedState) {
        const QString why = socket_->state() == QAbstractSocket::UnconnectedState
                                ? socket_->errorString()
                                : QStringLiteral("no connection to %1:%2 within %3 ms")
                                      .arg(host)
                                      .arg(port)
                                      .arg(Timeout);
        Fail(why);
        return false;
    }
    LogLine(QStringLiteral("Connected"));
    Connected = true;
    return true;
}

bool TBridgeClient::BridgeDisconnect() {
    Connected = false;
    socket_->abort();
    return true;
}

bool TBridgeClient::Command(const QString& command, QString& reply) {
    if (!Connected) return false;
    if (busy_) {
        LastError = QStringLiteral("a command is still waiting for its reply");
        return false;
    }
    LastError.clear();
    busy_ = true;
    socket_->readAll(); // nothing unasked-for may pass as this command's reply
    socket_->write(ToAnsi(command) + "\r\n");
    bool tooLong = false;
    const bool ok = WaitFor([this, &tooLong] {
        if (socket_->canReadLine()) return true;
        tooLong = socket_->bytesAvailable() > MaxLineLength;
        return tooLong || socket_->state() != QAbstractSocket::ConnectedState;
    });
    busy_ = false;
    if (ok && !tooLong && socket_->canReadLine()) {
        QByteArray line = socket_->readLine(MaxLineLength + 2);
        if (line.endsWith('\n')) line.chop(1);
        if (line.endsWith('\r')) line.chop(1);
        if (line.size() <= MaxLineLength) {
            reply = FromAnsi(line);
            return true;
        }
        tooLong = true;
    }
    if (tooLong)
        Fail(QStringLiteral("reply to %1 longer than %2 bytes").arg(command).arg(MaxLineLength));
    else if (socket_->state() != QAbstractSocket::ConnectedState)
        Fail(QStringLiteral("connection lost during %1").arg(command));
    else
        Fail(QStringLiteral("no reply to %1 within %2 ms").arg(command).arg(Timeout));
    return false;
}

bool TBridgeClient::BridgeScan() {
    if (!Connected) return false;
    const QString cmd = QStringLiteral("TCP_CMD_SCAN|3000");
    LogLine(QStringLiteral("-> ") + cmd);
    QString reply;
    if (!Command(cmd, reply)) return false;
    LogLine(reply);
    return true;
}

bool TBridgeClient::BridgeGetState(QStringList& list) {
    if (!Connected) return false;
    const QString cmd = QStringLiteral("TCP_CMD_GET_STATE");
    LogLine(QStringLiteral("-> ") + cmd);
    QString reply;
    if (!Command(cmd, reply)) return false;
    LogLine(reply);
    if (reply.size() <= 1) return false;
    TokenizerStart(reply, QStringLiteral("|"));
    const int n = ReadInt(NextToken());
    // The count comes from outside: names beyond a sane number are not taken.
    for (int i = 0; i < std::min(n, int(MaxDevices)); ++i)
        list << NextToken();
    return n >= 1;
}

bool TBridgeClient::BridgeGetData(QString& line) {
    if (!Connected) return false;
    const QString cmd = QStringLiteral("TCP_CMD_GET_DATA");
    LogLine(QStringLiteral("-> ") + cmd);
    QString reply;
    if (!Command(cmd, reply)) return false;
    line = reply;
    return true;
}

bool TBridgeClient::BridgeSetDevice(const QString& name, QString* replyOut) {
    if (!Connected) return false;
    const QString cmd = QStringLiteral("TCP_CMD_SET_DEVICE|") + name + QStringLiteral("|");
    LogLine(QStringLiteral("-> ") + cmd);
    QString reply;
    if (!Command(cmd, reply)) return false;
    if (replyOut) *replyOut = reply;
    LogLine(reply);
    return true;
}

bool TBridgeClient::BridgeGetSelection() {
    if (!Connected) return false;
    const QString cmd = QStringLiteral("TCP_CMD_GET_SELECTION");
    LogLine(QStringLiteral("-> ") + cmd);
    QString reply;
    if (!Command(cmd, reply)) return false;
    const bool selected = ReadInt(reply) == 1;
    LogLine(reply);
    return selected;
}

bool TBridgeClient::StartBridge() {
    QString path;
    for (const QString& name :
         {QStringLiteral("Btle_server"), kBridgeProgram, QStringLiteral("btle_server")}) {
        path = FindProgram(name, ProgramFolder);
        if (!path.isEmpty()) break;
    }
    if (path.isEmpty()) return RunProgram(kBridgeProgram); // reports "Anwendung nicht gefunden"
    if (path.contains(QLatin1Char(' ')) || path.contains(QLatin1Char('"')))
        path = QLatin1Char('"') + path.replace(QLatin1Char('"'), QStringLiteral("\"\"\"")) +
               QLatin1Char('"');
    return RunProgram(path);
}

bool TBridgeClient::StopBridge() {
    Connected = false;
    KillProcessByName(kBridgeProgram, false, false);
    socket_->abort();
    return false;
}
