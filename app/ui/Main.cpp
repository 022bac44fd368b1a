#include "app/ui/Main.h"
#include "acquisition/ui/Aktuell.h"
#include "app/DialogHook.h"
#include "app/Global.h"
#include "app/StrHolder.h"
#include "app/Utils.h"
#include "app/Values.h"
#include "app/ui/About.h"
#include "app/ui/Disclaim.h"
#include "app/ui/Konfig.h"
#include "language/ui/Translate.h"
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

QPointer<TFormMain> FormMain;

namespace {

QAction* AddItem(QMenu* menu, const char* name, const QString& caption, const QString& hint = {}) {
    auto* a = new QAction(caption, menu);
    a->setObjectName(name);
    if (!hint.isEmpty()) a->setToolTip(hint);
    menu->addAction(a);
    return a;
}

QMenu* AddMenu(QMenuBar* bar, const char* name, const QString& caption, const QString& hint = {}) {
    QMenu* m = bar->addMenu(caption);
    m->menuAction()->setObjectName(name);
    if (!hint.isEmpty()) m->menuAction()->setToolTip(hint);
    m->setToolTipsVisible(false);
    return m;
}

// The logo at the right end of the toolbar: the program's name over a flame-coloured bar.
QPixmap LogoPixmap() {
    QPixmap pm(150, 48);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f("Arial");
    f.setPixelSize(30);
    f.setBold(true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    p.setFont(f);
    p.setPen(QColor(0, 0, 128));
    p.drawText(QRect(0, 0, 150, 38), Qt::AlignCenter, "KURIM");
    QLinearGradient g(10, 0, 140, 0);
    g.setColorAt(0, QColor(255, 200, 0));
    g.setColorAt(1, QColor(220, 40, 0));
    p.fillRect(QRect(12, 40, 126, 4), g);
    return pm;
}

} // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName("FormMain");
    setWindowTitle("K U R I M");
    FormMain = this;
    StrHolder1 = new TStrHolder(
        "StrHolder1",
        {"Vorlagedatei nicht gefunden", "Datei ", "nicht gefunden", "Programm beenden?",
         "Bitte Stellen Sie zuerst im Menu unter Sonderfunktionen die Serielle Schnittstellen "
         "ein!",
         "Tabelle ist auf ppm Toxwerte eingestellt.",
         "Bitte schliessen Sie zuerst alle geöffneten Unterfenster!",
         "Tabelle ist auf mg/m³ Toxwerte eingestellt"},
        this);

    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    BuildToolbar();
    v->addWidget(PanelTop);
    MdiArea = new QMdiArea(central);
    MdiArea->setObjectName("MdiArea");
    MdiArea->setBackground(palette().brush(QPalette::Dark));
    v->addWidget(MdiArea, 1);
    setCentralWidget(central);
    BuildMenus();
    statusBar()->setObjectName("StatusBar");

    TimerAktiv = new QTimer(this);
    TimerAktiv->setObjectName("TimerAktiv");
    TimerAktiv->setInterval(1000);
    connect(TimerAktiv, &QTimer::timeout, this, &TFormMain::TimerAktivTimer);
    TimerAktiv->start();

    // The enabling rules follow the active window of the application.
    connect(MdiArea, &QMdiArea::subWindowActivated, this, &TFormMain::UpdateMenuItems);
    connect(qApp, &QApplication::focusChanged, this, &TFormMain::UpdateMenuItems);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                // Only an activation from outside the program: closing one of its own dialogs
                // must not bring the message back at once.
                if (state == Qt::ApplicationActive && isVisible() && !closing_ &&
                    !QApplication::activeModalWidget())
                    QTimer::singleShot(0, this, [this] {
                        if (!QApplication::activeModalWidget()) FormActivate();
                    });
            });

    if (const auto p = ReadPlacement(PlacementStore::WindowStateFile, "Main");
        p && p->rect.isValid())
        setGeometry(p->rect);
    else if (const QScreen* s = QGuiApplication::primaryScreen())
        setGeometry(QRect(QPoint(), QSize(1024, 720))
                        .translated(s->availableGeometry().center() - QPoint(512, 360)));
    UpdateMenuItems();
}

