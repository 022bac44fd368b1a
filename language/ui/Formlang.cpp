#include "language/ui/Formlang.h"
#include "app/DialogHook.h"
#include "app/Global.h"
#include "app/StrHolder.h"
#include "app/Utils.h"
#include "language/Language.h"
#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QTextBlock>
#include <QTextDocument>

TFormlang* Formlang = nullptr;

namespace {

// The file dialogs start in the program folder with the current language file preset.
QString DialogStart() {
    if (LanguageFile.isEmpty()) return ProgramFolder;
    if (LanguageFile.contains(QLatin1Char('/'))) return LanguageFile;
    return ProgramFolder + LanguageFile;
}

// The editor's lines as typed. toPlainText() would turn every non-breaking space into a plain
// one and so change texts such as "10 %" on each update.
QStringList MemoLines(const QPlainTextEdit* memo) {
    const QTextDocument* doc = memo->document();
    if (doc->isEmpty()) return {};
    QStringList lines;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        lines += b.text().split(QChar::LineSeparator);
    return lines;
}

} // namespace

TFormlang::TFormlang(QWidget* parent) : QMainWindow(parent, Qt::Window) {
    setObjectName(QStringLiteral("Formlang"));
    setWindowTitle(QStringLiteral("Sprachverwaltung"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    resize(640, 460);

    Meldungen = new TStrHolder(QStringLiteral("Meldungen"),
                               {QStringLiteral("Kein Formular gewählt")}, this);

    MnDatei = menuBar()->addMenu(QStringLiteral("Datei"));
    MnDatei->setObjectName(QStringLiteral("MnDatei"));
    MnOeffnen = MnDatei->addAction(QStringLiteral("Öffnen"), this, &TFormlang::OeffnenClick);
    MnOeffnen->setObjectName(QStringLiteral("MnOeffnen"));
    MnSpeichern = MnDatei->addAction(QStringLiteral("Speichern"), this, &TFormlang::SpeichernClick);
    MnSpeichern->setObjectName(QStringLiteral("MnSpeichern"));
    MnSpeichernAls =
        MnDatei->addAction(QStringLiteral("Speichern als"), this, &TFormlang::SpeichernAlsClick);
    MnSpeichernAls->setObjectName(QStringLiteral("MnSpeichernAls"));
    MnDatei->addSeparator();
    MnEnde = MnDatei->addAction(QStringLiteral("Ende"), this, &TFormlang::EndeClick);
    MnEnde->setObjectName(QStringLiteral("MnEnde"));

    MnText = menuBar()->addMenu(QStringLiteral("Text"));
    MnText->setObjectName(QStringLiteral("MnText"));
    MnUpdaten = MnText->addAction(QStringLiteral("Updaten"), this, &TFormlang::UpdatenClick);
    MnUpdaten->setObjectName(QStringLiteral("MnUpdaten"));

    MnListe = menuBar()->addMenu(QStringLiteral("Liste"));
    MnListe->setObjectName(QStringLiteral("MnListe"));
    MnEintragLoeschen = MnListe->addAction(QStringLiteral("Eintrag löschen"), this,
                                           &TFormlang::EintragLoeschenClick);
    MnEintragLoeschen->setObjectName(QStringLiteral("MnEintragLoeschen"));

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    FormList = new QListWidget(Splitter1);
    FormList->setObjectName(QStringLiteral("FormList"));
    Memo = new QPlainTextEdit(Splitter1);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Splitter1->addWidget(FormList);
    Splitter1->addWidget(Memo);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({170, 470});
    setCentralWidget(Splitter1);

    connect(FormList, &QListWidget::currentRowChanged, this, &TFormlang::FormListClick);
    connect(Memo, &QPlainTextEdit::textChanged, this, &TFormlang::MemoChange);

    if (!Formlang) Formlang = this;
    TableReloaded();
}

TFormlang::~TFormlang() {
    if (Formlang == this) Formlang = nullptr;
}

TFormlang* EnsureLanguageWindow() {
    if (!Formlang) {
        auto* w = new TFormlang(nullptr);
        if (auto* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, w, &QObject::deleteLater);
    }
    return Formlang;
}

void TFormlang::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        if (QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    QMainWindow::showEvent(event);
}

void TFormlang::TableReloaded() {
    {
        const QSignalBlocker block(FormList);
        FormList->clear();
        for (const LanguageSection& s : Translation.sections)
            FormList->addItem(s.name);
    }
    if (Translation.Count() > 0) {
        FormList->setCurrentRow(0);
        ShowSection(0);
    } else {
        ShowSection(-1);
    }
}

void TFormlang::TableGrew() {
    const QSignalBlocker block(FormList);
    for (int i = FormList->count(); i < Translation.Count(); ++i)
        FormList->addItem(Translation.sections[i].name);
}

void TFormlang::ShowSection(int row) {
    {
        const QSignalBlocker block(Memo);
        if (row >= 0 && row < Translation.Count())
            Memo->setPlainText(Translation.sections[row].lines.join(QLatin1Char('\n')));
        else
            Memo->clear();
    }
    Modified = false;
}

void TFormlang::FormListClick(int row) {
    if (row >= 0) ShowSection(row);
}

void TFormlang::MemoChange() {
    Modified = true;
}

void TFormlang::UpdatenClick() {
    const int row = FormList->currentRow();
    if (row < 0 || row >= Translation.Count()) {
        InfoBox(Meldungen->at(0));
        return;
    }
    Translation.sections[row].lines = MemoLines(Memo);
    Modified = false;
}

void TFormlang::EintragLoeschenClick() {
    const int row = FormList->currentRow();
    if (row < 0 || row >= Translation.Count()) return;
    Translation.sections.removeAt(row);
    // The editor keeps showing the removed lines and no other section becomes selected.
    const QSignalBlocker block(FormList);
    delete FormList->takeItem(row);
    FormList->setCurrentRow(-1);
    FormList->clearSelection();
}

void TFormlang::OeffnenClick() {
    DialogRequest r{DialogKind::OpenFile,
                    {},
                    QStringLiteral("Öffnen"),
                    DialogStart(),
                    QStringLiteral("Sprach-Datei -*.lng (*.lng);;Alle Dateien (*)"),
                    LanguageFile};
    const DialogAnswer a = RunDialog(r);
    if (a.accepted && !a.text.isEmpty()) {
        LanguageFile = a.text;
        if (LoadLanguageFile(LanguageFile)) TableReloaded();
    }
    setWindowTitle(LanguageFile);
}

void TFormlang::SpeichernClick() {
    if (Modified) UpdatenClick();
    // Without a file name there is nowhere to save: ask for one instead of failing.
    if (!HasNonBlank(LanguageFile)) {
        SpeichernAlsClick();
        return;
    }
    WriteTable(LanguageFile);
}

void TFormlang::SpeichernAlsClick() {
    if (Modified) UpdatenClick();
    DialogRequest r{DialogKind::SaveFile, {}, QStringLiteral("Speichern als"),
                    DialogStart(),        {}, LanguageFile};
    const DialogAnswer a = RunDialog(r);
    if (a.accepted && !a.text.isEmpty()) {
        LanguageFile = a.text;
        WriteTable(LanguageFile);
    }
    setWindowTitle(LanguageFile);
}

void TFormlang::EndeClick() {
    hide();
}

bool TFormlang::WriteTable(const QString& path) {
    QString error;
    if (WriteLanguageFile(path, Translation, &error)) return true;
    ErrorBox(error);
    return false;
}
