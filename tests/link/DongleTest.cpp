#include "FakeCp210x.h"
#include "support/DeviceTestSupport.h"
#include "app/IniFile.h"
#include "link/Dongle.h"
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The dongle simulator on a pseudo-terminal, found through a sysfs tree it builds itself and
// the port map entry COM30 of the temporary program folder.
struct DongleFixture : ::testing::Test {
    TempProgramFolder folder{false};
    QTemporaryDir sysfs;
    std::unique_ptr<SimProcess> sim;
    std::shared_ptr<FakeCp210x> chip = std::make_shared<FakeCp210x>();
    TFormDongle dongle;

    void Start(const QStringList& options) {
        sim = std::make_unique<SimProcess>(QStringList{"--dongle", "--sysfs", sysfs.path()} +
                                           options);
        ASSERT_TRUE(sim->started());
        ASSERT_TRUE(sim->firstLine.startsWith("/dev/pts/"));
        WritePortMap(folder, {{30, sim->firstLine}});
        qputenv("KURIM_SYSFS", sysfs.path().toLocal8Bit());
        SetCp210x(chip);
    }
    void TearDown() override {
        SetCp210x(nullptr);
        qunsetenv("KURIM_SYSFS");
    }
};

TEST_F(DongleFixture, FullDialogueScanConnectReadClose) {
    Start({"--devices", "2", "--interval", "50"});
    ASSERT_TRUE(dongle.OpenDongle());
    EXPECT_EQ(dongle.DonglePort, 30);
    EXPECT_EQ(dongle.PortManager->GetState(), 1);
    EXPECT_TRUE(dongle.PulseLatch());
    EXPECT_EQ(chip->writes.size(), 2u);
    EXPECT_TRUE(dongle.RebootModule());

    QStringList names, addresses;
    ASSERT_EQ(dongle.ScanDevices(names, addresses), 2);
    EXPECT_EQ(names, QStringList({"1A2345", "9B0001"}));
    ASSERT_EQ(addresses.size(), 2);
    EXPECT_EQ(addresses[0].size(), 12);
    EXPECT_EQ(TFormDongle::DisplayName(names[0]), "KR1A-2345");

    EXPECT_FALSE(dongle.ConnectDevice("FFFFFFFFFFFF")); // an unknown address: no "I" follows
    EXPECT_EQ(dongle.LastReply, "ERR");
    EXPECT_FALSE(dongle.Connected);
    ASSERT_TRUE(dongle.ConnectDevice(addresses[1]));
    EXPECT_EQ(dongle.LastReply, "MLDP");
    EXPECT_TRUE(dongle.Connected);

    // Lines end in CR LF: every line after the first starts with the LF of the one before.
    QStringList lines;
    for (int i = 0; i < 4; ++i)
        lines << dongle.ReadLine();
    EXPECT_FALSE(lines[0].startsWith('\n'));
    for (int i = 1; i < 4; ++i) {
        EXPECT_TRUE(lines[i].startsWith('\n')) << lines[i].toStdString();
        EXPECT_GE(lines[i].size(), 6);
        EXPECT_EQ(lines[i].at(4), 'G');
    }

    chip->writes.clear();
    dongle.CloseDongle(); // latch pulse, reboot, port closed
    EXPECT_EQ(chip->writes.size(), 2u);
    EXPECT_EQ(dongle.PortManager->GetState(), 0);
    EXPECT_FALSE(dongle.PortManager->Serial.IsOpen);
    EXPECT_FALSE(dongle.Connected);
    EXPECT_EQ(dongle.ReadLine(), QString());

    ASSERT_TRUE(dongle.OpenDongle()); // and again, with a fresh port manager
    EXPECT_TRUE(dongle.RebootModule());
}

// More devices than report within the 500 ms of a scan: "X" ends the scan, so no late scan line
// is taken for the reply to the connect command that follows.
TEST_F(DongleFixture, ScanEndedEarlyLeavesNoLateLinesForTheConnect) {
    Start({"--devices", "12"});
    ASSERT_TRUE(dongle.OpenDongle());
    ASSERT_TRUE(dongle.RebootModule());
    QStringList names, addresses;
    const int n = dongle.ScanDevices(names, addresses);
    ASSERT_GE(n, 1);
    EXPECT_LT(n, 12);
    EXPECT_TRUE(dongle.ConnectDevice(addresses[0])) << dongle.LastReply.toStdString();
    EXPECT_TRUE(dongle.Connected);
}

