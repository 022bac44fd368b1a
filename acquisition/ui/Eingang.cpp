#include "Eingang.h"
#include "acquisition/Polling.h"
#include "app/Ansi.h"
#include "app/Global.h"
#include "app/IniFile.h"
#include "app/StrHolder.h"
#include "app/Utils.h"
#include "app/Values.h"
#include "language/ui/Translate.h"
#include "link/Dongle.h"
#include "link/PortMap.h"
#include "link/TcpBtle.h"
#include "link/UsbDiscovery.h"
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

QPointer<TFormEingang> FormEingang;

namespace {

const QString kSection = QStringLiteral("Eingang");
const QString kWriteSection = QStringLiteral("EINGANG");
// A Bluetooth address is 12 hexadecimal digits; anything far longer in the settings file is not
// one and must not be sent to the module.
constexpr int kMaxWrenText = 64;

const QStringList kDevices = {
    QStringLiteral("QAN Orbis"),   QStringLiteral("QAN Lumo"),  QStringLiteral("QAN Pilo "),
    QStringLiteral("QAN Tessa"),   QStringLiteral("QAN Rondo"), QStringLiteral("QAN Vela"),
    QStringLiteral("QAN Kestrel"), QStringLiteral("QAN Heron"), QStringLiteral("Wren"),
};

QString BaudText(int baud) {
    if (baud == 9600) return QStringLiteral("9600 Baud");
    if (baud == 115200) return QStringLiteral("115200 Baud");
    return QStringLiteral("1200 Baud");
}

} // namespace

TFormEingang::TFormEingang(TFormDongle* dongle, TBridgeClient* bridge, QWidget* parent)
    : QDialog(parent), dongle_(dongle ? dongle : new TFormDongle(this)),
      bridge_(bridge ? bridge : new TBridgeClient(this)) {
    setObjectName(QStringLiteral("FormEingang"));
    setWindowTitle(QStringLiteral("Dateneingang"));
    FormEingang = this;
    Polling = new TPolling(dongle_, bridge_, this);
    BuildControls();

    // FormCreate
    Polling->OnLine = [this](QByteArrayView line) {
        if (isVisible()) pendingLog_ << FromAnsi(line.toByteArray());
    };
    Polling->OnTickDone = [this] { FlushLog(); };
    Polling->OnNote = [this](const QString& note) { LogTelegram(note); };
    Polling->OnBridgeDevices = [this](const QStringList& names, int chosen) {
        ShowBridgeDevices(names, chosen);
    };
    Polling->OnBridgeEnded = [this] { BridgeEnded(); };
    FillPortList();
    Polling->LineBuffer.Clear();
    ClearValues();
    LoadInputSettings();
    Polling->Start();
    if (Polling->WrenMac.size() <= 1) {
        CloseLink();
        OpenLink();
    } else {
        // The saved Wren is connected through the dongle, without a scan.
        Polling->BleMode = false;
        BeginDongleOp();
        bool connected = false;
        if (dongle_->OpenDongle()) {
            dongle_->PulseLatch();
            dongle_->RebootModule();
            connected = dongle_->ConnectDevice(Polling->WrenMac);
        }
        EndDongleOp();
        if (connected) {
            cmbListWren->addItem(Polling->WrenName);
            cmbListWren->setCurrentIndex(cmbListWren->count() - 1);
            Polling->WrenMacs << Polling->WrenMac;
            Polling->WrenNames << Polling->WrenName;
            Polling->BleMode = true;
            ShowPort(dongle_->DonglePort);
            DeviceType = 9;
            SelectText(EditGeraet, QStringLiteral("Wren"));
            SelectText(EditBaudrate, BaudText(115200));
        }
    }
}

TFormEingang::~TFormEingang() {
    // FormDestroy: the link goes with the loop.
    Polling->Timer1->stop();
    Polling->Link.Close();
}

