// The acquisition window offscreen: start-up from the settings, the manual port choice against the
// simulator on a pseudo-terminal, saving, the BLE dongle simulator, the bridge simulator, and a
// settings file full of nonsense.
#include "../PollingTestSupport.h"
#include "acquisition/Polling.h"
#include "acquisition/ui/Eingang.h"
#include "app/Global.h"
#include "app/Values.h"
#include "link/Dongle.h"
#include "link/TcpBtle.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Chooses an entry as the user does: the box changes, then its change handler runs.
void Choose(QComboBox* box, const QString& text) {
    const int i = box->findText(text);
    ASSERT_GE(i, 0) << text.toStdString();
    box->setCurrentIndex(i);
    emit box->activated(i);
}

struct EingangFixture : ::testing::Test {
    TempProgramFolder folder{false};
    DialogRecorder dialogs;
};

TEST_F(EingangFixture, SavedPortOpensAtStartAndSimulatorValuesArrive) {
    SimProcess sim({"--type", "3", "--pty", "--seed", "3"});
    ASSERT_FALSE(sim.firstLine.isEmpty());
    MapPort(folder, 7, sim.firstLine);
    WriteSetting(folder, "COMPORT", "7");
    WriteSetting(folder, "GERAET", "3");
    TFormEingang w;
    EXPECT_EQ(w.EditComport->currentText(), "Com7");
    EXPECT_EQ(w.LabelStatus->text(), "RS232 OK");
    EXPECT_EQ(w.EditBaudrate->currentText(), "9600 Baud");
    EXPECT_EQ(w.EditComport->itemText(w.EditComport->count() - 1), "non");
    w.show();
    EXPECT_EQ(w.EditGeraet->currentText(), "QAN Pilo ");
    EXPECT_EQ(w.LabelInfoAuswahl->text(), "Auswahl gespeichert");
    ASSERT_TRUE(
        WaitFor([] { return CurrentValues.Present[mvO2] && CurrentValues.Present[mvCO]; }, 4000));
    EXPECT_GT(w.Memo1->blockCount(), 1);
    EXPECT_TRUE(w.LinkConnected());

    // Closing only hides the window: the loop goes on.
    w.BtExit->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.Polling->Timer1->isActive());
    EXPECT_TRUE(dialogs.requests.empty());

    // "non" closes the link.
    Choose(w.EditComport, "non");
    EXPECT_FALSE(w.Polling->Link.IsOpen);
    EXPECT_EQ(w.LabelStatus->text(), "Init-Error");
    EXPECT_TRUE(w.BTSave->isEnabled());
}

TEST_F(EingangFixture, StopTickedDropsLinesAndIsUntickedOnClose) {
    AnalyserPty pty;
    MapPort(folder, 4, pty.slave);
    WriteSetting(folder, "COMPORT", "4");
    TFormEingang w;
    w.show();
    const int before = w.Memo1->blockCount();
    w.cbStop->setChecked(true);
    pty.Send("052G9.8;\r");
    WaitFor([] { return false; }, 300);
    EXPECT_EQ(w.Memo1->blockCount(), before);
    EXPECT_FALSE(CurrentValues.Present[mvCO2]);
    w.close();
    EXPECT_FALSE(w.cbStop->isChecked());
    pty.Send("052G9.8;\r");
    EXPECT_TRUE(WaitFor([] { return CurrentValues.Present[mvCO2]; }, 2000));
}

TEST_F(EingangFixture, ChangesAreSavedOnlyAfterYesWhenClosing) {
    AnalyserPty a, b;
    MapPort(folder, 2, a.slave);
    MapPort(folder, 3, b.slave);
    WriteSetting(folder, "COMPORT", "2");
    TFormEingang w;
    w.show();
    Choose(w.EditComport, "Com3");
    Choose(w.EditGeraet, "QAN Heron");
    EXPECT_EQ(DeviceType, 8);
    dialogs.answers.push_back({false, {}});
    w.close();
    EXPECT_EQ(dialogs.texts(), QStringList{"Neue Einstellungen speichern ?"});
    EXPECT_TRUE(w.Polling->Link.IsOpen); // the running link stays as chosen
    EXPECT_EQ(IniFile(SettingsFilePath()).ReadInteger("Eingang", "Comport", -1), 2);

    w.show();
    Choose(w.EditBaudrate, "115200 Baud");
    EXPECT_EQ(w.Polling->LineBaud, 115200);
    w.BTSave->click();
    EXPECT_FALSE(w.BTSave->isEnabled());
    const IniFile ini(SettingsFilePath());
    EXPECT_EQ(ini.ReadInteger("Eingang", "Comport", -1), 3);
    EXPECT_EQ(ini.ReadInteger("Eingang", "Geraet", -1), 8);
    EXPECT_EQ(ini.ReadInteger("Eingang", "Baudrate", -1), 115200);
    EXPECT_EQ(ini.ReadInteger("Eingang", "TCP_ACTIVE", -1), 0);
}

