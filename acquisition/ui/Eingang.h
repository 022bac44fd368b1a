#pragma once
// The acquisition window ("Dateneingang"): chooses how the analyser is reached (a COM port by
// hand, a USB analyser by its identity, a Wren through the BLE dongle, or the bridge program),
// shows the received lines and owns the polling loop. It lives for the whole run; closing it
// only hides it, and the loop goes on.
#include <QDialog>
#include <QPointer>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class TBridgeClient;
class TFormDongle;
class TPolling;
class TStrHolder;

class TFormEingang : public QDialog {
    Q_OBJECT
public:
    // The dongle and the bridge client are long-lived objects of the start-up; when null the
    // window makes its own (tests, a program without them).
    explicit TFormEingang(TFormDongle* dongle = nullptr, TBridgeClient* bridge = nullptr,
                          QWidget* parent = nullptr);
    ~TFormEingang() override;

    TPolling* Polling; // the link, the loop and their state

    void LoadInputSettings();
    void SaveInputSettings();
    void FillPortList();
    void OpenLink();
    void CloseLink();
    void LogTelegram(const QString& line);

    void FormShow();
    void FormClose();
    void EditComportChange();
    void EditGeraetChange();
    void EditBaudrateChange();
    void BTSaveClick();
    void BtExitClick();
    void BtHilfeClick();
    void ElPBtKestrelClick();
    void BtIntegralDownloadClick();
    void btnWrenDownloadClick();
    void btnWrenBluetoothClick();
    void cmbListWrenChange(int index);
    void btnTcpOnClick();
    void btnTcpOffClick();

    // What the main window uses.
    void EndBleMode();          // BleMode off and the dongle closed (program end)
    void StopBridge();          // the bridge program ended (program end)
    bool LinkConnected() const; // serial open, BLE device or bridge connected
    QString PortText() const;   // what the port field shows

    // The port number in a port field text: "Com7" 7, "Com12" 12; -1 for "non", "Tcp", "".
    static int PortOfText(const QString& text);

    QGroupBox* GroupBox1; // "Schnittstelle manuell"
    QGroupBox* GroupBox2; // "USB"
    QGroupBox* GroupBox3; // "Bluetooth LE"
    QLabel* Label1;       // "Port"
    QLabel* Label2;       // "Gerät"
    QLabel* Label3;       // "Baudrate"
    QLabel* Label4;       // "Status"
    QComboBox* EditComport;
    QComboBox* EditGeraet;
    QComboBox* EditBaudrate;
    QLabel* LabelStatus;
    QPushButton* BtIntegralDownload;
    QPushButton* ElPBtKestrel;
    QPushButton* btnWrenDownload;
    QLabel* LabelInfoAuswahl;
    QPushButton* btnTcpOn;
    QPushButton* btnTcpOff;
    QPushButton* btnWrenBluetooth;
    QComboBox* cmbListWren;
    QPushButton* BTSave;
    QPlainTextEdit* Memo1;
    QCheckBox* cbStop;
    QPushButton* BtExit;
    QPushButton* BtHilfe;
    TStrHolder* StrHolder1;

    static constexpr int MaxLogLines = 501;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void BuildControls();
    void UsbConnect(const QString& model, const QString& notFoundPrefix, const QString& productId,
                    int baud, int deviceType);
    void ShowPort(int port); // selects "Com"+port, adding it when the list lacks it
    void SelectText(QComboBox* box, const QString& text);
    // Closes the serial link without the analyser's goodbye, when another mode replaces it.
    void CloseLinkQuietly();
    void ShowBridgeDevices(const QStringList& names, int chosen);
    void BridgeEnded();
    bool ConnectWren(int index); // the dongle's ConnectDevice for a scan entry
    void BeginDongleOp();
    void EndDongleOp();
    QString Text(int index) const;

    void FlushLog();

    QStringList pendingLog_; // received lines of the running tick, shown at its end
    TFormDongle* dongle_;
    TBridgeClient* bridge_;
    int dongleOps_ = 0; // dongle operations in progress (scan, connect)
};

// The acquisition window while it exists.
extern QPointer<TFormEingang> FormEingang;
