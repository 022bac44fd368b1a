#pragma once
// The language window: shows the loaded language table one section at a time, lets the
// maintainer edit a section as plain text, delete sections and write the table to a file.
// It lives for the whole run and is shown only in collecting mode; it is not translated.
#include <QMainWindow>

class QAction;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class TStrHolder;

class TFormlang : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormlang(QWidget* parent = nullptr);
    ~TFormlang() override;

    QListWidget* FormList = nullptr;
    QSplitter* Splitter1 = nullptr;
    QPlainTextEdit* Memo = nullptr;
    QMenu* MnDatei = nullptr;
    QAction* MnOeffnen = nullptr;
    QAction* MnSpeichern = nullptr;
    QAction* MnSpeichernAls = nullptr;
    QAction* MnEnde = nullptr;
    QMenu* MnText = nullptr;
    QAction* MnUpdaten = nullptr;
    QMenu* MnListe = nullptr;
    QAction* MnEintragLoeschen = nullptr;
    TStrHolder* Meldungen = nullptr;

    // Set when Memo was edited since it last received a section or was stored.
    bool Modified = false;

    // The table was rebuilt from a file: list its sections and show the first.
    void TableReloaded();
    // Sections were appended to the table (collecting): list them too.
    void TableGrew();

    // Menu commands.
    void UpdatenClick();
    void EintragLoeschenClick();
    void OeffnenClick();
    void SpeichernClick();
    void SpeichernAlsClick();
    void EndeClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormListClick(int row);
    void MemoChange();
    void ShowSection(int row);
    bool WriteTable(const QString& path);
    bool centred_ = false;
};

// The one language window; null until it is created (start-up creates it).
extern TFormlang* Formlang;
// Creates the language window when it does not exist yet; it is destroyed when the
// application quits.
TFormlang* EnsureLanguageWindow();
