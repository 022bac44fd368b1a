#pragma once
// The Bluetooth LE dongle: a CP2103 USB-to-UART bridge in front of a command-driven BLE module.
// Non-visual, driven through a port manager: open, reboot into command mode, scan, connect a
// Wren, read its lines (the module relays them in its MLDP data mode), close.
#include "Rs232Lib.h"
#include <QObject>
#include <QPointer>
#include <QStringList>

class TFormDongle : public QObject {
    Q_OBJECT
public:
    explicit TFormDongle(QObject* parent = nullptr);

    QString LastReply;
    bool Connected = false;
    TFormRs232Lib* PortManager = nullptr; // owned; none until the first OpenDongle
    int DonglePort = 0;

    bool OpenDongle();
    // Reboots the module and waits for its prompt. False when the prompt did not come within
    // PromptLimitMs (the port manager is then left in state 4, so later steps fail cleanly) or
    // the wait was aborted.
    bool RebootModule();
    int ScanDevices(QStringList& names, QStringList& addresses);
    bool ConnectDevice(const QString& address);
    QString ReadLine();
    void CloseDongle();

    // Convenience for the owner: the port manager's PulseLatch (false without a port manager).
    bool PulseLatch() { return PortManager && PortManager->PulseLatch(); }
    // Sets or clears Abort on the current port manager (the acquisition window's exit button).
    void SetAbort(bool on);
    bool Aborted() const { return PortManager && PortManager->Abort; }

    // The display name of a scan result's name field: "1A2345" gives "KR1A-2345".
    static QString DisplayName(const QString& nameField);
    // Parses the text read after "F" (with the closing marker appended); fills the lists and
    // returns the count.
    static int ParseScan(const QString& text, QStringList& names, QStringList& addresses);

    int PromptLimitMs = 5000;

private:
    bool WaitForPrompt();
};
