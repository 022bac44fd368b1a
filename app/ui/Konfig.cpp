#include "app/ui/Konfig.h"
#include "app/Global.h"
#include "app/StrHolder.h"
#include "app/Utils.h"
#include "app/ui/Main.h"
#include "language/ui/Translate.h"
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace {

QLabel* Note(QWidget* parent, const char* name, const QString& text, bool bold = false) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setStyleSheet(bold ? "color: maroon; font-weight: bold;" : "color: maroon;");
    return l;
}

QLabel* FieldLabel(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QDoubleSpinBox* VolField(QWidget* parent, const char* name) {
    auto* e = new QDoubleSpinBox(parent);
    e->setObjectName(name);
    e->setLocale(QLocale(QLocale::German, QLocale::Germany));
    e->setDecimals(1);
    e->setRange(0.0, 100.0);
    e->setSingleStep(0.1);
    e->setSuffix(" Vol %");
    e->setMinimumWidth(110);
    return e;
}

// The fields hold one decimal; a setting with more is compared as the field shows it.
double OneDecimal(double x) {
    return std::round(x * 10.0) / 10.0;
}

} // namespace

TFormKonfig::TFormKonfig(QWidget* parent) : QDialog(parent) {
    setObjectName("FormKonfig");
    setWindowTitle("Programmkonfiguration");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    StrHolder1 = new TStrHolder(
        "StrHolder1", {"Neue Einstellungen speichern ?", "1", "2", "3", "4", "5", "6", "7"}, this);

    auto* g1 = new QGroupBox(this);
    g1->setObjectName("GroupBox1");
    auto* l1 = new QGridLayout(g1);
    l1->addWidget(Note(g1, "Label1", "Mit dem Standard-Datenpfad legen Sie"), 0, 0, 1, 3);
    l1->addWidget(Note(g1, "Label2", "den Pfad für den Dateidialog fest."), 1, 0, 1, 3);
    l1->addWidget(FieldLabel(g1, "Label3", "Standard-Datenpfad"), 2, 0);
    EditDatendir = new QLineEdit(g1);
    EditDatendir->setObjectName("EditDatendir");
    EditDatendir->setMinimumWidth(300);
    BtDatendir = new QToolButton(g1);
    BtDatendir->setObjectName("BtDatendir");
    BtDatendir->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    l1->addWidget(EditDatendir, 2, 1);
    l1->addWidget(BtDatendir, 2, 2);

    auto* g2 = new QGroupBox(this);
    g2->setObjectName("GroupBox2");
    auto* l2 = new QGridLayout(g2);
    l2->addWidget(Note(g2, "Label4", "Bei Datenspeicherung \"Nur Betrieb\", werden "), 0, 0, 1, 2);
    l2->addWidget(
        Note(g2, "Label5", "Datensätze nur dann gespeichert, wenn die O2-Aktivitätsgrenze"), 1, 0,
        1, 2);
    l2->addWidget(Note(g2, "Label6", "unterschritten wird."), 2, 0, 1, 2);
    l2->addWidget(FieldLabel(g2, "Label7", "O2 Aktivitätsgrenze"), 3, 0);
    EditO2 = VolField(g2, "EditO2");
    l2->addWidget(EditO2, 3, 1, Qt::AlignLeft);
    l2->setColumnStretch(1, 1);

    auto* g3 = new QGroupBox(this);
    g3->setObjectName("GroupBox3");
    auto* l3 = new QGridLayout(g3);
    l3->addWidget(Note(g3, "Label8", "Mit Anzeige in mg/m³ legen Sie die Umrechnung der "), 0, 0, 1,
                  2);
    l3->addWidget(Note(g3, "Label9", "Konzentrationen für die toxischen Gase fest."), 1, 0, 1, 2);
    CB_mg = new QCheckBox("Anzeige in  mg/m³", g3);
    CB_mg->setObjectName("CB_mg");
    CBBezug = new QCheckBox("O2-Bezugrechnung", g3);
    CBBezug->setObjectName("CBBezug");
    EditBezugO2 = VolField(g3, "EditBezugO2");
    CBbonus = new QCheckBox("Bonusrechnung erlauben", g3);
    CBbonus->setObjectName("CBbonus");
    l3->addWidget(CB_mg, 2, 0, 1, 2);
    l3->addWidget(CBBezug, 3, 0, 1, 2);
    l3->addWidget(FieldLabel(g3, "Label10", "O2 Bezugswert"), 4, 0);
    l3->addWidget(EditBezugO2, 4, 1, Qt::AlignLeft);
    l3->addWidget(CBbonus, 5, 0, 1, 2);
    l3->addWidget(Note(g3, "Label11", "ACHTUNG : in Tabellen keine Einheiten mischen !", true), 6,
                  0, 1, 2);
    l3->addWidget(Note(g3, "Label12", "Diagrammprofile passend einstellen", true), 7, 0, 1, 2);
    l3->setColumnStretch(1, 1);

    BtHilfe = new QPushButton("?", this);
    BtHilfe->setFixedWidth(32);
    BtHilfe->setStyleSheet("font-weight: bold;");
    BtHilfe->setObjectName("BtHilfe");
    BtHilfe->setToolTip("Hilfe aufrufen");
    BtClose = new QPushButton("Schließen", this);
    BtClose->setObjectName("BtClose");
    BtClose->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtHilfe);
    buttons->addStretch(1);
    buttons->addWidget(BtClose);

    auto* v = new QVBoxLayout(this);
    v->addWidget(g1);
    v->addWidget(g2);
    v->addWidget(g3);
    v->addLayout(buttons);
    v->setSizeConstraint(QLayout::SetFixedSize);

    connect(BtDatendir, &QToolButton::clicked, this, &TFormKonfig::PickFolder);
    connect(BtHilfe, &QPushButton::clicked, this, [] { OpenHelpDocument("Konfiguration"); });
    connect(BtClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TFormKonfig::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    TranslateForm(this);
}