TFormMain::~TFormMain() {
    // Unregister from the application before the children go.
    disconnect(qApp, nullptr, this, nullptr);
}

void TFormMain::BuildToolbar() {
    PanelTop = new QWidget(this);
    PanelTop->setObjectName("PanelTop");
    PanelTop->setFixedHeight(58);
    PanelTop->setAutoFillBackground(true);
    PanelTop->setStyleSheet("#PanelTop { background: white; border-bottom: 1px solid #808080; }");
    PanelTop->setAttribute(Qt::WA_StyledBackground);
    PanelTop->installEventFilter(this);
    auto* h = new QHBoxLayout(PanelTop);
    h->setContentsMargins(4, 4, 8, 5);
    h->setSpacing(2);
    const auto button = [&](const char* name, const QString& caption, const QString& hint,
                            QStyle::StandardPixmap icon) {
        auto* b = new QToolButton(PanelTop);
        b->setObjectName(name);
        b->setText(caption);
        b->setToolTip(hint);
        if (icon != QStyle::SP_CustomBase) b->setIcon(style()->standardIcon(icon));
        b->setIconSize(QSize(24, 24));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setAutoRaise(true);
        b->setFixedSize(80, 48);
        h->addWidget(b);
        return b;
    };
    BtExit = button("BtExit", "Ende", "Programm beenden", QStyle::SP_DialogCloseButton);
    BtAnzeige = button("BtAnzeige", "Anzeige", "Datenanzeige", QStyle::SP_ComputerIcon);
    BtOpen = button("BtOpen", "Datentabelle", "Meßdaten Öffnen", QStyle::SP_DialogOpenButton);
    BtDiagramm = button("BtDiagramm", "Diagramm", "Diagramm", QStyle::SP_FileDialogContentsView);
    h->addSpacing(12);
    PanelAktiv = new QLabel("Daten aktiv", PanelTop);
    PanelAktiv->setObjectName("PanelAktiv");
    PanelAktiv->setAlignment(Qt::AlignCenter);
    PanelAktiv->setFixedSize(100, 40);
    PanelAktiv->setStyleSheet("background: lime; border: 1px solid #008000; font-weight: bold;");
    PanelAktiv->setVisible(false);
    h->addWidget(PanelAktiv);
    h->addSpacing(12);
    btnTCP = button("btnTCP", "TCP", "Datenanzeige", QStyle::SP_CustomBase);
    btnTCP->setVisible(false);
    h->addStretch(1);
    ImageLogo = new QLabel(PanelTop);
    ImageLogo->setObjectName("ImageLogo");
    ImageLogo->setPixmap(LogoPixmap());
    h->addWidget(ImageLogo);

    connect(BtExit, &QToolButton::clicked, this, &QWidget::close);
    connect(BtAnzeige, &QToolButton::clicked, this, &TFormMain::BtAnzeigeClick);
    connect(BtOpen, &QToolButton::clicked, this, &TFormMain::OpenTableCommand);
    connect(BtDiagramm, &QToolButton::clicked, this, &TFormMain::DiagramCommand);
    connect(btnTCP, &QToolButton::clicked, this, [this] {
        if (links_.ShowBridgeWindow) links_.ShowBridgeWindow();
    });
}