TEST_F(DongleFixture, SilentModuleEndsWithinTheLimits) {
    Start({"--silent"});
    ASSERT_TRUE(dongle.OpenDongle());
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(dongle.RebootModule());
    const qint64 reboot = t.elapsed();
    EXPECT_EQ(dongle.PortManager->GetState(), 4);
    EXPECT_FALSE(dongle.RebootModule()); // state 4: nothing is sent any more
    t.restart();
    QStringList names, addresses;
    EXPECT_EQ(dongle.ScanDevices(names, addresses), 0);
    const qint64 scan = t.elapsed();
    t.restart();
    EXPECT_FALSE(dongle.ConnectDevice("001EC01A2345"));
    const qint64 connect = t.elapsed();
    EXPECT_FALSE(dongle.Connected);
    RecordProperty("silent_reboot_ms", int(reboot));
    RecordProperty("silent_scan_ms", int(scan));
    RecordProperty("silent_connect_ms", int(connect));
    std::printf("silent dongle: reboot wait %lld ms, scan %lld ms, connect %lld ms\n",
                (long long)reboot, (long long)scan, (long long)connect);

    dongle.CloseDongle(); // state 4: does nothing, but the next open still gets the port
    ASSERT_TRUE(dongle.OpenDongle());
}

TEST_F(DongleFixture, WrongRepliesGiveNoDevicesAndNoConnection) {
    Start({"--wrong-reply"});
    ASSERT_TRUE(dongle.OpenDongle());
    QStringList names, addresses;
    EXPECT_EQ(dongle.ScanDevices(names, addresses), 0);
    EXPECT_TRUE(names.isEmpty());
    EXPECT_FALSE(dongle.ConnectDevice("001EC01A2345"));
    EXPECT_EQ(dongle.LastReply, "ERR");
    EXPECT_FALSE(dongle.Connected);
}

TEST_F(DongleFixture, AbortDuringRebootWaitEndsTheScan) {
    Start({"--silent"});
    ASSERT_TRUE(dongle.OpenDongle());
    QTimer::singleShot(400, [&] { dongle.SetAbort(true); });
    QElapsedTimer t;
    t.start();
    QStringList names, addresses;
    EXPECT_EQ(dongle.ScanDevices(names, addresses), 0);
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_TRUE(dongle.Aborted());
}

TEST(Dongle, NotPluggedIn) {
    TempProgramFolder folder(false);
    QTemporaryDir emptySysfs;
    qputenv("KURIM_SYSFS", emptySysfs.path().toLocal8Bit());
    DialogRecorder dialogs;
    TFormDongle dongle;
    EXPECT_FALSE(dongle.OpenDongle());
    EXPECT_EQ(dongle.DonglePort, 0);
    EXPECT_EQ(dongle.PortManager->GetState(), 8);
    EXPECT_TRUE(dialogs.requests.empty()); // the dongle's port manager is silent
    dongle.CloseDongle();
    EXPECT_EQ(dongle.ReadLine(), QString());
    qunsetenv("KURIM_SYSFS");
}

TEST(Dongle, ScanTextParsing) {
    struct Case {
        QString text;
        QStringList names, addresses;
    };
    const QList<Case> cases = {
        {"AOK\r\nAAAA11112222,0,1A2345,-50,00\r\nBBBB33334444,0,9B0001,-61,00\r\nE,",
         {"1A2345", "9B0001"},
         {"AAAA11112222", "BBBB33334444"}},
        {"E,", {}, {}}, // nothing but the marker: shorter than 4 characters
        {"AOK\r\nE,", {}, {}},
        // An empty field vanishes in the split and shifts the fields after it.
        {"AOK\r\nAAAA11112222,,1A2345,-50,00\r\nBBBB33334444,0,9B0001,-61,00\r\nE,",
         {"-50"},
         {"AAAA11112222"}},
        {"AOK\r\nAAAA11112222,0\r\nE,", {"E"}, {"AAAA11112222"}}, // a truncated line
        {QString(5000, ','), {}, {}},
    };
    for (const auto& c : cases) {
        QStringList names, addresses;
        EXPECT_EQ(TFormDongle::ParseScan(c.text, names, addresses), c.names.size())
            << c.text.left(40).toStdString();
        EXPECT_EQ(names, c.names);
        EXPECT_EQ(addresses, c.addresses);
    }
}

} // namespace
