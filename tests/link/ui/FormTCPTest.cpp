#include "link/TcpBtle.h"
#include "link/ui/FormTCP.h"
#include "support/DeviceTestSupport.h"
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

TEST(FormTCP, ButtonsDriveTheClientAndTheLogShowsIt) {
    TempProgramFolder folder(false);
    const quint16 port = FreeTcpPort();
    SimProcess sim(
        {"--bridge", "--port", QString::number(port), "--scan-ms", "0"}); // "listening on ..."
    ASSERT_TRUE(sim.started());
    TBridgeClient client;
    TFormTCP form(&client);
    form.BridgeHost = "127.0.0.1";
    form.BridgePort = port;
    EXPECT_EQ(form.objectName(), "FormTCP");
    EXPECT_EQ(form.windowTitle(), "FormTCP");
    QStringList captions;
    for (QPushButton* b : {form.BtConnect, form.BtScan, form.BtGetStatus, form.BtDisconnect,
                           form.BtStartServer, form.BtStopServer, form.BtGetData})
        captions << b->text();
    EXPECT_EQ(captions, QStringList({"Connect", "Scan", "Get Status", "Disconnect", "Start Server",
                                     "Stopp Server", "Get Data"}));
    EXPECT_EQ(form.Memo1->toPlainText(), "Memo1");

    form.BtConnect->click();
    EXPECT_TRUE(client.Connected);
    form.BtScan->click();
    form.BtGetStatus->click();
    form.BtGetData->click();
    const QStringList log = form.Memo1->toPlainText().split('\n');
    ASSERT_EQ(log.size(), 8);
    EXPECT_TRUE(log[1].endsWith(" :Connected"));
    EXPECT_TRUE(log[5].endsWith(" :1|KR1A-2345"));
    EXPECT_TRUE(log[6].endsWith(" :-> TCP_CMD_GET_DATA"));
    EXPECT_EQ(log[7].mid(log[7].indexOf(" :") + 5, 1), "G"); // the telegram received
    form.BtDisconnect->click();
    EXPECT_FALSE(client.Connected);
}

} // namespace