void TFormMain::BuildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    MenuDatei = AddMenu(bar, "MnDatei", "&Datei", "Dateibefehle");
    MnNeu = AddItem(MenuDatei, "MnNeu", "&Neu", "Neue Datei erzeugen");
    MnOeffnen = AddItem(MenuDatei, "MnOeffnen", "Ö&ffnen", "Existierende Datei öffnen");
    MnSchliessen = AddItem(MenuDatei, "MnSchliessen", "S&chließen", "Aktuelle Datei schließen");
    MenuDatei->addSeparator();
    MnDiagramm = AddItem(MenuDatei, "MnDiagramm", "Diagramm");
    MnDrucken = AddItem(MenuDatei, "MnDrucken", "Drucken");
    MnDruckerSetup = AddItem(MenuDatei, "MnDruckerSetup", "Drucker Setup");
    MenuDatei->addSeparator();
    MnBeenden = AddItem(MenuDatei, "MnBeenden", "&Beenden", "Anwendung beenden");

    MenuFenster = AddMenu(bar, "MnFenster", "&Fenster", "Befehle zum Anordnen von Fenstern");
    MnUeberlappend =
        AddItem(MenuFenster, "MnUeberlappend", "Ü&berlappend", "Fenster überlappend anordnen");
    MnNebeneinander = AddItem(MenuFenster, "MnNebeneinander", "&Nebeneinander",
                              "Fenster nicht überlappend anordnen");
    MnSymbole = AddItem(MenuFenster, "MnSymbole", "&Symbole anordnen",
                        "Fenstersymbole am unteren Rand des Hauptfensters anordnen");
    MnAlleVerkleinern =
        AddItem(MenuFenster, "MnAlleVerkleinern", "&Alle verkleinern", "Alle Fenster verkleinern");

    MenuSonder = AddMenu(bar, "MnSonder", "Sonderfunktionen");
    MnProfile = AddItem(MenuSonder, "MnProfile", "Diagrammprofile");
    MnSchnittstelle = AddItem(MenuSonder, "MnSchnittstelle", "Serielle Schnittstelle");
    MnKonfig = AddItem(MenuSonder, "MnKonfig", "Programmkonfiguration");

    // Filled with one item per language file when the window is first translated.
    MenuSprache = AddMenu(bar, "MnSprachen", "Sprache");

    MenuHilfe = AddMenu(bar, "MnHilfeMenu", "&Hilfe", "Hilfethemen");
    MnInfo = AddItem(MenuHilfe, "MnInfo", "Inf&o");
    MnHilfe = AddItem(MenuHilfe, "MnHilfe", "Hilfe");
    MnNutzung = AddItem(MenuHilfe, "MnNutzung", "Nutzungsbedingungen");

    connect(MnNeu, &QAction::triggered, this, &TFormMain::NewTableCommand);
    connect(MnSchliessen, &QAction::triggered, this, &TFormMain::CloseChildCommand);
    connect(MnDiagramm, &QAction::triggered, this, &TFormMain::DiagramCommand);
    connect(MnDrucken, &QAction::triggered, this, &TFormMain::PrintCommand);
    connect(MnDruckerSetup, &QAction::triggered, this, [this] {
        if (children_.PrinterSetup) children_.PrinterSetup();
    });
    connect(MnBeenden, &QAction::triggered, this, &QWidget::close);
    connect(MnUeberlappend, &QAction::triggered, MdiArea, &QMdiArea::cascadeSubWindows);
    connect(MnNebeneinander, &QAction::triggered, MdiArea, &QMdiArea::tileSubWindows);
    connect(MnSymbole, &QAction::triggered, this, &TFormMain::ArrangeIcons);
    connect(MnAlleVerkleinern, &QAction::triggered, this, &TFormMain::MinimizeAll);
    // Hints go to the status line; they are read when shown so that translated hints appear.
    for (QMenu* m : {MenuDatei, MenuFenster, MenuSonder, MenuSprache, MenuHilfe})
        connect(m, &QMenu::hovered, this, [this](QAction* a) {
            QString caption = a->text();
            caption.remove('&');
            const QString hint = a->toolTip() == caption ? QString() : a->toolTip();
            statusBar()->showMessage(hint);
        });
    connect(MenuFenster, &QMenu::aboutToShow, this, &TFormMain::FillWindowList);
    connect(MnProfile, &QAction::triggered, this, [this] {
        if (children_.ShowProfiles) children_.ShowProfiles();
    });
    connect(MnSchnittstelle, &QAction::triggered, this, &TFormMain::SerialPortCommand);
    connect(MnKonfig, &QAction::triggered, this, [] { ConfigurationCommand(); });
    connect(MnInfo, &QAction::triggered, this, &TFormMain::AboutCommand);
    connect(MnHilfe, &QAction::triggered, this, &TFormMain::HelpCommand);
    connect(MnNutzung, &QAction::triggered, this, &TFormMain::TermsCommand);
}

void TFormMain::SetLinks(MainLinks links) {
    links_ = std::move(links);
    UpdateMenuItems();
}

void TFormMain::SetChildren(MainChildren children) {
    children_ = std::move(children);
    UpdateMenuItems();
}

void TFormMain::setAcquisitionWindow(QWidget* window) {
    acquisition_ = window;
    UpdateMenuItems();
}

