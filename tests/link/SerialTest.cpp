#include "support/DeviceTestSupport.h"
#include "link/PortMap.h"
#include "link/Serial.h"
#include <QFile>
#include <gtest/gtest.h>

namespace {

struct SerialFixture : ::testing::Test {
    TempProgramFolder folder{false};
    PtyPair pty;
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        WritePortMap(folder, {{5, pty.slave}});
    }
    static void OpenConfigured(TSerial& s, int port) {
        s.Port = uint32_t(port);
        s.Open();
        ASSERT_FALSE(s.Failed);
        ASSERT_FALSE(s.IsOpen); // Open alone does not make the port usable
        s.Configure();
        ASSERT_FALSE(s.Failed);
        ASSERT_TRUE(s.IsOpen);
    }
};

TEST(PortMap, DefaultRangesAndEntriesOfKurimIni) {
    TempProgramFolder folder(false);
    WritePortMap(folder, {{3, "/tmp/some-link"}, {20, "/dev/ttyACM7"}});
    const QList<std::pair<int, QString>> cases = {{1, "/dev/ttyS0"},
                                                  {16, "/dev/ttyS15"},
                                                  {17, "/dev/ttyUSB0"},
                                                  {48, "/dev/ttyUSB31"},
                                                  {49, "/dev/ttyACM0"},
                                                  {80, "/dev/ttyACM31"},
                                                  {81, ""},
                                                  {99, ""},
                                                  {0, ""},
                                                  {100, ""},
                                                  {3, "/tmp/some-link"},
                                                  {20, "/dev/ttyACM7"}};
    for (const auto& [n, path] : cases)
        EXPECT_EQ(ComPortPath(n), path) << "COM" << n;
    EXPECT_EQ(ComPortOfDevice("/dev/ttyUSB2"), 19);
    EXPECT_EQ(ComPortOfDevice("/dev/ttyACM7"), 20); // the entry comes before COM56
    EXPECT_EQ(ComPortOfDevice("/dev/pts/77"), 0);
}

TEST_F(SerialFixture, DefaultsAfterConstruction) {
    TSerial s;
    EXPECT_FALSE(s.IsOpen);
    EXPECT_FALSE(s.Failed);
    EXPECT_EQ(s.Handle, -1);
    EXPECT_EQ(s.Port, 1u);
    EXPECT_EQ(s.BaudRate, 9600u);
    EXPECT_EQ(s.ByteSize, 8);
    EXPECT_EQ(s.InQueueSize, 2048u);
    EXPECT_TRUE(s.NoErrorChar);
}

TEST_F(SerialFixture, ConfigureFillsControlBlockAndModemLinesOnPtyAreNoFailure) {
    TSerial s;
    s.BaudRate = 115200;
    OpenConfigured(s, 5);
    EXPECT_EQ(s.FlowBase, 2048u);
    EXPECT_EQ(s.Dcb.DCBlength, 28u);
    EXPECT_EQ(s.Dcb.BaudRate, 115200u);
    EXPECT_EQ(s.Dcb.XonLim, 512);
    EXPECT_EQ(s.Dcb.XoffLim, 1536);
    EXPECT_EQ(s.Dcb.Flags, uint32_t(DcbBinary)); // DTR and RTS start disabled
    EXPECT_EQ(s.Dcb.ErrorChar, '?');
    s.SetDTR(true);
    s.SetRTS(true);
    EXPECT_FALSE(s.Failed); // a pseudo-terminal has no modem lines
    EXPECT_EQ(s.Dcb.Flags, uint32_t(DcbBinary | DcbDtrEnable | DcbRtsEnable));
}

TEST_F(SerialFixture, BytesBothWaysAndReadsNeverBlock) {
    TSerial s;
    OpenConfigured(s, 5);
    EXPECT_EQ(s.ReadByte(), 0); // nothing queued
    EXPECT_EQ(s.InQueue(), 0);
    s.WriteString("W904\r");
    s.WriteByte(' ');
    EXPECT_EQ(pty.Receive(200), QByteArray("W904\r "));

    pty.Send("052G9.8;\r\n");
    ASSERT_TRUE(WaitFor([&] { return s.InQueue() == 10; }, 2000));
    char buffer[64] = {};
    EXPECT_EQ(s.Read(buffer, 100), 10); // asks for more than is queued: returns what is there
    EXPECT_EQ(QByteArray(buffer, 10), QByteArray("052G9.8;\r\n"));
    pty.Send("A");
    ASSERT_TRUE(WaitFor([&] { return s.DataAvailable(); }, 2000));
    EXPECT_EQ(s.ReadByte(), 'A');
}

