#include "app/ui/About.h"
#include "app/Global.h"
#include "language/ui/Translate.h"
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

const char* const MakerName = "QAN Analysentechnik";

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName("AboutBox");
    setWindowTitle("Info");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    Memo1 = new QLabel(this);
    Memo1->setObjectName("Memo1");
    Memo1->setAlignment(Qt::AlignCenter);
    Memo1->setTextFormat(Qt::PlainText);
    Memo1->setStyleSheet("color: navy; font-weight: bold;");
    QFont f("Arial");
    f.setPixelSize(16);
    Memo1->setFont(f);
    Memo1->setMinimumWidth(300);
    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setDefault(true);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(24, 24, 24, 16);
    v->addWidget(Memo1);
    v->addSpacing(12);
    v->addWidget(OKButton, 0, Qt::AlignHCenter);
    v->setSizeConstraint(QLayout::SetFixedSize);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    TranslateForm(this);
    lines_.clear();
    lines_ << "KURIM";
    if (GermanLanguage)
        lines_ << "Datenerfassung für"
               << "Rauchgasanalysesysteme";
    else
        lines_ << "Data acquisition for"
               << "flue gas analysis systems";
    lines_ << "" << VersionText << MakerName;
    Memo1->setText(lines_.join('\n'));
}