TEST_F(EingangFixture, MissingPortShowsTheThreeLineError) {
    MapPort(folder, 12, folder.file("gone"));
    WriteSetting(folder, "COMPORT", "12");
    TFormEingang w;
    // Com12 does not exist, so the list does not offer it and nothing is opened at start.
    EXPECT_EQ(w.EditComport->currentText(), "");
    EXPECT_TRUE(dialogs.requests.empty());
    w.EditComport->addItem("Com12");
    Choose(w.EditComport, "Com12");
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].kind, DialogKind::ErrorBox);
    EXPECT_EQ(dialogs.requests[0].text, "Fehler beim Öffnen der Schnittstelle  COM12\n"
                                        "Ändern Sie bitte die Schnittstelle im Menu\n"
                                        "Sonderfunktionen Serielle Schnittstelle");
    EXPECT_EQ(w.LabelStatus->text(), "Init-Error");
}

TEST_F(EingangFixture, NonsenseSettingsGiveSaneChoices) {
    WriteSetting(folder, "COMPORT", "abc");
    WriteSetting(folder, "GERAET", "99");
    WriteSetting(folder, "Baudrate", "-1");
    WriteSetting(folder, "WREN_MAC", QString(10240, 'F'));
    WriteSetting(folder, "WREN_NAME", QString(10240, 'N'));
    TFormEingang w;
    w.show();
    EXPECT_EQ(DeviceType, 3);
    EXPECT_EQ(w.EditGeraet->currentText(), "QAN Pilo ");
    EXPECT_EQ(w.EditBaudrate->currentText(), "1200 Baud");
    EXPECT_EQ(w.Polling->LineBaud, 1200);
    EXPECT_TRUE(w.Polling->WrenMac.isEmpty());
    EXPECT_FALSE(w.Polling->BleMode);
    EXPECT_EQ(w.PortText(), "");
    EXPECT_TRUE(dialogs.requests.empty());
}

TEST_F(EingangFixture, LogKeepsAtMost501Lines) {
    TFormEingang w;
    for (int i = 0; i < 700; ++i)
        w.LogTelegram(QString::number(i));
    EXPECT_EQ(w.Memo1->blockCount(), 501);
    EXPECT_TRUE(w.Memo1->toPlainText().endsWith("\n699"));
    EXPECT_TRUE(w.Memo1->toPlainText().startsWith("199\n"));
}

TEST_F(EingangFixture, PortOfText) {
    const std::pair<const char*, int> cases[] = {
        {"Com7", 7}, {"Com12", 12}, {"Com99", 99}, {"non", -1}, {"Tcp", -1}, {"", -1}, {"Comx", -1},
    };
    for (const auto& [text, port] : cases)
        EXPECT_EQ(TFormEingang::PortOfText(text), port) << text;
}

// The BLE dongle simulator on a pseudo-terminal, found by its USB identity in a fake sysfs tree.
struct DongleFixture : EingangFixture {
    std::unique_ptr<SimProcess> dongle;
    void SetUp() override {
        const QString sys = folder.file("sys");
        dongle = std::make_unique<SimProcess>(QStringList{"--dongle", "--devices", "2", "--sysfs",
                                                          sys, "--link", folder.file("dongle")});
        ASSERT_FALSE(dongle->firstLine.isEmpty());
        MapPort(folder, 30, folder.file("dongle"));
        qputenv("KURIM_SYSFS", sys.toLocal8Bit());
    }
    void TearDown() override { qunsetenv("KURIM_SYSFS"); }
};

