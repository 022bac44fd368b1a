// The polling loop without windows: serial lines from a pseudo-terminal and from the simulator,
// the bridge dialogue against the bridge simulator, and faults of the device.
#include "PollingTestSupport.h"
#include <QCoreApplication>
#include "acquisition/Polling.h"
#include "app/Global.h"
#include "app/Values.h"
#include "link/TcpBtle.h"
#include <QTcpServer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct SerialFixture : ::testing::Test {
    TempProgramFolder folder{false};
    AnalyserPty pty;
    TPolling polling{nullptr, nullptr};
    QStringList logged;

    void SetUp() override {
        ASSERT_TRUE(pty.master >= 0);
        MapPort(folder, 5, pty.slave);
        DeviceType = 3;
        polling.OnLine = [this](QByteArrayView l) {
            logged << QString::fromLatin1(l.toByteArray());
        };
        ASSERT_EQ(polling.OpenSerial(5), TPolling::OpenResult::Opened);
        pty.Receive(100); // the blank that wakes the analyser
    }
    void Tick() {
        QCoreApplication::processEvents();
        polling.Timer1Timer();
    }
};

TEST_F(SerialFixture, TelegramSplitOverTwoTicksIsDecodedOnceWhenItsCrArrives) {
    pty.Send("052G9");
    Tick();
    EXPECT_TRUE(logged.isEmpty());
    EXPECT_FALSE(CurrentValues.Present[mvCO2]);
    // The LF of the previous line and other control bytes never reach the decoder.
    pty.Send(".8;\r\n\x01"
             "051G4.5;\r");
    Tick();
    EXPECT_EQ(logged, (QStringList{"052G9.8;", "051G4.5;"}));
    EXPECT_TRUE(CurrentValues.Present[mvCO2]);
    EXPECT_DOUBLE_EQ(CurrentValues.Values[mvCO2], 9.8);
    EXPECT_DOUBLE_EQ(CurrentValues.Values[mvO2], 4.5);
    EXPECT_EQ(NoDataTicks, 0);
}

TEST_F(SerialFixture, StopDropsLinesWhileTheWatchCountsOnAndClears) {
    pty.Send("052G9.8;\r");
    Tick();
    ASSERT_TRUE(CurrentValues.Present[mvCO2]);
    polling.Stop = true;
    for (int i = 0; i < 100; ++i) {
        if (i % 10 == 0) pty.Send("051G4.5;\r");
        Tick();
    }
    EXPECT_EQ(logged.size(), 1);
    EXPECT_EQ(NoDataTicks, 100);
    EXPECT_FALSE(CurrentValues.Present[mvCO2]);
    EXPECT_FALSE(CurrentValues.Present[mvO2]);
}

TEST_F(SerialFixture, DeviceTypeChangeTakesEffectForTheNextLine) {
    DeviceType = 4; // plain channel telegrams: a 4-character line is ignored
    pty.Send("51G9\r");
    Tick();
    EXPECT_EQ(logged.size(), 1);
    EXPECT_GT(NoDataTicks, 0);
    DeviceType = 3;
    pty.Send("051G9.0;\r");
    Tick();
    EXPECT_DOUBLE_EQ(CurrentValues.Values[mvO2], 9.0);
}

TEST_F(SerialFixture, OneTickTakesAtMost4096BytesAndTheRestNextTick) {
    QByteArray burst;
    while (burst.size() < 6000)
        burst += "052G9.8;\r";
    pty.Send(burst);
    QThread::msleep(50);
    Tick();
    EXPECT_LE(logged.size(), 4096 / 9);
    for (int i = 0; i < 5; ++i)
        Tick();
    EXPECT_EQ(logged.size(), burst.size() / 9);
}

TEST_F(SerialFixture, OverlongRunWithoutCrIsDroppedWithOneNote) {
    QStringList notes;
    polling.OnNote = [&](const QString& n) { notes << n; };
    pty.Send(QByteArray(5000, 'A'));
    for (int i = 0; i < 3; ++i)
        Tick();
    pty.Send("\r052G9.8;\r");
    Tick();
    EXPECT_EQ(notes.size(), 1);
    EXPECT_EQ(logged, QStringList{"052G9.8;"});
}

TEST_F(SerialFixture, CloseLinkTellsTheAnalyserAndCloses) {
    polling.CloseLink();
    EXPECT_FALSE(polling.Link.IsOpen);
    EXPECT_EQ(pty.Receive(200), QByteArray("W904\r"));
    EXPECT_FALSE(polling.LinkConnected());
}

