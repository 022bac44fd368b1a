#include "support/DeviceTestSupport.h"
#include "app/Global.h"
#include "app/IniFile.h"
#include "link/TcpBtle.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <gtest/gtest.h>

namespace {

// An in-process bridge whose replies a test writes: the function gets each command line and
// returns the bytes to send back; a reply without a line end is sent and then the connection is
// closed (a bridge that hangs up in the middle of a reply).
class ScriptedBridge {
public:
    explicit ScriptedBridge(std::function<QByteArray(const QByteArray&)> answer)
        : answer_(std::move(answer)) {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            QTcpSocket* s = server.nextPendingConnection();
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                while (s->canReadLine()) {
                    const QByteArray reply = answer_(s->readLine().trimmed());
                    s->write(reply);
                    if (!reply.endsWith('\n')) {
                        s->disconnectFromHost();
                        return;
                    }
                }
            });
        });
    }
    QTcpServer server;

private:
    std::function<QByteArray(const QByteArray&)> answer_;
};

void SetTimeout(const TempProgramFolder& folder, int ms) {
    IniFile ini(folder.file("Kurim.ini"));
    ini.WriteInteger("Eingang", "TCP_TIMEOUT", ms);
    ini.Save();
}

TEST(BridgeClient, OneDeviceDialogueAgainstTheSimulator) {
    TempProgramFolder folder(false);
    const quint16 port = FreeTcpPort();
    SimProcess sim({"--bridge", "--port", QString::number(port)});
    ASSERT_TRUE(sim.started());
    TBridgeClient c;
    EXPECT_FALSE(c.BridgeScan()); // not connected: nothing sent
    ASSERT_TRUE(c.BridgeConnect("localhost", port));
    EXPECT_FALSE(c.BridgeConnect("localhost", port)); // already connected
    EXPECT_TRUE(c.Connected);
    EXPECT_EQ(c.Timeout, 2000);
    ASSERT_TRUE(c.BridgeScan());
    QStringList names;
    ASSERT_TRUE(WaitFor(
        [&] {
            names.clear();
            return c.BridgeGetState(names);
        },
        3000));
    EXPECT_EQ(names, QStringList({"KR1A-2345"}));
    EXPECT_TRUE(c.BridgeGetSelection());
    for (int i = 0; i < 3; ++i) {
        QString line;
        ASSERT_TRUE(c.BridgeGetData(line));
        EXPECT_GE(line.size(), 6);
        EXPECT_EQ(line.at(3), 'G') << line.toStdString();
    }
    EXPECT_EQ(c.Log.first(), "Memo1");
    const QRegularExpression stamped(R"(^\d\d\.\d\d\.\d{4}_\d\d:\d\d:\d\d:\d{2,3} :)");
    EXPECT_TRUE(stamped.match(c.Log[1]).hasMatch()) << c.Log[1].toStdString();
    EXPECT_TRUE(c.Log[1].endsWith(" :Connected"));
    EXPECT_TRUE(c.Log[2].endsWith(" :-> TCP_CMD_SCAN|3000"));
    EXPECT_TRUE(c.Log.contains(c.Log.filter(":1|KR1A-2345").value(0)));
    EXPECT_TRUE(c.BridgeDisconnect());
    EXPECT_FALSE(c.Connected);
    QString untouched = "x";
    EXPECT_FALSE(c.BridgeGetData(untouched));
    EXPECT_EQ(untouched, "x");
}

TEST(BridgeClient, SeveralDevicesNeedTheUsersChoice) {
    TempProgramFolder folder(false);
    const quint16 port = FreeTcpPort();
    SimProcess sim(
        {"--bridge", "--port", QString::number(port), "--devices", "3", "--scan-ms", "0"});
    ASSERT_TRUE(sim.started());
    TBridgeClient c;
    ASSERT_TRUE(c.BridgeConnect("127.0.0.1", port));
    ASSERT_TRUE(c.BridgeScan());
    QStringList names;
    ASSERT_TRUE(c.BridgeGetState(names));
    EXPECT_EQ(names, QStringList({"KR1A-2345", "KR9B-0001", "KR3C-4711"}));
    EXPECT_FALSE(c.BridgeGetSelection());
    QString reply;
    ASSERT_TRUE(c.BridgeSetDevice("KR9B-0001", &reply));
    EXPECT_EQ(reply, "SET_DEVICE");
    EXPECT_TRUE(c.Log.last().endsWith(" :SET_DEVICE"));
    EXPECT_TRUE(c.BridgeGetSelection());
}