TEST_F(DongleFixture, ScanChooseAndValuesFlowAsWren) {
    TFormEingang w;
    w.show();
    w.btnWrenBluetooth->click();
    ASSERT_EQ(w.cmbListWren->count(), 2) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(w.cmbListWren->itemText(0), "KR1A-2345");
    EXPECT_EQ(dialogs.texts().last(), "2 Wren Gerät(e) gefunden.");
    EXPECT_TRUE(w.Memo1->toPlainText().contains("Suche Bluetooth Geräte"));

    Choose(w.cmbListWren, "KR9B-0001");
    EXPECT_EQ(dialogs.texts().last(), "KR9B-0001 verbunden.");
    EXPECT_TRUE(w.Polling->BleMode);
    EXPECT_EQ(DeviceType, 9);
    EXPECT_EQ(w.EditGeraet->currentText(), "Wren");
    EXPECT_EQ(w.EditBaudrate->currentText(), "115200 Baud");
    EXPECT_EQ(w.EditComport->currentText(), "Com30");
    EXPECT_TRUE(WaitFor([] { return CurrentValues.Present[mvO2]; }, 5000));
    EXPECT_TRUE(w.LinkConnected());
    const IniFile ini(SettingsFilePath());
    EXPECT_EQ(ini.ReadString("Eingang", "WREN_NAME"), "KR9B-0001");
    EXPECT_FALSE(ini.ReadString("Eingang", "WREN_MAC").isEmpty());
    EXPECT_EQ(ini.ReadInteger("Eingang", "Geraet", 0), 9);

    // The exit button, pressed while a tick waits for the Wren's next line, ends only that wait:
    // the lines keep coming afterwards.
    QTimer::singleShot(150, &w, [&w] { w.BtExit->click(); });
    WaitFor([] { return false; }, 400);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.Polling->Dongle()->Aborted());
    ClearValues();
    EXPECT_TRUE(WaitFor([] { return CurrentValues.Present[mvO2]; }, 5000));

    w.EndBleMode();
    EXPECT_FALSE(w.Polling->BleMode);
    EXPECT_FALSE(w.LinkConnected());
}

TEST_F(DongleFixture, SavedWrenIsConnectedAtStartWithoutScan) {
    {
        TFormEingang first;
        first.btnWrenBluetooth->click();
        Choose(first.cmbListWren, "KR1A-2345");
        ASSERT_TRUE(first.Polling->BleMode);
        first.EndBleMode();
    }
    dialogs.requests.clear();
    TFormEingang w;
    EXPECT_TRUE(w.Polling->BleMode);
    EXPECT_EQ(w.cmbListWren->currentText(), "KR1A-2345");
    EXPECT_EQ(DeviceType, 9);
    EXPECT_TRUE(dialogs.requests.empty());
    EXPECT_TRUE(WaitFor([] { return CurrentValues.Present[mvO2]; }, 5000));
    w.EndBleMode();
}

TEST_F(EingangFixture, ScanWithoutDongleShowsTheError) {
    qputenv("KURIM_SYSFS", folder.file("empty-sys").toLocal8Bit());
    TFormEingang w;
    w.btnWrenBluetooth->click();
    qunsetenv("KURIM_SYSFS");
    EXPECT_EQ(dialogs.texts(), QStringList{"Fehler beim Öffnen der Schnittstelle 2 COM0"});
    EXPECT_FALSE(w.Polling->BleMode);
}