TEST_F(SerialFixture, UnpluggedAnalyserClosesTheLinkAndValuesClearAfterTheLimit) {
    pty.Send("052G9.8;\r");
    Tick();
    ASSERT_TRUE(CurrentValues.Present[mvCO2]);
    pty.Close();
    ASSERT_TRUE(WaitFor(
        [&] {
            Tick();
            return !polling.Link.IsOpen;
        },
        3000));
    for (int i = 0; i < 100; ++i)
        Tick();
    EXPECT_FALSE(CurrentValues.Present[mvCO2]);
    EXPECT_FALSE(polling.LinkConnected());
    // A new choice of port works again.
    AnalyserPty again;
    MapPort(folder, 6, again.slave);
    EXPECT_EQ(polling.OpenSerial(6), TPolling::OpenResult::Opened);
}

TEST(Polling, OpenSerialReportsWhatFailed) {
    TempProgramFolder folder(false);
    MapPort(folder, 9, folder.file("no-such-device"));
    TPolling polling(nullptr, nullptr);
    EXPECT_EQ(polling.OpenSerial(-1), TPolling::OpenResult::NoPort);
    EXPECT_EQ(polling.OpenSerial(9), TPolling::OpenResult::OpenFailed);
    EXPECT_FALSE(polling.Link.IsOpen);
    EXPECT_EQ(polling.LinePort, 9);
}

TEST(Polling, SimulatorValuesArriveThroughTheRunningTimer) {
    TempProgramFolder folder(false);
    SimProcess sim({"--type", "8", "--pty", "--baud", "115200", "--seed", "7"});
    ASSERT_FALSE(sim.firstLine.isEmpty());
    MapPort(folder, 3, sim.firstLine);
    DeviceType = 8;
    TPolling polling(nullptr, nullptr);
    polling.LineBaud = 115200;
    ASSERT_EQ(polling.OpenSerial(3), TPolling::OpenResult::Opened);
    polling.Start();
    EXPECT_TRUE(
        WaitFor([] { return CurrentValues.Present[mvO2] && CurrentValues.Present[mvTGAS]; }, 4000));
    EXPECT_GT(CurrentValues.Values[mvO2], 0.0);
    EXPECT_LT(NoDataTicks, 20);
}

TEST(Polling, WatchClearsValuesOfAClosedLink) {
    TempProgramFolder folder(false);
    TPolling polling(nullptr, nullptr);
    DeviceType = 3;
    ResetNoDataTicks();
    CurrentValues.Values[mvO2] = 5;
    CurrentValues.Present[mvO2] = true;
    for (int i = 0; i < 99; ++i)
        polling.Timer1Timer();
    EXPECT_TRUE(CurrentValues.Present[mvO2]);
    polling.Timer1Timer();
    EXPECT_FALSE(CurrentValues.Present[mvO2]);
}

TEST(Polling, CleanLineDropsControlBytesOfDongleAndBridgeLines) {
    EXPECT_EQ(CleanLine(QStringLiteral("\n052G9.8;")), QByteArray("052G9.8;"));
    EXPECT_EQ(CleanLine(QStringLiteral("051G4,5\x01;")), QByteArray("051G4,5;"));
    EXPECT_EQ(CleanLine(QStringLiteral("Grad °C")), QByteArray("Grad \xB0"
                                                               "C"));
}

// The bridge dialogue: the bridge simulator is started by the client under the name
// "Btle_server" from the program folder, with its options in KURIM_SIM_BRIDGE.
struct BridgeFixture : ::testing::Test {
    TempProgramFolder folder{false};
    DialogRecorder dialogs;
    TBridgeClient bridge;
    TPolling polling{nullptr, &bridge};
    quint16 port = 0;

    void Start(const QString& options) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
        probe.close();
        QFile::link(BinDir() + "Btle_server", folder.file("Btle_server"));
        qputenv("KURIM_SIM_BRIDGE", QString("--port %1 %2").arg(port).arg(options).toLocal8Bit());
        polling.BridgePort = port;
        polling.BridgeOn();
        polling.Start();
    }
    void TearDown() override {
        polling.Timer1->stop();
        polling.BridgeOff();
        qunsetenv("KURIM_SIM_BRIDGE");
    }
};

