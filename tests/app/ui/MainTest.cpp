#include "acquisition/ui/Aktuell.h"
#include "app/Global.h"
#include "app/Values.h"
#include "app/ui/Main.h"
#include "app/ui/ModalHelper.h"
#include "language/Language.h"
#include "support/TestSupport.h"
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

const bool userStoreRedirected = RedirectUserStore();

DialogAnswer Answer(bool yes, const QString& text = {}) {
    DialogAnswer a;
    a.accepted = yes;
    a.text = text;
    return a;
}

struct MainTest : ::testing::Test {
    TempProgramFolder folder{false};
    DialogRecorder dialogs;
    std::unique_ptr<TFormMain> main;
    QStringList tableOpens; // paths handed to the table window factory

    void SetUp() override {
        ResetLanguageState();
        main = std::make_unique<TFormMain>();
        main->show();
        main->activateWindow();
    }
    void TearDown() override {
        main->MdiArea->closeAllSubWindows();
        QCoreApplication::processEvents();
    }
    // A table window stand-in: an MDI child that remembers the path it was given.
    MainChildren FakeChildren() {
        MainChildren c;
        c.CreateTableWindow = [this](QMdiArea* area, const QString& path) -> QWidget* {
            tableOpens << path;
            auto* w = new QLabel(path);
            w->setObjectName("Formdaten");
            w->setProperty("path", path);
            QMdiSubWindow* sub = area->addSubWindow(w);
            sub->setAttribute(Qt::WA_DeleteOnClose);
            sub->show();
            area->setActiveSubWindow(sub);
            return w;
        };
        c.TablePath = [](QWidget* w) { return w->property("path").toString(); };
        c.CreateDiagramWindow = [](QMdiArea* area, const QString& path) -> QWidget* {
            auto* w = new QLabel("Diagramm " + path);
            QMdiSubWindow* sub = area->addSubWindow(w);
            sub->setAttribute(Qt::WA_DeleteOnClose);
            sub->show();
            return w;
        };
        return c;
    }
};

TEST_F(MainTest, ExitAsksAndShutsLinksDownInOrder) {
    QStringList calls;
    MainLinks links;
    links.EndBleMode = [&] { calls << "EndBleMode"; };
    links.StopBridge = [&] { calls << "StopBridge"; };
    links.CloseLink = [&] {
        // The settings are written only after the serial link is closed.
        calls << (QFile::exists(folder.file("Kurim.ini")) ? "CloseLink after save" : "CloseLink");
    };
    main->SetLinks(links);

    dialogs.answers = {Answer(false)};
    EXPECT_FALSE(main->close());
    EXPECT_TRUE(main->isVisible());
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_FALSE(QFile::exists(folder.file("Kurim.ini")));
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].kind, DialogKind::QuestionDialog);
    EXPECT_EQ(dialogs.requests[0].text, "Programm beenden?");

    dialogs.answers = {Answer(true)};
    bool closedSignal = false;
    QObject::connect(main.get(), &TFormMain::closed, [&] { closedSignal = true; });
    EXPECT_TRUE(main->close());
    EXPECT_EQ(calls, (QStringList{"EndBleMode", "StopBridge", "CloseLink"}));
    EXPECT_TRUE(QFile::exists(folder.file("Kurim.ini")));
    EXPECT_TRUE(closedSignal);

    // The end of the event loop closes the windows again: no second question, no second shutdown.
    QCloseEvent again;
    QApplication::sendEvent(main.get(), &again);
    EXPECT_TRUE(again.isAccepted());
    EXPECT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(calls.size(), 3);
}

TEST_F(MainTest, CommandsWithoutTheirWindowsAreDisabled) {
    EXPECT_FALSE(main->BtOpen->isEnabled());
    EXPECT_FALSE(main->MnNeu->isEnabled());
    EXPECT_FALSE(main->BtDiagramm->isEnabled());
    EXPECT_FALSE(main->MnOeffnen->isEnabled());
    EXPECT_FALSE(main->MnProfile->isEnabled());
    EXPECT_FALSE(main->MnDruckerSetup->isEnabled());
    EXPECT_FALSE(main->MnSchnittstelle->isEnabled());
    EXPECT_TRUE(main->BtAnzeige->isEnabled());
    EXPECT_TRUE(main->MnKonfig->isEnabled());

    QWidget acquisition;
    main->setAcquisitionWindow(&acquisition);
    EXPECT_TRUE(main->MnSchnittstelle->isEnabled());
    main->SetChildren(FakeChildren());
    EXPECT_TRUE(main->BtOpen->isEnabled());
    EXPECT_FALSE(main->MnOeffnen->isEnabled()); // always disabled
}