// A mode button that closes the serial link must not leave "RS232 OK" standing.
TEST_F(EingangFixture, ModeButtonsThatCloseTheLinkUpdateTheStatus) {
    qputenv("KURIM_SYSFS", folder.file("empty-sys").toLocal8Bit());
    const struct {
        const char* button;
        QString dialog;
    } cases[] = {
        {"btnTcpOn", {}},
        {"btnWrenBluetooth", "Fehler beim Öffnen der Schnittstelle 2 COM0"},
        {"ElPBtKestrel", "Kestrel USB nicht gefunden"},
        {"btnWrenDownload", "Wren nicht gefunden"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        AnalyserPty pty;
        MapPort(folder, 4, pty.slave);
        WriteSetting(folder, "COMPORT", "4");
        WriteSetting(folder, "TCP_ACTIVE", "0");
        dialogs.requests.clear();
        TFormEingang w;
        ASSERT_EQ(w.LabelStatus->text(), "RS232 OK");
        w.findChild<QPushButton*>(c.button)->click();
        EXPECT_FALSE(w.Polling->Link.IsOpen);
        EXPECT_EQ(w.LabelStatus->text(), "RS232 closed");
        if (!c.dialog.isEmpty()) {
            EXPECT_EQ(dialogs.texts(), QStringList{c.dialog});
        }
        if (w.Polling->TcpActive) w.btnTcpOff->click();
    }
    qunsetenv("KURIM_SYSFS");
}

// The bridge simulator, started by the window as "Btle_server" from the program folder.
struct BridgeWindowFixture : EingangFixture {
    void Prepare(const QString& options) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        const quint16 port = probe.serverPort();
        probe.close();
        QFile::link(BinDir() + "Btle_server", folder.file("Btle_server"));
        WriteSetting(folder, "PORT", QString::number(port));
        qputenv("KURIM_SIM_BRIDGE", QString("--port %1 %2").arg(port).arg(options).toLocal8Bit());
    }
    void TearDown() override { qunsetenv("KURIM_SIM_BRIDGE"); }
};

TEST_F(BridgeWindowFixture, OneDeviceShowsItAndValuesFlow) {
    Prepare("--devices 1");
    TFormEingang w;
    w.show();
    w.btnTcpOn->click();
    EXPECT_EQ(w.EditComport->currentText(), "Tcp");
    EXPECT_FALSE(w.EditComport->isEnabled());
    EXPECT_EQ(IniFile(SettingsFilePath()).ReadInteger("Eingang", "TCP_ACTIVE", 0), 1);
    ASSERT_TRUE(WaitFor([] { return CurrentValues.Present[mvO2]; }, 10000))
        << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(w.cmbListWren->count(), 1);
    EXPECT_FALSE(w.cmbListWren->currentText().isEmpty());
    EXPECT_EQ(DeviceType, 9);
    EXPECT_TRUE(w.LinkConnected());
    w.btnTcpOff->click();
    EXPECT_EQ(w.EditComport->currentText(), "non");
    EXPECT_TRUE(w.EditComport->isEnabled());
    EXPECT_FALSE(w.Polling->TcpActive);
    // "TCP Off" does not save: the next start switches bridge mode on again.
    EXPECT_EQ(IniFile(SettingsFilePath()).ReadInteger("Eingang", "TCP_ACTIVE", 0), 1);
}

TEST_F(BridgeWindowFixture, SeveralDevicesAreListedAndTheChoiceConnects) {
    Prepare("--devices 3");
    TFormEingang w;
    w.show();
    w.btnTcpOn->click();
    ASSERT_TRUE(WaitFor([&] { return w.Polling->TcpState == 4; }, 10000))
        << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(w.cmbListWren->count(), 3);
    EXPECT_EQ(dialogs.texts(), QStringList{"Bitte Gerät auswählen."});
    Choose(w.cmbListWren, w.cmbListWren->itemText(2));
    EXPECT_TRUE(WaitFor([] { return CurrentValues.Present[mvO2]; }, 10000));
    EXPECT_EQ(w.Polling->TcpState, 8);
    w.btnTcpOff->click();
}

TEST_F(BridgeWindowFixture, SavedBridgeModeRestartsAndABridgeThatNeverListensFails) {
    Prepare("--slow-start 600000");
    WriteSetting(folder, "TCP_ACTIVE", "1");
    TFormEingang w;
    EXPECT_TRUE(w.Polling->TcpActive);
    EXPECT_EQ(w.EditComport->currentText(), "Tcp");
    ASSERT_TRUE(WaitFor([&] { return !w.Polling->TcpActive; }, 15000));
    EXPECT_EQ(dialogs.texts(), QStringList{"Kann kein Gerät über den Bluetooth Server verbinden"});
    EXPECT_EQ(w.EditComport->currentText(), "non");
    EXPECT_TRUE(w.EditComport->isEnabled());
}

} // namespace
