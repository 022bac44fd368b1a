#include "app/ui/Disclaim.h"
#include "app/Ansi.h"
#include "app/Global.h"
#include "app/Utils.h"
#include "app/ui/About.h"
#include "language/ui/Translate.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

// Shown when neither terms file can be read.
const char* const BuiltInTerms[] = {
    "Nutzungsbedingungen",
    "",
    "Dieses Programm dient der Erfassung, Anzeige und Aufzeichnung von Messwerten",
    "tragbarer Abgasanalysegeräte. Es ersetzt weder die Prüfung der Messgeräte",
    "noch die fachkundige Beurteilung der Messergebnisse.",
    "",
    "Die angezeigten und gespeicherten Werte stammen vom angeschlossenen Messgerät.",
    "Für Übertragungsfehler, unterbrochene Verbindungen und die daraus folgenden",
    "Werte wird keine Gewähr übernommen.",
    "",
    "Die Nutzung erfolgt auf eigene Verantwortung. Eine Haftung für Schäden, die",
    "aus der Nutzung des Programms oder der damit erstellten Berichte entstehen,",
    "ist ausgeschlossen, soweit das Gesetz dies zulässt.",
};

// Terms texts are short; anything much larger is not a terms file.
constexpr qint64 MaxTermsBytes = 1024 * 1024;

} // namespace

TFormDisclaim::TFormDisclaim(QWidget* parent) : QDialog(parent) {
    setObjectName("FormDisclaim");
    setWindowTitle(QString("Nutzungsbestimmungen ") + MakerName);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setSelectionMode(QAbstractItemView::NoSelection);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(ListBox1);
    resize(640, 480);

    LoadLanguage();
    TranslateForm(this);
    const QString name = GermanLanguage ? "Disclaim_de.txt" : "Disclaim_en.txt";
    // The program folder first, then the current folder.
    QString path = FindFileNoCase(ProgramFolder, name);
    if (!QFileInfo::exists(path)) path = FindFileNoCase(QDir::currentPath() + "/", name);
    QFile probe(path);
    QByteArray bytes;
    if (probe.open(QIODevice::ReadOnly) && ReadFileLimited(path, bytes, MaxTermsBytes) &&
        probe.size() <= MaxTermsBytes) {
        QString text = FromAnsi(bytes);
        text.replace("\r\n", "\n").replace('\r', '\n');
        QStringList lines = text.split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
        ListBox1->addItems(lines);
        LoadedFrom = path;
    } else {
        const QString why =
            probe.error() != QFileDevice::NoError ? probe.errorString() : QString("Datei zu groß");
        ErrorBox(name + ": " + why);
        for (const char* line : BuiltInTerms)
            ListBox1->addItem(QString::fromUtf8(line));
    }
}
