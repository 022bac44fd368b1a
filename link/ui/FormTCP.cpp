#include "FormTCP.h"
#include "link/TcpBtle.h"
#include <QGridLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TFormTCP::TFormTCP(TBridgeClient* client, QWidget* parent) : QDialog(parent), Client(client) {
    setObjectName(QStringLiteral("FormTCP"));
    setWindowTitle(QStringLiteral("FormTCP"));
    setModal(true);
    resize(640, 420);

    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    BtConnect = button("BtConnect", QStringLiteral("Connect"));
    BtScan = button("BtScan", QStringLiteral("Scan"));
    BtGetStatus = button("BtGetStatus", QStringLiteral("Get Status"));
    BtDisconnect = button("BtDisconnect", QStringLiteral("Disconnect"));
    BtStartServer = button("BtStartServer", QStringLiteral("Start Server"));
    BtStopServer = button("BtStopServer", QStringLiteral("Stopp Server"));
    BtGetData = button("BtGetData", QStringLiteral("Get Data"));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setMaximumBlockCount(TBridgeClient::MaxLogLines);
    Memo1->setPlainText(Client->Log.join(QLatin1Char('\n')));

    auto* grid = new QGridLayout;
    grid->addWidget(BtStartServer, 0, 0);
    grid->addWidget(BtStopServer, 0, 1);
    grid->addWidget(BtConnect, 1, 0);
    grid->addWidget(BtDisconnect, 1, 1);
    grid->addWidget(BtScan, 2, 0);
    grid->addWidget(BtGetStatus, 2, 1);
    grid->addWidget(BtGetData, 3, 0);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(Memo1, 1);

    connect(Client, &TBridgeClient::lineLogged, Memo1, &QPlainTextEdit::appendPlainText);
    connect(BtConnect, &QPushButton::clicked, this, &TFormTCP::BtConnectClick);
    connect(BtScan, &QPushButton::clicked, this, &TFormTCP::BtScanClick);
    connect(BtGetStatus, &QPushButton::clicked, this, &TFormTCP::BtGetStatusClick);
    connect(BtDisconnect, &QPushButton::clicked, this, &TFormTCP::BtDisconnectClick);
    connect(BtStartServer, &QPushButton::clicked, this, &TFormTCP::BtStartServerClick);
    connect(BtStopServer, &QPushButton::clicked, this, &TFormTCP::BtStopServerClick);
    connect(BtGetData, &QPushButton::clicked, this, &TFormTCP::BtGetDataClick);
}

void TFormTCP::BtConnectClick() {
    Client->BridgeConnect(BridgeHost, BridgePort);
}

void TFormTCP::BtScanClick() {
    Client->BridgeScan();
}

void TFormTCP::BtGetStatusClick() {
    QStringList names;
    Client->BridgeGetState(names);
}

void TFormTCP::BtDisconnectClick() {
    Client->BridgeDisconnect();
}

void TFormTCP::BtStartServerClick() {
    Client->StartBridge();
}

void TFormTCP::BtStopServerClick() {
    Client->StopBridge();
}

// The received line goes into the log, so the panel shows what the analyser sends.
void TFormTCP::BtGetDataClick() {
    QString line;
    if (Client->BridgeGetData(line)) Client->LogLine(line);
}