TEST(BridgeClient, SilentBridgeTimesOutAndDisconnects) {
    TempProgramFolder folder(false);
    SetTimeout(folder, 500);
    const quint16 port = FreeTcpPort();
    SimProcess sim({"--bridge", "--port", QString::number(port), "--silent-after", "1"});
    ASSERT_TRUE(sim.started());
    TBridgeClient c;
    ASSERT_TRUE(c.BridgeConnect("localhost", port));
    EXPECT_EQ(c.Timeout, 500);
    ASSERT_TRUE(c.BridgeScan());
    QElapsedTimer t;
    t.start();
    QStringList names;
    EXPECT_FALSE(c.BridgeGetState(names));
    const qint64 waited = t.elapsed();
    std::printf("silent bridge: command held %lld ms (TCP_TIMEOUT 500)\n", (long long)waited);
    EXPECT_FALSE(c.Connected);
    EXPECT_TRUE(c.LastError.contains("TCP_CMD_GET_STATE"));
    EXPECT_TRUE(c.Log.last().contains(" :Error: no reply to TCP_CMD_GET_STATE"));
    EXPECT_FALSE(c.BridgeGetSelection());
}

TEST(BridgeClient, RefusedAndSlowStartingBridge) {
    TempProgramFolder folder(false);
    const quint16 port = FreeTcpPort();
    SimProcess sim({"--bridge", "--port", QString::number(port), "--slow-start", "1500"}, {},
                   false);
    TBridgeClient c;
    EXPECT_FALSE(c.BridgeConnect("localhost", port)); // not listening yet
    EXPECT_FALSE(c.Connected);
    EXPECT_FALSE(c.LastError.isEmpty());
    EXPECT_TRUE(c.Log.last().contains(" :Error: "));
    EXPECT_TRUE(WaitFor([&] { return c.BridgeConnect("localhost", port); }, 5000));
    c.BridgeDisconnect();
    EXPECT_FALSE(c.BridgeConnect("localhost", 0));
    EXPECT_FALSE(c.Connected);
}

TEST(BridgeClient, RepliesFromOutsideAreReadSafely) {
    TempProgramFolder folder(false);
    SetTimeout(folder, 1000);
    QByteArray stateReply, selectionReply;
    ScriptedBridge bridge([&](const QByteArray& cmd) -> QByteArray {
        if (cmd == "TCP_CMD_GET_STATE") return stateReply;
        if (cmd == "TCP_CMD_GET_SELECTION") return selectionReply;
        return "?\n";
    });
    TBridgeClient c;
    struct StateCase {
        QByteArray reply;
        bool result;
        int count;
        QString first;
    };
    const QList<StateCase> states = {
        {"2|KR1A-2345|KR9B-0001\r\n", true, 2, "KR1A-2345"},
        {"2|KR1A-2345|KR9B-0001\n", true, 2, "KR1A-2345"}, // LF alone ends a line too
        {"0\n", false, 0, ""},
        {"\n", false, 0, ""},
        {"||1||x|\n", true, 1, "x"}, // runs of separators count once
        {"3|a\n", true, 3, "a"},     // missing names come empty
        {"999999999|a\n", true, TBridgeClient::MaxDevices, "a"},
        {"-3|x\n", false, 0, ""},
        {"\xC4rger|x\n", false, 0, ""},
    };
    for (const auto& s : states) {
        if (!c.Connected) {
            ASSERT_TRUE(c.BridgeConnect("127.0.0.1", bridge.server.serverPort()));
        }
        stateReply = s.reply;
        QStringList names;
        EXPECT_EQ(c.BridgeGetState(names), s.result) << s.reply.toStdString();
        EXPECT_EQ(names.size(), s.count) << s.reply.toStdString();
        EXPECT_EQ(names.value(0), s.first);
        EXPECT_TRUE(c.Connected);
    }
    const QList<std::pair<QByteArray, bool>> selections = {
        {"1\n", true}, {"0\n", false}, {"\n", false}, {"01x\n", true}, {"2\n", false}};
    for (const auto& [reply, want] : selections) {
        selectionReply = reply;
        EXPECT_EQ(c.BridgeGetSelection(), want) << reply.toStdString();
    }

    // A reply line beyond 64 KiB and a bridge that hangs up in the middle of a reply.
    stateReply = QByteArray(100 * 1024, 'x');
    QStringList names;
    EXPECT_FALSE(c.BridgeGetState(names));
    EXPECT_FALSE(c.Connected);
    EXPECT_TRUE(c.LastError.contains("longer than"));
    ASSERT_TRUE(c.BridgeConnect("127.0.0.1", bridge.server.serverPort()));
    stateReply = "2|KR1A"; // no line end, then the connection closes
    EXPECT_FALSE(c.BridgeGetState(names));
    EXPECT_FALSE(c.Connected);
    EXPECT_TRUE(c.LastError.contains("connection lost"));

    // The bridge goes away between two commands: the next one fails and the log says why.
    ASSERT_TRUE(c.BridgeConnect("127.0.0.1", bridge.server.serverPort()));
    selectionReply = "1\n";
    ASSERT_TRUE(c.BridgeGetSelection());
    for (QTcpSocket* s : bridge.server.findChildren<QTcpSocket*>())
        s->disconnectFromHost();
    ASSERT_TRUE(WaitFor([&] { return !c.Connected; }, 2000));
    EXPECT_FALSE(c.BridgeGetSelection());
    EXPECT_EQ(c.LastError, "connection lost");
    EXPECT_TRUE(c.Log.last().endsWith(" :Error: connection lost")) << c.Log.last().toStdString();
    // Our own disconnect is no error.
    ASSERT_TRUE(c.BridgeConnect("127.0.0.1", bridge.server.serverPort()));
    c.BridgeDisconnect();
    EXPECT_TRUE(c.LastError.isEmpty());
    EXPECT_TRUE(c.Log.last().endsWith(" :Connected"));
}