QString TFormEingang::Text(int index) const {
    return StrHolder1->at(index);
}

void TFormEingang::BuildControls() {
    auto label = [this](const QString& name, const QString& caption) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(name);
        return l;
    };
    auto button = [this](const QString& name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    auto combo = [this](const QString& name) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        c->setMinimumWidth(150);
        return c;
    };

    GroupBox1 = new QGroupBox(QStringLiteral("Schnittstelle manuell"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label1 = label(QStringLiteral("Label1"), QStringLiteral("Port"));
    Label2 = label(QStringLiteral("Label2"), QStringLiteral("Gerät"));
    Label3 = label(QStringLiteral("Label3"), QStringLiteral("Baudrate"));
    Label4 = label(QStringLiteral("Label4"), QStringLiteral("Status"));
    EditComport = combo(QStringLiteral("EditComport"));
    EditGeraet = combo(QStringLiteral("EditGeraet"));
    EditGeraet->addItems(kDevices);
    EditBaudrate = combo(QStringLiteral("EditBaudrate"));
    EditBaudrate->addItems({BaudText(1200), BaudText(9600), BaudText(115200)});
    LabelStatus = label(QStringLiteral("LabelStatus"), QStringLiteral("RS232 geschlossen"));
    auto* g1 = new QGridLayout(GroupBox1);
    g1->addWidget(Label1, 0, 0);
    g1->addWidget(EditComport, 0, 1);
    g1->addWidget(Label2, 1, 0);
    g1->addWidget(EditGeraet, 1, 1);
    g1->addWidget(Label3, 2, 0);
    g1->addWidget(EditBaudrate, 2, 1);
    g1->addWidget(Label4, 3, 0);
    g1->addWidget(LabelStatus, 3, 1);
    g1->setColumnStretch(1, 1);

    GroupBox2 = new QGroupBox(QStringLiteral("USB"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    ElPBtKestrel = button(QStringLiteral("ElPBtKestrel"), QStringLiteral("Kestrel"));
    BtIntegralDownload = button(QStringLiteral("BtIntegralDownload"), QStringLiteral("Heron"));
    btnWrenDownload = button(QStringLiteral("btnWrenDownload"), QStringLiteral("Wren"));
    auto* g2 = new QVBoxLayout(GroupBox2);
    g2->addWidget(ElPBtKestrel);
    g2->addWidget(BtIntegralDownload);
    g2->addWidget(btnWrenDownload);
    g2->addStretch();

    GroupBox3 = new QGroupBox(QStringLiteral("Bluetooth LE"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    btnWrenBluetooth = button(QStringLiteral("btnWrenBluetooth"), QStringLiteral("Wren Dongle"));
    cmbListWren = combo(QStringLiteral("cmbListWren"));
    btnTcpOn = button(QStringLiteral("btnTcpOn"), QStringLiteral("TCP On"));
    btnTcpOff = button(QStringLiteral("btnTcpOff"), QStringLiteral("TCP Off"));
    auto* g3 = new QGridLayout(GroupBox3);
    g3->addWidget(btnWrenBluetooth, 0, 0);
    g3->addWidget(cmbListWren, 0, 1);
    g3->addWidget(btnTcpOn, 1, 0);
    g3->addWidget(btnTcpOff, 1, 1);
    g3->setRowStretch(2, 1);

    LabelInfoAuswahl = label(QStringLiteral("LabelInfoAuswahl"), QStringLiteral("Keine Auswahl"));
    QFont bold = LabelInfoAuswahl->font();
    bold.setBold(true);
    LabelInfoAuswahl->setFont(bold);
    BTSave = button(QStringLiteral("BTSave"), QStringLiteral("Speichern"));
    BTSave->setToolTip(QStringLiteral("Einstellung speichern"));
    BTSave->setEnabled(false);
    cbStop = new QCheckBox(QStringLiteral("Stop"), this);
    cbStop->setObjectName(QStringLiteral("cbStop"));
    BtExit = button(QStringLiteral("BtExit"), QString());
    BtExit->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    BtExit->setToolTip(QStringLiteral("Schließen"));
    BtHilfe = button(QStringLiteral("BtHilfe"), QString());
    BtHilfe->setText(QStringLiteral("?"));
    QFont helpFont = BtHilfe->font();
    helpFont.setBold(true);
    helpFont.setPointSize(helpFont.pointSize() + 5);
    BtHilfe->setFont(helpFont);
    BtHilfe->setToolTip(QStringLiteral("Hilfe"));
    for (QPushButton* b : {BtExit, BtHilfe}) {
        b->setIconSize(QSize(24, 24));
        b->setFixedSize(40, 36);
    }

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setMaximumBlockCount(MaxLogLines);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setFont(QFont(QStringLiteral("Liberation Mono"), 9));

    StrHolder1 = new TStrHolder(
        QStringLiteral("StrHolder1"),
        {QStringLiteral("Neue Einstellungen speichern ?"),
         QStringLiteral("Fehler beim Öffnen der Schnittstelle  COM"),
         QStringLiteral("Ändern Sie bitte die Schnittstelle im Menu"),
         QStringLiteral("Sonderfunktionen Serielle Schnittstelle"),
         QStringLiteral("Fehler beim Initialisieren der Schnittstelle COM"),
         QStringLiteral("Fehler beim Öffnen der Schnittstelle 2 COM"),
         QStringLiteral("Auswahl gespeichert"), QStringLiteral("Keine Auswahl"),
         QStringLiteral("gefunden"), QStringLiteral("mit"), QStringLiteral("gespeichert"),
         QStringLiteral("nicht gefunden"), QStringLiteral("nicht installiert"),
         QStringLiteral("Wren Gerät(e) gefunden."), QStringLiteral("verbunden."),
         QStringLiteral("Suche Bluetooth Geräte")},
        this);

    auto* top = new QHBoxLayout;
    top->addWidget(GroupBox1, 3);
    top->addWidget(GroupBox2, 1);
    top->addWidget(GroupBox3, 2);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(LabelInfoAuswahl, 1);
    bottom->addWidget(cbStop);
    bottom->addWidget(BTSave);
    bottom->addWidget(BtHilfe);
    bottom->addWidget(BtExit);
    auto* root = new QVBoxLayout(this);
    root->addLayout(top);
    root->addWidget(Memo1, 1);
    root->addLayout(bottom);
    resize(760, 520);

    // Only the user's choices run the change handlers; selections made by the program do not.
    connect(EditComport, &QComboBox::activated, this, &TFormEingang::EditComportChange);
    connect(EditGeraet, &QComboBox::activated, this, &TFormEingang::EditGeraetChange);
    connect(EditBaudrate, &QComboBox::activated, this, &TFormEingang::EditBaudrateChange);
    connect(cmbListWren, &QComboBox::activated, this, &TFormEingang::cmbListWrenChange);
    connect(BTSave, &QPushButton::clicked, this, &TFormEingang::BTSaveClick);
    connect(BtExit, &QPushButton::clicked, this, &TFormEingang::BtExitClick);
    connect(BtHilfe, &QPushButton::clicked, this, &TFormEingang::BtHilfeClick);
    connect(ElPBtKestrel, &QPushButton::clicked, this, &TFormEingang::ElPBtKestrelClick);
    connect(BtIntegralDownload, &QPushButton::clicked, this,
            &TFormEingang::BtIntegralDownloadClick);
    connect(btnWrenDownload, &QPushButton::clicked, this, &TFormEingang::btnWrenDownloadClick);
    connect(btnWrenBluetooth, &QPushButton::clicked, this, &TFormEingang::btnWrenBluetoothClick);
    connect(btnTcpOn, &QPushButton::clicked, this, &TFormEingang::btnTcpOnClick);
    connect(btnTcpOff, &QPushButton::clicked, this, &TFormEingang::btnTcpOffClick);
    connect(cbStop, &QCheckBox::toggled, this, [this](bool on) { Polling->Stop = on; });
}

int TFormEingang::PortOfText(const QString& text) {
    if (text.size() < 4) return -1;
    bool ok = false;
    const int port = text.mid(3, 2).toInt(&ok);
    return ok ? port : -1;
}

void TFormEingang::SelectText(QComboBox* box, const QString& text) {
    box->setCurrentIndex(box->findText(text, Qt::MatchExactly));
}

void TFormEingang::ShowPort(int port) {
    const QString text = QStringLiteral("Com%1").arg(port);
    if (EditComport->findText(text, Qt::MatchExactly) < 0) {
        // The port is held by this program (the link just opened, the dongle), so the probe
        // left it out; the field must still show it, or saving would lose the choice.
        int at = 0;
        while (at < EditComport->count() && PortOfText(EditComport->itemText(at)) >= 1 &&
               PortOfText(EditComport->itemText(at)) < port)
            ++at;
        EditComport->insertItem(at, text);
    }
    SelectText(EditComport, text);
}

void TFormEingang::LoadInputSettings() {
    const IniFile ini(SettingsFilePath());
    TPolling& p = *Polling;
    p.LinePort = ini.ReadInteger(kSection, QStringLiteral("Comport"), -1);
    if (p.LinePort < -1 || p.LinePort > MaxComPort) p.LinePort = -1;
    DeviceType = ini.ReadInteger(kSection, QStringLiteral("Geraet"), 3);
    if (DeviceType < 0 || DeviceType > kDevices.size()) DeviceType = 3;
    p.LineBaud = ini.ReadInteger(kSection, QStringLiteral("Baudrate"), 9600);
    // The link runs at the rate the box shows.
    if (p.LineBaud != 9600 && p.LineBaud != 115200) p.LineBaud = 1200;
    p.WrenName = ini.ReadString(kSection, QStringLiteral("WREN_NAME")).left(kMaxWrenText);
    p.WrenMac = ini.ReadString(kSection, QStringLiteral("WREN_MAC"));
    if (p.WrenMac.size() > kMaxWrenText) p.WrenMac.clear();
    p.BridgeHost = ini.ReadString(kSection, QStringLiteral("HOST"), QStringLiteral("localhost"));
    p.BridgePort = ini.ReadInteger(kSection, QStringLiteral("PORT"), 30000);
    if (ini.ReadInteger(kSection, QStringLiteral("TCP_ACTIVE"), 0) == 1) {
        p.TcpActive = true;
        if (EditComport->findText(QStringLiteral("Tcp")) < 0)
            EditComport->addItem(QStringLiteral("Tcp"));
        SelectText(EditComport, QStringLiteral("Tcp"));
        EditComport->setEnabled(false);
    } else {
        p.TcpActive = false;
    }
    if (p.LinePort == -1)
        EditGeraet->setCurrentIndex(-1);
    else if (!p.TcpActive)
        SelectText(EditComport, QStringLiteral("Com%1").arg(p.LinePort));
    SelectText(EditBaudrate, BaudText(p.LineBaud));
}

void TFormEingang::SaveInputSettings() {
    TPolling& p = *Polling;
    DeviceType = EditGeraet->currentIndex() + 1;
    p.LinePort = PortOfText(EditComport->currentText());
    IniFile ini(SettingsFilePath());
    ini.WriteString(kWriteSection, QStringLiteral("WREN_NAME"), p.BleMode ? p.WrenName : QString());
    ini.WriteString(kWriteSection, QStringLiteral("WREN_MAC"), p.BleMode ? p.WrenMac : QString());
    ini.WriteInteger(kWriteSection, QStringLiteral("COMPORT"), p.LinePort);
    ini.WriteInteger(kWriteSection, QStringLiteral("GERAET"), DeviceType);
    ini.WriteInteger(kWriteSection, QStringLiteral("Baudrate"), p.LineBaud);
    ini.WriteInteger(kWriteSection, QStringLiteral("TCP_ACTIVE"), p.TcpActive ? 1 : 0);
    if (!ini.Save())
        ErrorBox(QStringLiteral("Die Einstellungen konnten nicht gespeichert werden: ") +
                 ini.path());
}

void TFormEingang::FillPortList() {
    EditComport->clear();
    TSerial probe;
    QStringList ports;
    for (int n = 1; n <= MaxComPort; ++n) {
        probe.Port = uint32_t(n);
        if (probe.PortExists()) ports << QStringLiteral("Com%1").arg(n);
    }
    ports << QStringLiteral("non");
    EditComport->addItems(ports);
    EditComport->setCurrentIndex(-1);
}

void TFormEingang::OpenLink() {
    const int port = PortOfText(EditComport->currentText());
    const TPolling::OpenResult r = Polling->OpenSerial(port);
    if (r == TPolling::OpenResult::OpenFailed)
        ErrorBox(Text(1) + QString::number(port) + QLatin1Char('\n') + Text(2) + QLatin1Char('\n') +
                 Text(3));
    else if (r == TPolling::OpenResult::ConfigureFailed)
        ErrorBox(Text(4) + QString::number(port));
    LabelStatus->setText(Polling->Link.IsOpen ? QStringLiteral("RS232 OK")
                                              : QStringLiteral("Init-Error"));
    LabelInfoAuswahl->setText(Text(7));
}

void TFormEingang::CloseLink() {
    Polling->CloseLink();
    LabelStatus->setText(QStringLiteral("RS232 closed"));
}

void TFormEingang::CloseLinkQuietly() {
    if (!Polling->Link.IsOpen) return;
    Polling->Link.Close();
    // The status must not go on saying "RS232 OK" for a port that is closed now.
    LabelStatus->setText(QStringLiteral("RS232 closed"));
}

void TFormEingang::FlushLog() {
    if (pendingLog_.isEmpty()) return;
    // A tick may bring hundreds of lines: only the last MaxLogLines can stay, and one append
    // costs far less than one per line.
    if (pendingLog_.size() > MaxLogLines) pendingLog_.remove(0, pendingLog_.size() - MaxLogLines);
    LogTelegram(pendingLog_.join(QLatin1Char('\n')));
    pendingLog_.clear();
}

void TFormEingang::LogTelegram(const QString& line) {
    // The log keeps MaxLogLines lines: the oldest goes when a new one comes. The newest line
    // stays in view.
    Memo1->appendPlainText(line);
    Memo1->verticalScrollBar()->setValue(Memo1->verticalScrollBar()->maximum());
}

void TFormEingang::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFormEingang::FormShow() {
    TranslateForm(this);
    EditGeraet->setCurrentIndex(DeviceType >= 1 && DeviceType <= kDevices.size() ? DeviceType - 1
                                                                                 : -1);
    if (Polling->LinePort > -1) {
        if (!Polling->BleMode)
            SelectText(EditComport, QStringLiteral("Com%1").arg(Polling->LinePort));
        LabelInfoAuswahl->setText(Text(6));
    }
}

void TFormEingang::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TFormEingang::FormClose() {
    cbStop->setChecked(false);
    if (BTSave->isEnabled() && ConfirmBox(Text(0))) SaveInputSettings();
    BTSave->setEnabled(false);
}

void TFormEingang::EditComportChange() {
    BTSave->setEnabled(true);
    // A port chosen by hand replaces a Wren connected through the dongle.
    if (Polling->BleMode) {
        EndBleMode();
        cmbListWren->setCurrentIndex(-1);
    }
    CloseLink();
    OpenLink();
}

void TFormEingang::EditGeraetChange() {
    DeviceType = EditGeraet->currentIndex() + 1;
    BTSave->setEnabled(true);
}

void TFormEingang::EditBaudrateChange() {
    BTSave->setEnabled(true);
    Polling->LineBaud = ReadInt(EditBaudrate->currentText());
    CloseLink();
    OpenLink();
}

void TFormEingang::BTSaveClick() {
    SaveInputSettings();
    BTSave->setEnabled(false);
}

void TFormEingang::BtExitClick() {
    // Ends a scan, reboot wait, connect or line wait in progress; the operation clears it again
    // when it has returned, so the lines of a connected Wren keep coming.
    if (dongle_->PortManager && (dongleOps_ > 0 || Polling->InDongleRead()))
        dongle_->SetAbort(true);
    close();
}

void TFormEingang::BtHilfeClick() {
    OpenHelpDocument(QStringLiteral("Schnittstelle"));
}

void TFormEingang::BeginDongleOp() {
    ++dongleOps_;
}

void TFormEingang::EndDongleOp() {
    if (--dongleOps_ == 0 && dongle_->Aborted()) dongle_->SetAbort(false);
}

void TFormEingang::UsbConnect(const QString& model, const QString& notFoundPrefix,
                              const QString& productId, int baud, int deviceType) {
    TPolling& p = *Polling;
    FillPortList();
    if (p.BleMode) {
        EndBleMode();
        cmbListWren->setCurrentIndex(-1);
    }
    CloseLinkQuietly();
    p.LinePort = FindUsbComPort(QStringLiteral("10C4"), productId, QStringLiteral("0001"));
    if (p.LinePort == 0) {
        ErrorBox(notFoundPrefix + Text(11));
        return;
    }
    p.Link.Port = uint32_t(p.LinePort);
    p.Link.BaudRate = uint32_t(baud);
    p.Link.NoErrorChar = true;
    p.Link.Open();
    if (p.Link.Failed) {
        LabelStatus->setText(QStringLiteral("Init-Error"));
        ErrorBox(model + Text(12));
        return;
    }
    p.Link.Configure();
    if (p.Link.Failed) {
        LabelStatus->setText(QStringLiteral("Init-Error"));
        ErrorBox(Text(5) + QString::number(p.LinePort));
        return;
    }
    p.Link.SetDTR(true);
    p.Link.SetRTS(true);
    if (!p.Link.IsOpen) return;
    ResetNoDataTicks();
    p.LineBuffer.Clear();
    SelectText(EditBaudrate, BaudText(baud));
    EditGeraet->setCurrentIndex(deviceType - 1);
    ShowPort(p.LinePort);
    LabelStatus->setText(QStringLiteral("RS232 OK"));
    InfoBox(model + Text(8) + QLatin1Char('\n') + QStringLiteral("Com: ") +
            QString::number(p.LinePort) + QLatin1Char('\n') + Text(9) + QLatin1Char(' ') +
            QString::number(baud) + QStringLiteral(" baud") + QLatin1Char('\n') + Text(10));
    p.LineBaud = baud;
    SaveInputSettings();
    BTSave->setEnabled(false);
    LabelInfoAuswahl->setText(Text(6));
}

void TFormEingang::ElPBtKestrelClick() {
    UsbConnect(QStringLiteral("Kestrel "), QStringLiteral("Kestrel USB "), QStringLiteral("830F"),
               9600, 7);
}

void TFormEingang::BtIntegralDownloadClick() {
    UsbConnect(QStringLiteral("Heron B "), QStringLiteral("Heron B "), QStringLiteral("8310"),
               115200, 8);
}

void TFormEingang::btnWrenDownloadClick() {
    UsbConnect(QStringLiteral("Wren "), QStringLiteral("Wren "), QStringLiteral("8310"), 115200, 9);
}

void TFormEingang::btnWrenBluetoothClick() {
    TPolling& p = *Polling;
    FillPortList();
    CloseLinkQuietly();
    p.BleMode = false;
    LogTelegram(Text(15));
    cmbListWren->clear();
    dongle_->CloseDongle();
    BeginDongleOp();
    if (!dongle_->OpenDongle()) {
        EndDongleOp();
        ErrorBox(Text(5) + QString::number(dongle_->DonglePort));
        return;
    }
    dongle_->PulseLatch();
    dongle_->RebootModule();
    dongle_->PortManager->Delay(20);
    // The lists are by index of the entries shown, so they start empty with every scan.
    p.WrenNames.clear();
    p.WrenMacs.clear();
    const int n = dongle_->ScanDevices(p.WrenNames, p.WrenMacs);
    const bool aborted = dongle_->Aborted();
    EndDongleOp();
    if (aborted) return;
    for (const QString& name : std::as_const(p.WrenNames))
        cmbListWren->addItem(TFormDongle::DisplayName(name));
    if (n == 1) {
        LogTelegram(QStringLiteral("1 ") + Text(13));
        cmbListWren->setCurrentIndex(0);
        cmbListWrenChange(0);
    } else {
        InfoBox(QString::number(n) + QLatin1Char(' ') + Text(13));
    }
}

bool TFormEingang::ConnectWren(int index) {
    TPolling& p = *Polling;
    if (index < 0 || index >= p.WrenMacs.size() || index >= p.WrenNames.size()) return false;
    // The tick must not read lines of the previous Wren while the module changes device.
    p.BleMode = false;
    BeginDongleOp();
    const bool ok = dongle_->ConnectDevice(p.WrenMacs[index]);
    EndDongleOp();
    return ok;
}

void TFormEingang::cmbListWrenChange(int index) {
    TPolling& p = *Polling;
    if (!p.TcpActive) {
        if (!ConnectWren(index)) return;
        p.BleMode = true;
        p.WrenMac = p.WrenMacs[index];
        p.WrenName = TFormDongle::DisplayName(p.WrenNames[index]);
        InfoBox(p.WrenName + QLatin1Char(' ') + Text(14));
        ShowPort(dongle_->DonglePort);
        DeviceType = 9;
        SelectText(EditGeraet, QStringLiteral("Wren"));
        SelectText(EditBaudrate, BaudText(115200));
        SaveInputSettings();
    } else if (p.TcpState == 4 && index >= 0) {
        p.ChooseBridgeDevice(cmbListWren->itemText(index));
    }
}

void TFormEingang::btnTcpOnClick() {
    TPolling& p = *Polling;
    if (p.BleMode) EndBleMode();
    CloseLinkQuietly();
    if (EditComport->findText(QStringLiteral("Tcp")) < 0)
        EditComport->addItem(QStringLiteral("Tcp"));
    SelectText(EditGeraet, QStringLiteral("Wren"));
    SelectText(EditComport, QStringLiteral("Tcp"));
    EditComport->setEnabled(false);
    p.BridgeOn();
    SaveInputSettings();
}

void TFormEingang::btnTcpOffClick() {
    BridgeEnded();
    Polling->BridgeOff();
}

void TFormEingang::BridgeEnded() {
    SelectText(EditComport, QStringLiteral("non"));
    EditComport->setEnabled(true);
}

void TFormEingang::ShowBridgeDevices(const QStringList& names, int chosen) {
    for (const QString& name : names)
        if (cmbListWren->findText(name, Qt::MatchExactly) < 0) cmbListWren->addItem(name);
    if (chosen >= 0 && chosen < names.size()) SelectText(cmbListWren, names[chosen]);
}

void TFormEingang::EndBleMode() {
    Polling->EndBleMode();
}

void TFormEingang::StopBridge() {
    if (bridge_) bridge_->StopBridge();
}

bool TFormEingang::LinkConnected() const {
    return Polling->LinkConnected();
}

QString TFormEingang::PortText() const {
    return EditComport->currentText();
}