void TFormKonfig::PickFolder() {
    QFileDialog dialog(this, "Standard-Datenpfad", EditDatendir->text());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontUseNativeDialog); // offers "create folder"
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        EditDatendir->setText(dialog.selectedFiles().first());
}

void TFormKonfig::FillFromSettings() {
    EditDatendir->setText(Settings.Datenpfad);
    EditO2->setValue(Settings.AktivO2);
    CB_mg->setChecked(Settings.MG);
    CBBezug->setChecked(Settings.BEZUG);
    EditBezugO2->setValue(Settings.Bezugo2);
    CBbonus->setChecked(Settings.BONUS);
}

bool TFormKonfig::DiffersFromSettings() const {
    return EditO2->value() != OneDecimal(Settings.AktivO2) ||
           EditBezugO2->value() != OneDecimal(Settings.Bezugo2) ||
           EditDatendir->text() != Settings.Datenpfad || CB_mg->isChecked() != Settings.MG ||
           CBBezug->isChecked() != Settings.BEZUG || CBbonus->isChecked() != Settings.BONUS;
}

void TFormKonfig::StoreIntoSettings() {
    Settings.AktivO2 = EditO2->value();
    QString dir = EditDatendir->text();
    if (!dir.isEmpty() && !dir.endsWith('/')) dir += '/';
    Settings.Datenpfad = dir;
    Settings.MG = CB_mg->isChecked();
    Settings.BEZUG = CBBezug->isChecked();
    Settings.Bezugo2 = EditBezugO2->value();
    Settings.BONUS = CBbonus->isChecked();
}

namespace {

// A window counts as open when it is visible and its "tag" property is 0 (the default): the
// long-lived hidden windows do not count, nor do windows that mark themselves with a tag.
bool IsOpenWindow(const QWidget* w) {
    return w->isVisible() && w->property("tag").toInt() == 0 && w->objectName() != "FormMain" &&
           w->objectName() != "FormKonfig";
}

bool OtherWindowsOpen() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if ((w->windowType() == Qt::Window || w->windowType() == Qt::Dialog) && IsOpenWindow(w))
            return true;
    if (FormMain)
        for (QMdiSubWindow* sub : FormMain->MdiArea->subWindowList())
            if (IsOpenWindow(sub) && (!sub->widget() || IsOpenWindow(sub->widget()))) return true;
    return false;
}

} // namespace

void ConfigurationCommand() {
    TFormKonfig dialog(FormMain);
    if (OtherWindowsOpen()) {
        InfoBox(FormMain ? FormMain->StrHolder1->at(6)
                         : QString("Bitte schliessen Sie zuerst alle geöffneten Unterfenster!"));
        return;
    }
    dialog.FillFromSettings();
    dialog.exec();
    if (!dialog.DiffersFromSettings()) return;
    if (!ConfirmBox(dialog.StrHolder1->at(0))) return;
    dialog.StoreIntoSettings();
    SaveSettings();
}
