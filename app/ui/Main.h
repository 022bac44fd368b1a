#pragma once
// The main window: an MDI frame with the toolbar, the menus, the "Daten aktiv" indicator, the
// question before the program ends and the shutdown of the device links.
#include <QMainWindow>
#include <QPointer>
#include <functional>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolButton;
class TStrHolder;

// What the main window needs from the device links. The start-up fills these in once the link
// objects exist; an empty entry means "no such link".
struct MainLinks {
    std::function<void()> EndBleMode;       // BleMode := false, then close the dongle
    std::function<void()> StopBridge;       // end the bridge program
    std::function<void()> CloseLink;        // close the serial link of the acquisition window
    std::function<bool()> LinkConnected;    // serial link open, bridge or dongle connected
    std::function<QString()> PortText;      // what the acquisition window's port field shows
    std::function<void()> ShowBridgeWindow; // the bridge test panel, modal ("TCP")
};

// Windows that come with their own subsystems. A command whose entry is empty shows disabled.
struct MainChildren {
    // Creates the measurement table window in `area` and opens `path` in it.
    std::function<QWidget*(QMdiArea* area, const QString& path)> CreateTableWindow;
    // The full path of the table a table window shows.
    std::function<QString(QWidget* tableWindow)> TablePath;
    // Creates the diagram window in `area` for a table path.
    std::function<QWidget*(QMdiArea* area, const QString& tablePath)> CreateDiagramWindow;
    // Prints a child window (table report for a table window, diagram report for a diagram).
    std::function<void(QWidget* child)> PrintChild;
    std::function<void()> PrinterSetup; // the printer set-up dialog of the output window
    std::function<void()> ShowProfiles; // the profile window, modal
};

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    void SetLinks(MainLinks links);
    void SetChildren(MainChildren children);
    // The acquisition window shown modally by "Serielle Schnittstelle"; nullptr disables it.
    void setAcquisitionWindow(QWidget* window);
    QWidget* acquisitionWindow() const { return acquisition_; }

    // Handlers, named as a reader of the description expects them.
    void BtAnzeigeClick();
    void OpenTableCommand();
    void NewTableCommand();
    void DiagramCommand();
    void PrintCommand();
    void CloseChildCommand();
    void SerialPortCommand();
    void AboutCommand();
    void TermsCommand();
    void HelpCommand();
    void FormActivate(); // the main window became active from outside the program
    void TimerAktivTimer();
    void UpdateMenuItems(); // the enabling rules that follow the active child window

    QMdiArea* MdiArea = nullptr;
    QWidget* PanelTop = nullptr;
    QToolButton* BtExit = nullptr;
    QToolButton* BtAnzeige = nullptr;
    QToolButton* BtOpen = nullptr;
    QToolButton* BtDiagramm = nullptr;
    QLabel* PanelAktiv = nullptr;
    QToolButton* btnTCP = nullptr;
    QLabel* ImageLogo = nullptr;
    QTimer* TimerAktiv = nullptr;
    TStrHolder* StrHolder1 = nullptr;

    QMenu* MenuDatei = nullptr;
    QAction* MnNeu = nullptr;
    QAction* MnOeffnen = nullptr;
    QAction* MnSchliessen = nullptr;
    QAction* MnDiagramm = nullptr;
    QAction* MnDrucken = nullptr;
    QAction* MnDruckerSetup = nullptr;
    QAction* MnBeenden = nullptr;
    QMenu* MenuFenster = nullptr;
    QAction* MnUeberlappend = nullptr;
    QAction* MnNebeneinander = nullptr;
    QAction* MnSymbole = nullptr;
    QAction* MnAlleVerkleinern = nullptr;
    QMenu* MenuSonder = nullptr;
    QAction* MnProfile = nullptr;
    QAction* MnSchnittstelle = nullptr;
    QAction* MnKonfig = nullptr;
    QMenu* MenuSprache = nullptr;
    QMenu* MenuHilfe = nullptr;
    QAction* MnInfo = nullptr;
    QAction* MnHilfe = nullptr;
    QAction* MnNutzung = nullptr;

    // The one table window and the one diagram window while they exist.
    QPointer<QWidget> TableWindow;
    QPointer<QWidget> DiagramWindow;

signals:
    void closed(); // the program ends with the main window

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildToolbar();
    void BuildMenus();
    void FillWindowList();
    void ArrangeIcons();
    void MinimizeAll();
    QWidget* ActiveChild() const;
    void OpenTableFile(const QString& path);

    MainLinks links_;
    MainChildren children_;
    QPointer<QWidget> acquisition_;
    QList<QAction*> windowListActions_;
    QString tableFolder_;
    bool closing_ = false;  // the user said yes; child windows are closed
    bool shutDown_ = false; // links closed and settings written
};

// The main window while it exists.
extern QPointer<TFormMain> FormMain;
