// KURIM: start-up and the message loop.
#include "app/Global.h"
#include "app/ui/Application.h"
#include "app/ui/GuiDialogs.h"
#include "app/ui/Main.h"
#include "language/ui/Translate.h"

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