TEST_F(BridgeFixture, OneDeviceGoesStraightToDataAsWren) {
    QStringList shown;
    polling.OnBridgeDevices = [&](const QStringList& names, int chosen) {
        if (chosen >= 0) shown << names[chosen];
    };
    DeviceType = 3;
    Start("--devices 1");
    ASSERT_TRUE(
        WaitFor([&] { return polling.TcpState == 8 && CurrentValues.Present[mvO2]; }, 10000))
        << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(shown.size(), 1);
    EXPECT_EQ(DeviceType, 9);
    EXPECT_TRUE(polling.LinkConnected());
}

TEST_F(BridgeFixture, SeveralDevicesWaitForTheUsersChoice) {
    QStringList listed;
    polling.OnBridgeDevices = [&](const QStringList& names, int chosen) {
        listed = names;
        EXPECT_EQ(chosen, -1);
    };
    Start("--devices 3");
    ASSERT_TRUE(WaitFor([&] { return polling.TcpState == 4; }, 10000))
        << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(listed.size(), 3);
    EXPECT_EQ(dialogs.texts(), QStringList{"Bitte Gerät auswählen."});
    ASSERT_TRUE(polling.ChooseBridgeDevice(listed[1]));
    EXPECT_FALSE(polling.ChooseBridgeDevice(listed[0])); // only while the dialogue waits for it
    EXPECT_TRUE(
        WaitFor([&] { return polling.TcpState == 8 && CurrentValues.Present[mvO2]; }, 10000));
}

TEST_F(BridgeFixture, BridgeThatNeverListensEndsBridgeModeWithTheMessage) {
    bool ended = false;
    polling.OnBridgeEnded = [&] { ended = true; };
    Start("--slow-start 600000");
    ASSERT_TRUE(WaitFor([&] { return !polling.TcpActive; }, 15000));
    EXPECT_TRUE(ended);
    EXPECT_EQ(dialogs.texts(), QStringList{"Kann kein Gerät über den Bluetooth Server verbinden"});
    EXPECT_FALSE(bridge.Connected);
}

TEST_F(BridgeFixture, BridgeThatStopsAnsweringEndsBridgeMode) {
    Start("--devices 1 --silent-after 8");
    ASSERT_TRUE(WaitFor([&] { return !polling.TcpActive; }, 20000));
    EXPECT_EQ(dialogs.texts(), QStringList{"Kann kein Gerät über den Bluetooth Server verbinden"});
}

// "TCP Off" clicked while a bridge command waits for its reply: the answer that command then
// gets (the connection it was using is gone) belongs to a dialogue that is over and must not be
// reported as the bridge failure.
TEST_F(BridgeFixture, SwitchedOffDuringACommandShowsNoFailure) {
    QTcpServer silent; // accepts and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    ASSERT_TRUE(bridge.BridgeConnect("127.0.0.1", silent.serverPort()));
    bool ended = false;
    polling.OnBridgeEnded = [&] { ended = true; };
    for (const uint8_t state : {6, 7, 8}) {
        SCOPED_TRACE(int(state));
        if (!bridge.Connected) {
            ASSERT_TRUE(bridge.BridgeConnect("127.0.0.1", silent.serverPort()));
        }
        polling.BridgeOn();
        polling.TcpState = state;
        QTimer::singleShot(200, &bridge, [&] { polling.BridgeOff(); });
        polling.Timer1Timer();
        EXPECT_FALSE(polling.TcpActive);
        EXPECT_FALSE(ended);
        EXPECT_TRUE(dialogs.requests.empty()) << dialogs.texts().join('|').toStdString();
    }
}

TEST_F(BridgeFixture, ACommandOfTheTestPanelWaitingIsNoBridgeFailure) {
    QTcpServer silent; // accepts and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    ASSERT_TRUE(bridge.BridgeConnect("127.0.0.1", silent.serverPort()));
    bool ended = false;
    polling.OnBridgeEnded = [&] { ended = true; };
    polling.BridgeOn();
    polling.TcpState = 8;
    // The panel's "Scan" waits for its reply while the polling timer fires.
    QTimer::singleShot(100, &bridge, [&] { polling.Timer1Timer(); });
    bridge.BridgeScan();
    EXPECT_TRUE(polling.TcpActive);
    EXPECT_EQ(polling.TcpState, 8);
    EXPECT_FALSE(ended);
    EXPECT_TRUE(dialogs.requests.empty()) << dialogs.texts().join('|').toStdString();
}

} // namespace