TEST_F(SerialFixture, LargeBurstArrivesWholeInPolls) {
    TSerial s;
    OpenConfigured(s, 5);
    QByteArray sent;
    for (int i = 0; i < 20000; ++i)
        sent.append(char('0' + i % 10));
    QByteArray got;
    pty.Send(sent);
    WaitFor([&] {
        char buffer[4096];
        const int n = s.InQueue();
        got.append(buffer, s.Read(buffer, std::min(n, 4096)));
        return got.size() >= sent.size();
    });
    EXPECT_EQ(got, sent);
}

TEST_F(SerialFixture, SecondOpenFailsAndFirstConnectionContinues) {
    TSerial s;
    OpenConfigured(s, 5);
    s.Open();
    EXPECT_TRUE(s.Failed);
    EXPECT_TRUE(s.IsOpen);
    pty.Send("x");
    EXPECT_TRUE(WaitFor([&] { return s.InQueue() == 1; }, 2000));
}

TEST_F(SerialFixture, PortHeldByThisProgramDoesNotExistByAnyPath) {
    // COM6 reaches the same device through a symlink; we run as root, where the lock files of
    // the serial library do not keep a second open away.
    const QString link = folder.file("dongle-link");
    ASSERT_TRUE(QFile::link(pty.slave, link));
    WritePortMap(folder, {{5, pty.slave}, {6, link}});
    TSerial probe;
    probe.Port = 5;
    EXPECT_TRUE(probe.PortExists());
    probe.Port = 6;
    EXPECT_TRUE(probe.PortExists());

    TSerial holder;
    OpenConfigured(holder, 6);
    probe.Port = 5;
    EXPECT_FALSE(probe.PortExists());
    probe.Port = 6;
    EXPECT_FALSE(probe.PortExists());
    TSerial other;
    other.Port = 5;
    other.Open();
    EXPECT_TRUE(other.Failed);
    EXPECT_EQ(other.Handle, -1);

    holder.Close();
    EXPECT_FALSE(holder.IsOpen);
    probe.Port = 5;
    EXPECT_TRUE(probe.PortExists());
}

TEST_F(SerialFixture, MissingDeviceAndClosedPort) {
    TSerial s;
    s.Port = 90; // no device path at all
    s.Open();
    EXPECT_TRUE(s.Failed);
    s.Port = 4;
    WritePortMap(folder, {{4, "/dev/does-not-exist"}});
    EXPECT_FALSE(s.PortExists());
    s.Open();
    EXPECT_TRUE(s.Failed);
    EXPECT_EQ(s.Handle, -1);
    char b[4];
    EXPECT_EQ(s.InQueue(), 0);
    EXPECT_EQ(s.Read(b, 4), 0);
    s.SetRTS(true);
    s.Close(); // nothing open: nothing happens
    EXPECT_FALSE(s.IsOpen);
}

TEST_F(SerialFixture, RejectedSettingsReleaseTheDevice) {
    TSerial s;
    s.Port = 5;
    s.ByteSize = 9; // no port takes nine data bits
    s.Open();
    ASSERT_FALSE(s.Failed);
    s.Configure();
    EXPECT_TRUE(s.Failed);
    EXPECT_FALSE(s.IsOpen);
    s.Close();
    TSerial probe;
    probe.Port = 5;
    EXPECT_TRUE(probe.PortExists());
}

TEST_F(SerialFixture, UnpluggedDeviceClosesThePort) {
    TSerial s;
    OpenConfigured(s, 5);
    pty.CloseMaster(); // the device is gone
    EXPECT_TRUE(WaitFor(
        [&] {
            s.InQueue();
            return !s.IsOpen;
        },
        3000));
    char b[8];
    EXPECT_EQ(s.Read(b, 8), 0);
    EXPECT_EQ(s.InQueue(), 0);
    EXPECT_FALSE(TSerial::DeviceHeld(pty.slave));
}

} // namespace