QWidget* TFormMain::ActiveChild() const {
    QMdiSubWindow* sub = MdiArea->activeSubWindow();
    return sub ? sub->widget() : nullptr;
}

void TFormMain::UpdateMenuItems() {
    const bool hasChildren = !MdiArea->subWindowList().isEmpty();
    for (QAction* a : {MnSchliessen, MnUeberlappend, MnNebeneinander, MnSymbole, MnAlleVerkleinern})
        a->setEnabled(hasChildren);
    QWidget* active = ActiveChild();
    const bool tableActive = active && TableWindow && active == TableWindow.data();
    const bool canDiagram =
        tableActive && bool(children_.CreateDiagramWindow) && bool(children_.TablePath);
    BtDiagramm->setEnabled(canDiagram);
    MnDiagramm->setEnabled(canDiagram);
    const bool canTable = bool(children_.CreateTableWindow);
    BtOpen->setEnabled(canTable);
    MnNeu->setEnabled(canTable);
    MnOeffnen->setEnabled(false);
    MnDrucken->setEnabled(bool(children_.PrintChild) && active &&
                          (active == TableWindow.data() || active == DiagramWindow.data()));
    MnDruckerSetup->setEnabled(bool(children_.PrinterSetup));
    MnProfile->setEnabled(bool(children_.ShowProfiles));
    MnSchnittstelle->setEnabled(bool(acquisition_));
    btnTCP->setEnabled(bool(links_.ShowBridgeWindow));
}

void TFormMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    TranslateForm(this);
}

void TFormMain::FormActivate() {
    btnTCP->setVisible(Settings.TcpButton);
    if (links_.PortText && links_.PortText().isEmpty()) ShowInfoDialog(StrHolder1->at(4));
}

void TFormMain::TimerAktivTimer() {
    const bool flowing =
        acquisition_ && links_.LinkConnected && links_.LinkConnected() && NoDataTicks < 10;
    if (PanelAktiv->isVisible() != flowing) PanelAktiv->setVisible(flowing);
}

void TFormMain::BtAnzeigeClick() {
    ShowCurrentValues(MdiArea);
}

void TFormMain::OpenTableCommand() {
    if (!children_.CreateTableWindow) return;
    if (TableWindow) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(TableWindow->parentWidget()))
            MdiArea->setActiveSubWindow(sub);
        TableWindow->raise();
        return;
    }
    // The dialog starts in the data folder and afterwards where the user went last.
    DialogRequest r{DialogKind::OpenFile,
                    {},
                    "Öffnen",
                    tableFolder_.isEmpty() ? Settings.Datenpfad : tableFolder_,
                    "Messdaten *.dbf (*.dbf);;Alle Dateien (*)",
                    {}};
    const DialogAnswer a = RunDialog(r);
    if (!a.accepted || a.text.isEmpty()) return;
    QString path = a.text;
    if (QFileInfo(path).suffix().isEmpty()) path += ".DBF";
    tableFolder_ = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(path)) {
        const QString templ = ProgramFile("file.new");
        if (!QFileInfo::exists(templ)) {
            ShowErrorDialog(StrHolder1->at(0));
            return;
        }
        CopyFileKeepDate(templ, path);
    }
    OpenTableFile(path);
}

void TFormMain::NewTableCommand() {
    if (!children_.CreateTableWindow) return;
    DialogRequest r{DialogKind::SaveFile,      {}, "Neue Datei anlegen", Settings.Datenpfad,
                    "Meßdatentabelle (*.dbf)", {}};
    const DialogAnswer a = RunDialog(r);
    if (!a.accepted || a.text.isEmpty()) return;
    QString path = a.text;
    if (QFileInfo(path).suffix().isEmpty()) path += ".dbf";
    const QString templ = ProgramFile("file.new");
    if (!QFileInfo::exists(templ)) {
        ShowErrorDialog(StrHolder1->at(0));
        return;
    }
    if (QFileInfo::exists(path)) {
        if (!AskQuestionDialog("Datei exisitert, überschreiben ?")) return;
        QFile::remove(path);
    }
    CopyFileKeepDate(templ, path);
    OpenTableFile(path);
}

