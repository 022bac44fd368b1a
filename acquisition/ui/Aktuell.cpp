#include "acquisition/ui/Aktuell.h"
#include "app/Global.h"
#include "app/StrHolder.h"
#include "app/Utils.h"
#include "app/Values.h"
#include "language/ui/Translate.h"
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QEvent>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

QPointer<TFormAktuell> FormAktuell;

namespace {

// Height and width the full-size digits need; smaller windows scale the fonts down.
constexpr int DesignHeight = 760;
constexpr int DesignWidth = 1000;
constexpr int CaptionPixels = 32;
constexpr int ValuePixels = 64;

QString ValueText(int mv, int decimals, const QString& unit) {
    if (!CurrentValues.Present[mv]) return "-";
    return FormatFixed(0, decimals, CurrentValues.Values[mv]) + unit;
}

} // namespace

TFormAktuell::TFormAktuell(QWidget* parent) : QWidget(parent) {
    setObjectName("FormAktuell");
    setWindowTitle("aktuelle Meßdaten");
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    StrHolder1 = new TStrHolder("StrHolder1", {"Wirkungsgrad", "Abgasverlust"}, this);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(40);
    grid->setVerticalSpacing(6);
    const auto addRow = [&](int row, int column, const char* captionName, const QString& caption,
                            const char* valueName) {
        auto* c = new QLabel(caption, this);
        c->setObjectName(captionName);
        c->setStyleSheet("color: navy;");
        c->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        auto* v = new QLabel("-", this);
        v->setObjectName(valueName);
        v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        v->setFrameShape(QFrame::Box);
        v->setStyleSheet("color: black; background: white; padding-right: 8px;");
        v->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        grid->addWidget(c, row * 2, column);
        grid->addWidget(v, row * 2 + 1, column);
        captions_ << c;
        values_ << v;
        return std::pair{c, v};
    };
    labelTL = addRow(0, 0, "LabelTLText", "Lufttemperatur", "labelTL").second;
    LabelTg = addRow(1, 0, "LabelTgText", "Abgastemperatur", "LabelTg").second;
    LabelP = addRow(2, 0, "LabelPText", "Zug/Druck", "LabelP").second;
    std::tie(LabelEtaText, Labeleta) = addRow(3, 0, "LabelEtaText", StrHolder1->at(0), "Labeleta");
    Labellambda = addRow(4, 0, "LabelLambdaText", "Lambda", "Labellambda").second;
    LabelO2 = addRow(0, 1, "LabelO2Text", "O2", "LabelO2").second;
    LabelCo2 = addRow(1, 1, "LabelCo2Text", "CO2", "LabelCo2").second;
    LabelCo = addRow(2, 1, "LabelCoText", "CO", "LabelCo").second;
    LabelNox = addRow(3, 1, "LabelNoxText", "NOx", "LabelNox").second;
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    auto* bar = new QWidget(this);
    bar->setObjectName("PanelBottom");
    bar->setAutoFillBackground(true);
    QPalette barPal = bar->palette();
    barPal.setColor(QPalette::Window, palette().color(QPalette::Button));
    bar->setPalette(barPal);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(8, 4, 8, 4);
    BtClose = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton), "", bar);
    BtClose->setObjectName("BtClose");
    BtClose->setToolTip("Schließen");
    BtClose->setFixedSize(40, 32);
    Progressbar = new QProgressBar(bar);
    Progressbar->setObjectName("Progressbar");
    Progressbar->setRange(0, 1200);
    Progressbar->setValue(0);
    Progressbar->setTextVisible(false);
    Progressbar->setFixedHeight(18);
    barLayout->addWidget(BtClose);
    barLayout->addWidget(Progressbar, 1);

    // The value grid keeps a margin; the bottom bar runs from edge to edge.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* padded = new QVBoxLayout;
    padded->setContentsMargins(24, 16, 24, 16);
    padded->addLayout(grid);
    outer->addLayout(padded);
    outer->addStretch(1);
    outer->addWidget(bar);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TFormAktuell::Timer1Timer);
    connect(BtClose, &QPushButton::clicked, this, &TFormAktuell::BtCloseClick);
    Timer1->start();
    ScaleFonts();
}

