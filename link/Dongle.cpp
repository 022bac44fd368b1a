#include "Dongle.h"
#include "UsbDiscovery.h"
#include "app/Utils.h"
#include <QElapsedTimer>

static const QString kPrompt = QStringLiteral("CMD\r\n");

TFormDongle::TFormDongle(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("FormDongle"));
}

bool TFormDongle::OpenDongle() {
    Connected = false;
    // The previous port manager is not used again. Its port is released here: after a timed-out
    // reply (state 4) CloseDongle leaves it open, and it would keep the dongle from opening.
    if (PortManager) {
        PortManager->Abort = true;
        PortManager->ClosePort();
        PortManager->deleteLater();
    }
    PortManager = new TFormRs232Lib(this);
    PortManager->SetState(0);
    PortManager->Silent = true;
    DonglePort =
        FindUsbComPort(QStringLiteral("10C4"), QStringLiteral("8B06"), QStringLiteral("0001"));
    PortManager->OpenPort(DonglePort, 115200, QString());
    if (PortManager->GetState() != 1) return false;
    PortManager->SendCommand(QStringLiteral("V"));
    PortManager->SetState(1);
    return true;
}

bool TFormDongle::WaitForPrompt() {
    TFormRs232Lib* pm = PortManager;
    QString text = pm->ReadAvailable();
    QElapsedTimer clock;
    clock.start();
    while (!text.endsWith(kPrompt) && !pm->Abort) {
        if (clock.elapsed() >= PromptLimitMs) {
            pm->SetState(4);
            return false;
        }
        pm->Pause(300);
        text += pm->ReadAvailable();
        // Only the end of the text matters; a chattering module must not grow it.
        if (text.size() > 4096) text = text.right(64);
    }
    return text.endsWith(kPrompt);
}

bool TFormDongle::RebootModule() {
    if (!PortManager || PortManager->GetState() == 4) return false;
    PortManager->SetState(1);
    PortManager->SendCommand(QStringLiteral("R,1"));
    return WaitForPrompt();
}

int TFormDongle::ParseScan(const QString& text, QStringList& names, QStringList& addresses) {
    if (text.size() <= 3) return 0;
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral(","));
    TokenizerStart(t, QStringLiteral(","));
    NextToken(); // the module's acknowledgement of the scan command
    int count = 0;
    QString word = NextToken();
    while (word.size() > 3) {
        addresses << word;
        NextToken();
        names << NextToken();
        NextToken();
        NextToken();
        word = NextToken();
        ++count;
    }
    return count;
}

int TFormDongle::ScanDevices(QStringList& names, QStringList& addresses) {
    TFormRs232Lib* pm = PortManager;
    if (!pm) return 0;
    pm->SetState(1);
    pm->SendCommand(QStringLiteral("SF,2"));
    if (pm->ReadResponse() != QLatin1String("AOK")) return 0;
    pm->SetState(1);
    pm->SendCommand(QStringLiteral("SR,9A000000"));
    if (pm->ReadResponse() != QLatin1String("AOK")) return 0;
    pm->SetState(1);
    pm->SendCommand(QStringLiteral("R,1"));
    if (!WaitForPrompt()) return 0;
    pm->SetState(1);
    pm->SendCommand(QStringLiteral("F"));
    pm->Delay(5);
    const QString text = pm->ReadAvailable() + QStringLiteral("E,");
    pm->SetState(1);
    pm->SendCommand(QStringLiteral("X"));
    if (pm->Abort) return 0;
    return ParseScan(text, names, addresses);
}

bool TFormDongle::ConnectDevice(const QString& address) {
    TFormRs232Lib* pm = PortManager;
    if (!pm) return false;
    pm->SetState(1);
    pm->SendCommand(QStringLiteral("E,0,") + address);
    LastReply = pm->ReadResponse();
    if (LastReply != QLatin1String("AOK")) return false;
    pm->Pause(500);
    pm->SetState(1);
    pm->SendCommand(QStringLiteral("I"));
    LastReply = pm->ReadResponse();
    if (LastReply != QLatin1String("MLDP")) return false;
    pm->SetState(1);
    pm->SendCommand(QString());
    // A send that could not reach the port leaves state 4: not in data mode.
    if (pm->GetState() != 2) return false;
    Connected = true;
    return true;
}

QString TFormDongle::ReadLine() {
    if (!Connected || !PortManager) return {};
    PortManager->SetState(2);
    PortManager->Response.clear();
    return PortManager->ReadResponse();
}

void TFormDongle::CloseDongle() {
    if (!PortManager || PortManager->GetState() >= 4) return;
    PortManager->PulseLatch();
    RebootModule();
    PortManager->ClosePort();
    // With the port closed no line can come; the "data active" display must not say otherwise.
    Connected = false;
}

void TFormDongle::SetAbort(bool on) {
    if (PortManager) PortManager->Abort = on;
}

QString TFormDongle::DisplayName(const QString& nameField) {
    return QStringLiteral("KR") + nameField.left(2) + QStringLiteral("-") + nameField.mid(2, 4);
}