void TFormMain::OpenTableFile(const QString& path) {
    // Table names are capitalised with umlauts spelled out. Only the file name is: on this
    // system the folders above it keep their case, or the path would lead nowhere.
    const QFileInfo fi(path);
    const QString name = fi.absolutePath() + "/" + CapitalizeSpelled(fi.fileName());
    TableWindow = children_.CreateTableWindow(MdiArea, name);
    UpdateMenuItems();
}

void TFormMain::DiagramCommand() {
    if (DiagramWindow) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(DiagramWindow->parentWidget()))
            MdiArea->setActiveSubWindow(sub);
        DiagramWindow->raise();
        return;
    }
    if (TableWindow && children_.CreateDiagramWindow && children_.TablePath)
        DiagramWindow = children_.CreateDiagramWindow(MdiArea, children_.TablePath(TableWindow));
    UpdateMenuItems();
}

void TFormMain::PrintCommand() {
    QWidget* active = ActiveChild();
    if (children_.PrintChild && active &&
        (active == TableWindow.data() || active == DiagramWindow.data()))
        children_.PrintChild(active);
}

void TFormMain::CloseChildCommand() {
    if (QMdiSubWindow* sub = MdiArea->activeSubWindow()) sub->close();
}

void TFormMain::SerialPortCommand() {
    if (!acquisition_) return;
    if (auto* dialog = qobject_cast<QDialog*>(acquisition_.data())) {
        dialog->exec();
    } else {
        acquisition_->setWindowModality(Qt::ApplicationModal);
        acquisition_->show();
    }
}

void TFormMain::AboutCommand() {
    TAboutBox box(this);
    box.exec();
}

void TFormMain::TermsCommand() {
    TFormDisclaim terms(this);
    terms.exec();
}

void TFormMain::HelpCommand() {
    OpenHelpDocument("kurim");
}

void TFormMain::FillWindowList() {
    qDeleteAll(windowListActions_);
    windowListActions_.clear();
    const auto subs = MdiArea->subWindowList();
    if (subs.isEmpty()) return;
    windowListActions_ << MenuFenster->addSeparator();
    int n = 1;
    for (QMdiSubWindow* sub : subs) {
        auto* a = MenuFenster->addAction(QString("&%1 %2").arg(n++).arg(sub->windowTitle()));
        a->setCheckable(true);
        a->setChecked(sub == MdiArea->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, sub = QPointer<QMdiSubWindow>(sub)] {
            if (sub) MdiArea->setActiveSubWindow(sub);
        });
        windowListActions_ << a;
    }
}

void TFormMain::ArrangeIcons() {
    // Minimized child windows are lined up along the bottom edge of the frame.
    int x = 0;
    for (QMdiSubWindow* sub : MdiArea->subWindowList()) {
        if (!sub->isMinimized()) continue;
        const QSize s = sub->size();
        sub->move(x, MdiArea->viewport()->height() - s.height());
        x += s.width();
    }
}

void TFormMain::MinimizeAll() {
    const auto subs = MdiArea->subWindowList();
    for (auto it = subs.rbegin(); it != subs.rend(); ++it)
        (*it)->showMinimized();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PanelTop && event->type() == QEvent::MouseButtonPress) update();
    return QMainWindow::eventFilter(watched, event);
}

void TFormMain::closeEvent(QCloseEvent* event) {
    // Ending the event loop closes the windows once more: the shutdown has run already.
    if (shutDown_) {
        event->accept();
        return;
    }
    if (!closing_) {
        if (!AskQuestionDialog(StrHolder1->at(3))) {
            event->ignore();
            return;
        }
        // Child windows close first, so that a recording table is finished properly; one that
        // refuses keeps the program running.
        MdiArea->closeAllSubWindows();
        if (!MdiArea->subWindowList().isEmpty()) {
            event->ignore();
            return;
        }
        closing_ = true;
    }
    TimerAktiv->stop();
    if (links_.EndBleMode) links_.EndBleMode();
    if (links_.StopBridge) links_.StopBridge();
    if (links_.CloseLink) links_.CloseLink();
    Placement p;
    p.rect = normalGeometry().isValid() ? normalGeometry() : geometry();
    p.state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
    WritePlacement(PlacementStore::WindowStateFile, "Main", p);
    SaveSettings();
    shutDown_ = true;
    event->accept();
    emit closed();
}
