// KURIM: start-up and the message loop.
#include "acquisition/Polling.h"
#include "acquisition/ui/Eingang.h"
#include "app/Global.h"
#include "app/ui/Application.h"
#include "app/ui/GuiDialogs.h"
#include "app/ui/Main.h"
#include "language/ui/Formlang.h"
#include "language/ui/Translate.h"
#include "link/Dongle.h"
#include "link/TcpBtle.h"
#include "link/ui/FormTCP.h"

int main(int argc, char** argv) {
    TApplication app(argc, argv);
    app.setOrganizationName("QAN");
    app.setApplicationName("KURIM");
    app.setQuitOnLastWindowClosed(false); // the program ends with the main window, not before
    InitProgramFolder(QCoreApplication::applicationFilePath());
    SetLanguageCommandLine(app.arguments().mid(1));
    InstallGuiDialogs();

    // The long-lived windows, main window first. The windows of the other subsystems follow it
    // in their fixed order as they are built; they stay hidden until asked for.
    TFormMain main;
    QObject::connect(&main, &TFormMain::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    auto* dongle = new TFormDongle(&main);
    EnsureLanguageWindow(); // hidden; shown from the menu or in collecting mode
    // The acquisition window opens the saved link as it is created and runs the polling loop
    // from then on; the bridge client it drives is shared with the bridge test panel.
    auto* bridge = new TBridgeClient(&main);
    auto* eingang = new TFormEingang(dongle, bridge, &main);
    auto* formTcp = new TFormTCP(bridge, &main);
    main.setAcquisitionWindow(eingang);
    MainLinks links;
    links.EndBleMode = [eingang] { eingang->EndBleMode(); };
    links.StopBridge = [eingang] { eingang->StopBridge(); };
    links.CloseLink = [eingang] { eingang->CloseLink(); };
    links.LinkConnected = [eingang] { return eingang->LinkConnected(); };
    links.PortText = [eingang] { return eingang->PortText(); };
    links.ShowBridgeWindow = [formTcp, eingang] {
        // The panel connects to the bridge address the acquisition window uses now.
        formTcp->BridgeHost = eingang->Polling->BridgeHost;
        formTcp->BridgePort = eingang->Polling->BridgePort;
        formTcp->exec();
    };
    main.SetLinks(std::move(links));

    // Settings are read once every long-lived window exists.
    LoadSettings();

    // Maximized at start unless the last run left the window in its normal size.
    const auto placement = ReadPlacement(PlacementStore::WindowStateFile, "Main");
    if (placement && placement->state == 0)
        main.show();
    else
        main.showMaximized();
    return app.exec();
}
