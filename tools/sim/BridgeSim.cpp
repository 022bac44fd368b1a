// kurim-sim --bridge (also the program "Btle_server"): a TCP server that answers the bridge
// program's line protocol as the client relies on it. Options come from the command line and,
// for a started "Btle_server", from the environment variable KURIM_SIM_BRIDGE (same syntax).
//   TCP_CMD_SCAN|ms     -> "SCAN_STARTED"; the devices are known --scan-ms later
//   TCP_CMD_GET_STATE   -> "0" until then, afterwards "n|name|name..."
//   TCP_CMD_SET_DEVICE|name| -> "SET_DEVICE"; a known name becomes the selection
//   TCP_CMD_GET_SELECTION -> "1" once a device is selected (one device selects itself), else "0"
//   TCP_CMD_GET_DATA    -> the next channel telegram of the selected Wren, empty before
#include "DongleTelegrams.h"
#include "Sim.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace {

struct Options {
    quint16 port = 30000;
    int devices = 1;
    int slowStartMs = 0;
    int silentAfter = -1; // commands answered before the bridge stops answering; -1 never
    int scanMs = 300;
};

QString OptionValue(const QStringList& args, const QString& name) {
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

QByteArray DeviceName(int i) {
    static const char* const names[] = {"KR1A-2345", "KR9B-0001", "KR3C-4711", "KR7D-0815"};
    return i < 4 ? QByteArray(names[i]) : "KR5E-" + QByteArray::number(1000 + i);
}

class Bridge : public QObject {
public:
    explicit Bridge(const Options& o) : o_(o) {
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                Serve(s);
        });
    }

    bool Listen() { return server_.listen(QHostAddress::Any, o_.port); }

private:
    void Serve(QTcpSocket* s) {
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        connect(s, &QTcpSocket::readyRead, s, [this, s] {
            while (s->canReadLine()) {
                QByteArray line = s->readLine(70000).trimmed();
                const QByteArray reply = Answer(line);
                if (o_.silentAfter >= 0 && ++answered_ > o_.silentAfter)
                    continue; // a hung bridge: connected, but no reply any more
                s->write(reply + "\r\n");
            }
            if (s->bytesAvailable() > 70000) s->abort(); // not a command any more
        });
    }

    bool Known() const { return scanning_ && scanClock_.elapsed() >= o_.scanMs; }

    QByteArray Answer(const QByteArray& cmd) {
        if (cmd.startsWith("TCP_CMD_SCAN")) {
            scanning_ = true;
            scanClock_.start();
            return "SCAN_STARTED";
        }
        if (cmd == "TCP_CMD_GET_STATE") {
            if (!Known() || o_.devices == 0) return "0";
            QByteArray r = QByteArray::number(o_.devices);
            for (int i = 0; i < o_.devices; ++i)
                r += "|" + DeviceName(i);
            if (o_.devices == 1) selected_ = 0;
            return r;
        }
        if (cmd.startsWith("TCP_CMD_SET_DEVICE|")) {
            const QByteArray name = cmd.mid(19).split('|').value(0);
            for (int i = 0; i < o_.devices && Known(); ++i)
                if (DeviceName(i) == name) selected_ = i;
            return "SET_DEVICE";
        }
        if (cmd == "TCP_CMD_GET_SELECTION") return selected_ >= 0 ? "1" : "0";
        if (cmd == "TCP_CMD_GET_DATA") return selected_ >= 0 ? lines_.Next() : QByteArray();
        return "ERROR";
    }

    Options o_;
    QTcpServer server_;
    bool scanning_ = false;
    QElapsedTimer scanClock_;
    int selected_ = -1;
    int answered_ = 0;
    WrenLineSource lines_;
};

int RunBridge(const QStringList& commandLine) {
    QStringList args = commandLine;
    args += QProcess::splitCommand(qEnvironmentVariable("KURIM_SIM_BRIDGE"));
    Options o;
    if (args.contains("--port"))
        o.port = quint16(std::clamp(OptionValue(args, "--port").toInt(), 1, 65535));
    if (args.contains("--devices"))
        o.devices = std::clamp(OptionValue(args, "--devices").toInt(), 0, 50);
    if (args.contains("--slow-start"))
        o.slowStartMs = std::clamp(OptionValue(args, "--slow-start").toInt(), 0, 600000);
    if (args.contains("--silent-after"))
        o.silentAfter = std::max(0, OptionValue(args, "--silent-after").toInt());
    if (args.contains("--scan-ms"))
        o.scanMs = std::clamp(OptionValue(args, "--scan-ms").toInt(), 0, 600000);

    auto bridge = std::make_unique<Bridge>(o);
    QTimer::singleShot(o.slowStartMs, bridge.get(), [&bridge, o] {
        if (!bridge->Listen()) {
            std::fprintf(stderr, "kurim-sim: cannot listen on port %u\n", unsigned(o.port));
            QCoreApplication::exit(1);
            return;
        }
        std::printf("listening on %u\n", unsigned(o.port));
        std::fflush(stdout);
    });
    return QCoreApplication::exec();
}

SimRegistrar reg({"--bridge",
                  "--bridge [--port P] [--devices N] [--slow-start MS] [--silent-after N] "
                  "[--scan-ms MS]",
                  RunBridge});

} // namespace
