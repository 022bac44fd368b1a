#include "FakeCp210x.h"
#include "support/DeviceTestSupport.h"
#include "link/Rs232Lib.h"
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct PortManagerFixture : ::testing::Test {
    TempProgramFolder folder{false};
    PtyPair pty;
    TFormRs232Lib pm;
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        WritePortMap(folder, {{9, pty.slave}});
        ASSERT_TRUE(pm.OpenPort(9, 115200, "BLE"));
        ASSERT_EQ(pm.GetState(), 1);
    }
    // A device that answers `reply` shortly after it received a line.
    void AnswerLater(const QByteArray& reply, int ms = 50) {
        QTimer::singleShot(ms, [this, reply] { pty.Send(reply); });
    }
};

TEST_F(PortManagerFixture, CommandAndReplyLeavesLineFeedForTheNextFlush) {
    pm.SendCommand("SF,2");
    EXPECT_EQ(pm.GetState(), 2);
    EXPECT_EQ(pty.Receive(100), QByteArray("SF,2\r"));
    AnswerLater("AOK\r\nnext");
    EXPECT_EQ(pm.ReadResponse(), "AOK");
    EXPECT_EQ(pm.GetState(), 3);
    EXPECT_EQ(pm.LastByte, 0x0D);
    EXPECT_EQ(pm.ReadAvailable(), "\nnext"); // what followed the CR stays queued

    pty.Send("\nstale\r\n");
    ASSERT_TRUE(WaitFor([&] { return pm.Serial.InQueue() == 8; }, 2000));
    pm.SetState(1);
    pm.SendCommand("V"); // flushes the stale bytes first
    EXPECT_EQ(pm.Serial.InQueue(), 0);
    EXPECT_EQ(pty.Receive(100), QByteArray("V\r"));
}

TEST_F(PortManagerFixture, CommandsOnlyInStatesZeroAndOne) {
    for (uint8_t state : {2, 3, 4, 8}) {
        pm.SetState(state);
        pm.SendCommand("X");
        EXPECT_EQ(pm.GetState(), state);
        EXPECT_EQ(pty.Receive(50), QByteArray()) << int(state);
    }
    pm.SetState(3);
    EXPECT_EQ(pm.ReadResponse(), QString()); // a reply is read only in state 2
}

TEST_F(PortManagerFixture, SilentDeviceEndsWaitWithStateFourAndPartialReply) {
    pm.SendCommand("R,1");
    pty.Send("AO");
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(pm.ReadResponse(), "AO");
    const qint64 waited = t.elapsed();
    EXPECT_EQ(pm.GetState(), 4);
    RecordProperty("silent_reply_wait_ms", int(waited));
}

TEST_F(PortManagerFixture, AbortEndsWaitsAndRefusesCommands) {
    pm.SendCommand("E,0,001EC0000000");
    QTimer::singleShot(150, [&] { pm.Abort = true; });
    pm.ReadResponse();
    EXPECT_NE(pm.GetState(), 3);
    pm.ClearAbort();
    QTimer::singleShot(150, [&] { pm.Abort = true; });
    pm.Delay(50);
    EXPECT_EQ(pm.DelayTicks, 0);
    pty.Receive(50);
    pm.SetState(1);
    pm.SendCommand("F");
    EXPECT_EQ(pm.GetState(), 1);
    EXPECT_EQ(pty.Receive(100), QByteArray());
    pm.ClearAbort();
    pm.SendCommand("F");
    EXPECT_EQ(pm.GetState(), 2);
}

TEST_F(PortManagerFixture, GarbageAndEndlessLinesStayBounded) {
    pm.SendCommand("I");
    QByteArray junk(100 * 1024, '\x01');
    junk[5] = '\0';
    junk[6] = char(0xFF);
    pty.Feed(junk + "\rMLDP\r");
    // Read line by line, as the dongle's data mode does, until the real reply comes through.
    QStringList replies;
    for (int i = 0; i < 5 && !replies.contains("MLDP"); ++i) {
        pm.SetState(2);
        pm.Response.clear();
        replies << pm.ReadResponse();
        EXPECT_LE(replies.last().size(), TFormRs232Lib::MaxResponseLength);
    }
    EXPECT_TRUE(replies.contains("MLDP"));
    EXPECT_EQ(pm.GetState(), 3);
}

TEST_F(PortManagerFixture, LatchPulseOnlyOnCp2103) {
    auto fake = std::make_shared<FakeCp210x>();
    SetCp210x(fake);
    EXPECT_TRUE(pm.PulseLatch());
    ASSERT_EQ(fake->writes.size(), 2u);
    EXPECT_EQ(fake->writes[0].mask, 2);
    EXPECT_EQ(fake->writes[0].latch, 2);
    EXPECT_EQ(fake->writes[1].latch, 0);
    EXPECT_EQ(fake->writes[0].device, pty.slave);
    fake->writes.clear();
    fake->part = 2; // CP2102
    EXPECT_FALSE(pm.PulseLatch());
    fake->part = 3;
    fake->answers = false;
    EXPECT_FALSE(pm.PulseLatch());
    EXPECT_TRUE(fake->writes.empty());
    SetCp210x(nullptr);
    EXPECT_FALSE(pm.PulseLatch()); // the real chip access: a pseudo-terminal has no USB device
}

TEST(PortManager, OpenFailuresAndTheirMessages) {
    TempProgramFolder folder(false);
    PtyPair pty;
    WritePortMap(folder, {{9, pty.slave}, {10, "/dev/no-such-tty"}});
    DialogRecorder dialogs;
    TFormRs232Lib pm;
    EXPECT_FALSE(pm.OpenPort(0, 115200, "BLE"));
    EXPECT_EQ(pm.GetState(), 8);
    EXPECT_FALSE(pm.Serial.IsOpen);
    EXPECT_FALSE(pm.OpenPort(10, 115200, "BLE"));
    EXPECT_EQ(dialogs.texts(), QStringList({"Gerät nicht gefunden! Interface:BLE  Com:0",
                                            "Gerät nicht gefunden! Interface:BLE  Com:10"}));
    TFormRs232Lib holder;
    ASSERT_TRUE(holder.OpenPort(9, 115200, "A"));
    pm.Silent = true;
    EXPECT_FALSE(pm.OpenPort(9, 115200, "B")); // held by the other manager
    EXPECT_EQ(dialogs.requests.size(), 2u);
    pm.SendCommand("V"); // tries to open again, fails: state 4
    EXPECT_EQ(pm.GetState(), 8);
    pm.SetState(1);
    pm.SendCommand("V");
    EXPECT_EQ(pm.GetState(), 4);
}

// The dongle not found (port 0): a later command must not open COM1 in its place.
TEST(PortManager, CommandAfterPortNotFoundReachesNoOtherDevice) {
    TempProgramFolder folder(false);
    PtyPair com1;
    WritePortMap(folder, {{1, com1.slave}});
    TFormRs232Lib pm;
    pm.Silent = true;
    EXPECT_FALSE(pm.OpenPort(0, 115200, "BLE"));
    pm.SetState(1);
    pm.SendCommand("R,1");
    EXPECT_EQ(pm.GetState(), 4);
    EXPECT_FALSE(pm.Serial.IsOpen);
    EXPECT_EQ(com1.Receive(100), QByteArray());
}

} // namespace
