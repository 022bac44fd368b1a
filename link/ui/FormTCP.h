#pragma once
// The bridge client's test panel: shown modally from the main window, it drives the shared
// bridge client by hand and shows its log.
#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;
class TBridgeClient;

class TFormTCP : public QDialog {
    Q_OBJECT
public:
    explicit TFormTCP(TBridgeClient* client, QWidget* parent = nullptr);

    TBridgeClient* Client;
    QString BridgeHost = QStringLiteral("localhost"); // set by the owner (acquisition window)
    int BridgePort = 30000;

    QPlainTextEdit* Memo1;
    QPushButton* BtConnect;
    QPushButton* BtScan;
    QPushButton* BtGetStatus;
    QPushButton* BtDisconnect;
    QPushButton* BtStartServer;
    QPushButton* BtStopServer;
    QPushButton* BtGetData;

    void BtConnectClick();
    void BtScanClick();
    void BtGetStatusClick();
    void BtDisconnectClick();
    void BtStartServerClick();
    void BtStopServerClick();
    void BtGetDataClick();
};