TEST(BridgeClient, StampFormat) {
    const QList<std::pair<QDateTime, QString>> cases = {
        {QDateTime(QDate(2024, 12, 9), QTime(14, 3, 7, 42)), "09.12.2024_14:03:07:42"},
        {QDateTime(QDate(2025, 1, 1), QTime(0, 0, 0, 5)), "01.01.2025_00:00:00:05"},
        {QDateTime(QDate(2025, 1, 1), QTime(23, 59, 59, 999)), "01.01.2025_23:59:59:999"},
    };
    for (const auto& [t, want] : cases)
        EXPECT_EQ(TBridgeClient::Stamp(t), want);
}

TEST(BridgeClient, StartAndStopTheBridgeProgram) {
    TempProgramFolder folder(false);
    ASSERT_TRUE(QFile::copy(BinDir() + "Btle_server", folder.file("Btle_server")));
    QFile::setPermissions(folder.file("Btle_server"), QFile::permissions(BinDir() + "Btle_server"));
    const quint16 port = FreeTcpPort();
    qputenv("KURIM_SIM_BRIDGE", QByteArray("--port ") + QByteArray::number(port));
    DialogRecorder dialogs;
    TBridgeClient c;
    ASSERT_TRUE(c.StartBridge());
    EXPECT_TRUE(WaitFor([&] { return c.BridgeConnect("localhost", port); }, 5000));
    EXPECT_TRUE(c.BridgeScan());
    EXPECT_FALSE(c.StopBridge());
    EXPECT_FALSE(c.Connected);
    // The program has ended: nobody listens any more.
    EXPECT_TRUE(WaitFor([&] { return !c.BridgeConnect("localhost", port); }, 3000));
    EXPECT_TRUE(dialogs.requests.empty());
    qunsetenv("KURIM_SIM_BRIDGE");

    // Nowhere to be found: the reason is shown and the result is false.
    QFile::remove(folder.file("Btle_server"));
    const QByteArray path = qgetenv("PATH");
    QTemporaryDir emptyDir;
    qputenv("PATH", emptyDir.path().toLocal8Bit());
    EXPECT_FALSE(c.StartBridge());
    qputenv("PATH", path);
    EXPECT_EQ(dialogs.texts(), QStringList({"Anwendung nicht gefunden"}));
}

} // namespace