void TFormAktuell::Dispdata() {
    LabelTg->setText(ValueText(mvTGAS, 0, " °C"));
    labelTL->setText(ValueText(mvTLUFT, 1, " °C"));
    if (CurrentValues.Present[mvEta]) {
        Labeleta->setText(ValueText(mvEta, 1, " %"));
        LabelEtaText->setText(StrHolder1->at(0));
    } else if (CurrentValues.Present[mvQa]) {
        Labeleta->setText(ValueText(mvQa, 1, " %"));
        LabelEtaText->setText(StrHolder1->at(1));
    } else {
        Labeleta->setText("-"); // the caption keeps what it showed last
    }
    Labellambda->setText(ValueText(mvLambda, 2, ""));
    LabelO2->setText(ValueText(mvO2, 1, " Vol%"));
    LabelCo2->setText(ValueText(mvCO2, 1, " Vol%"));
    const QString toxUnit = Settings.MG ? " mg/m³" : " ppm";
    LabelCo->setText(ValueText(mvCO, 0, toxUnit));
    LabelNox->setText(ValueText(mvNOx, 0, toxUnit));
    LabelP->setText(ValueText(mvP, 2, " hPa"));
}

void TFormAktuell::Timer1Timer() {
    Dispdata();
    Progressbar->setValue(Clamp(NoDataTicks, Progressbar->minimum(), Progressbar->maximum()));
}

void TFormAktuell::BtCloseClick() {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

bool TFormAktuell::eventFilter(QObject* watched, QEvent* event) {
    auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (watched != sub || !sub) return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::WindowActivate && !sub->isMaximized()) {
        // Activated child windows maximize themselves; done after the activation has settled.
        QTimer::singleShot(0, sub, [sub] {
            if (sub->isVisible() && !sub->isMaximized() && !sub->isMinimized())
                sub->showMaximized();
        });
    } else if (event->type() == QEvent::Close) {
        if (!sub->isMaximized() && !sub->isMinimized()) normalRect_ = sub->geometry();
        if (!normalRect_.isValid() && sub->mdiArea()) {
            // Never shown in its normal size: remember a normal size that fits the frame.
            const QSize area = sub->mdiArea()->viewport()->size();
            normalRect_ = QRect(0, 0, std::max(area.width() * 3 / 4, 400),
                                std::max(area.height() * 3 / 4, 300));
        }
        Placement p;
        p.rect = normalRect_;
        p.state = sub->isMaximized() ? 2 : sub->isMinimized() ? 1 : 0;
        WritePlacement(PlacementStore::UserStore, "Aktuell", p);
        // The window is released with its frame; the next "Anzeige" creates a new one.
        if (FormAktuell == this) FormAktuell = nullptr;
    }
    return QWidget::eventFilter(watched, event);
}

void TFormAktuell::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    TranslateForm(this);
    Timer1Timer();
}

void TFormAktuell::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ScaleFonts();
}

void TFormAktuell::ScaleFonts() {
    const double scale = std::clamp(
        std::min(double(height()) / DesignHeight, double(width()) / DesignWidth), 0.35, 1.0);
    QFont captionFont("Arial");
    captionFont.setPixelSize(std::max(10, int(CaptionPixels * scale)));
    QFont valueFont("Arial");
    valueFont.setPixelSize(std::max(14, int(ValuePixels * scale)));
    for (QLabel* l : captions_)
        if (l->font() != captionFont) l->setFont(captionFont);
    for (QLabel* l : values_)
        if (l->font() != valueFont) l->setFont(valueFont);
}

TFormAktuell* ShowCurrentValues(QMdiArea* area) {
    if (!FormAktuell) {
        auto* form = new TFormAktuell;
        QMdiSubWindow* sub = area->addSubWindow(form);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        sub->setObjectName("FormAktuellFrame");
        sub->setWindowIcon(form->style()->standardIcon(QStyle::SP_ComputerIcon));
        if (const auto p = ReadPlacement(PlacementStore::UserStore, "Aktuell");
            p && p->rect.isValid()) {
            form->normalRect_ = p->rect;
            sub->setGeometry(p->rect);
        }
        sub->installEventFilter(form);
        FormAktuell = form;
    }
    QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(FormAktuell->parentWidget());
    if (sub) {
        sub->show();
        area->setActiveSubWindow(sub);
        sub->showMaximized();
    } else {
        FormAktuell->show();
    }
    return FormAktuell;
}