TEST_F(MainTest, ChildWindowRulesFollowTheActiveChild) {
    main->SetChildren(FakeChildren());
    const QList<QAction*> arrange = {main->MnSchliessen, main->MnUeberlappend,
                                     main->MnNebeneinander, main->MnSymbole,
                                     main->MnAlleVerkleinern};
    for (QAction* a : arrange)
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();

    main->BtAnzeigeClick();
    ASSERT_TRUE(FormAktuell);
    for (QAction* a : arrange)
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_FALSE(main->BtDiagramm->isEnabled());

    folder.write("file.new", "TEMPLATE");
    dialogs.answers = {Answer(true, folder.file("messung.dbf"))};
    main->OpenTableCommand();
    ASSERT_TRUE(main->TableWindow);
    EXPECT_TRUE(WaitFor([&] { return main->BtDiagramm->isEnabled(); }, 2000));
    EXPECT_TRUE(main->MnDiagramm->isEnabled());

    // Another child in front: no diagram from here.
    main->BtAnzeigeClick();
    EXPECT_TRUE(WaitFor([&] { return !main->BtDiagramm->isEnabled(); }, 2000));

    main->MdiArea->closeAllSubWindows();
    EXPECT_TRUE(WaitFor([&] { return !main->MnSchliessen->isEnabled(); }, 2000));
    EXPECT_FALSE(main->BtDiagramm->isEnabled());
}

TEST_F(MainTest, OpenTableCopiesTemplateAndPassesCapitalisedName) {
    main->SetChildren(FakeChildren());
    folder.write("file.new", "TEMPLATE");
    dialogs.answers = {Answer(true, folder.file("Süd.dbf"))};
    main->OpenTableCommand();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].kind, DialogKind::OpenFile);
    EXPECT_EQ(dialogs.requests[0].folder, Settings.Datenpfad);
    EXPECT_EQ(folder.read("Süd.dbf"), "TEMPLATE");
    ASSERT_EQ(tableOpens.size(), 1);
    EXPECT_EQ(tableOpens[0], folder.path() + "SUED.DBF");

    // With a table window open only that window comes to the front.
    main->OpenTableCommand();
    EXPECT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(tableOpens.size(), 1);

    // The diagram command opens one diagram window for the table, then only brings it forward.
    main->DiagramCommand();
    ASSERT_TRUE(main->DiagramWindow);
    QWidget* first = main->DiagramWindow;
    main->DiagramCommand();
    EXPECT_EQ(main->DiagramWindow.data(), first);
    EXPECT_EQ(main->MdiArea->subWindowList().size(), 2);
}

TEST_F(MainTest, OpenTableWithoutTemplateShowsErrorAndMakesNoFile) {
    main->SetChildren(FakeChildren());
    dialogs.answers = {Answer(true, folder.file("neu.dbf"))};
    main->OpenTableCommand();
    ASSERT_EQ(dialogs.requests.size(), 2u);
    EXPECT_EQ(dialogs.requests[1].kind, DialogKind::ErrorDialog);
    EXPECT_EQ(dialogs.requests[1].text, "Vorlagedatei nicht gefunden");
    EXPECT_FALSE(QFile::exists(folder.file("neu.dbf")));
    EXPECT_TRUE(tableOpens.isEmpty());
    EXPECT_FALSE(main->TableWindow);
}

TEST_F(MainTest, DatenAktivShowsOnlyWhileALinkDeliversData) {
    bool connected = true;
    MainLinks links;
    links.LinkConnected = [&] { return connected; };
    main->SetLinks(links);
    QWidget acquisition;

    struct Case {
        bool withAcquisition;
        bool connected;
        int ticks;
        bool shown;
    };
    for (const Case c :
         {Case{true, true, 0, true}, Case{true, true, 9, true}, Case{true, true, 10, false},
          Case{true, false, 0, false}, Case{false, true, 0, false}, Case{true, true, 3, true}}) {
        main->setAcquisitionWindow(c.withAcquisition ? &acquisition : nullptr);
        connected = c.connected;
        NoDataTicks = c.ticks;
        main->TimerAktivTimer();
        EXPECT_EQ(!main->PanelAktiv->isHidden(), c.shown)
            << c.withAcquisition << c.connected << " " << c.ticks;
    }
    main->setAcquisitionWindow(nullptr);
}

TEST_F(MainTest, ActivationSetsTcpButtonAndAsksForPortUntilChosen) {
    QString port;
    MainLinks links;
    links.PortText = [&] { return port; };
    main->SetLinks(links);

    Settings.TcpButton = true;
    main->FormActivate();
    EXPECT_FALSE(main->btnTCP->isHidden());
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].kind, DialogKind::InfoDialog);
    EXPECT_EQ(dialogs.requests[0].text, "Bitte Stellen Sie zuerst im Menu unter Sonderfunktionen "
                                        "die Serielle Schnittstellen ein!");

    port = "Com3";
    Settings.TcpButton = false;
    main->FormActivate();
    EXPECT_TRUE(main->btnTCP->isHidden());
    EXPECT_EQ(dialogs.requests.size(), 1u);
}

} // namespace
