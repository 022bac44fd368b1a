#include "app/ui/Dialogs.h"
#include "language/ui/Translate.h"
#include <QApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

// Button face at the top running into the highlight colour at the bottom, in 64 bands, with a
// single outer border and a lowered bevel inside it.
class GradientPanel : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QColor top = palette().color(QPalette::Button);
        const QColor bottom = palette().color(QPalette::Highlight);
        const int steps = 64;
        const int h = height();
        for (int i = 0; i < steps; ++i) {
            const int y0 = h * i / steps;
            const int y1 = h * (i + 1) / steps;
            const auto mix = [&](int a, int b) { return a + (b - a) * i / (steps - 1); };
            p.fillRect(0, y0, width(), y1 - y0,
                       QColor(mix(top.red(), bottom.red()), mix(top.green(), bottom.green()),
                              mix(top.blue(), bottom.blue())));
        }
        p.setPen(palette().color(QPalette::WindowText));
        p.drawRect(0, 0, width() - 1, height() - 1);
        p.setPen(palette().color(QPalette::Dark));
        p.drawLine(2, 2, width() - 3, 2);
        p.drawLine(2, 2, 2, height() - 3);
        p.setPen(palette().color(QPalette::Light));
        p.drawLine(3, height() - 3, width() - 3, height() - 3);
        p.drawLine(width() - 3, 3, width() - 3, height() - 3);
    }
};

QLabel* MakeIcon(QWidget* parent, const char* name, QStyle::StandardPixmap which) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setPixmap(parent->style()->standardIcon(which).pixmap(32, 32));
    l->setGeometry(12, 16, 32, 32);
    l->hide();
    return l;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->resize(75, 30);
    b->hide();
    return b;
}

} // namespace

TFormDialogs::TFormDialogs(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName("FormDialogs");
    setWindowTitle("Fehler");
    Panel1 = new GradientPanel(this);
    Panel1->setObjectName("Panel1");
    LabelText = new QLabel(Panel1);
    LabelText->setObjectName("LabelText");
    QFont f("Arial Narrow");
    f.setPixelSize(15);
    f.setBold(true);
    LabelText->setFont(f);
    LabelText->setTextFormat(Qt::PlainText);
    LabelText->move(54, 20);
    ImageError = MakeIcon(Panel1, "ImageError", QStyle::SP_MessageBoxCritical);
    ImageInfo = MakeIcon(Panel1, "ImageInfo", QStyle::SP_MessageBoxInformation);
    ImageQuestion = MakeIcon(Panel1, "ImageQuestion", QStyle::SP_MessageBoxQuestion);
    BtNein = MakeButton(Panel1, "BtNein", "&Nein");
    BtJa = MakeButton(Panel1, "BtJa", "&Ja");
    BtOk = MakeButton(Panel1, "BtOk", "&OK");
    connect(BtNein, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtJa, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtOk, &QPushButton::clicked, this, &QDialog::accept);
}

void TFormDialogs::Prepare(Kind kind, const QString& text) {
    TranslateForm(this); // the button captions follow the chosen language
    LabelText->setText(text);
    LabelText->setWordWrap(false);
    LabelText->adjustSize();
    // A message wider than the screen would push the buttons out of reach: wrap it instead.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int maxLabel = screen ? screen->availableGeometry().width() - 120 : 1200;
    if (LabelText->width() > maxLabel) {
        LabelText->setWordWrap(true);
        LabelText->resize(maxLabel, LabelText->heightForWidth(maxLabel));
    }
    const int labelBottom = LabelText->y() + LabelText->height();
    const int panelWidth = std::max(200, LabelText->x() + LabelText->width() + 20);
    int panelHeight = 0;
    if (kind == Question) {
        BtOk->hide();
        BtJa->show();
        BtNein->show();
        const int half = (BtJa->width() + BtNein->width() + 20) / 2;
        BtJa->move(panelWidth / 2 - half, labelBottom + 20);
        BtNein->move(BtJa->x() + BtJa->width() + 20, labelBottom + 20);
        BtJa->setDefault(true);
        BtJa->setFocus();
        panelHeight = BtNein->y() + BtNein->height() + 20;
    } else {
        BtJa->hide();
        BtNein->hide();
        BtOk->show();
        BtOk->move((panelWidth - BtOk->width()) / 2, labelBottom + 20);
        BtOk->setDefault(true);
        BtOk->setFocus();
        panelHeight = BtOk->y() + BtOk->height() + 20;
    }
    ImageError->setVisible(kind == Error);
    ImageInfo->setVisible(kind == Info);
    ImageQuestion->setVisible(kind == Question);
    Panel1->setGeometry(0, 0, panelWidth, panelHeight);
    setFixedSize(panelWidth, panelHeight);
}

bool TFormDialogs::Execute(QWidget* over) {
    QRect area = over && over->isVisible() ? over->frameGeometry() : QRect();
    if (area.isEmpty() && QGuiApplication::primaryScreen())
        area = QGuiApplication::primaryScreen()->availableGeometry();
    move(area.center() - rect().center());
    return exec() == QDialog::Accepted;
}

bool TFormDialogs::Run(Kind kind, const QString& text) {
    QWidget* main = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "FormMain") main = w;
    QWidget* parent = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : main;
    TFormDialogs dialog(parent);
    dialog.Prepare(kind, text);
    return dialog.Execute(main);
}
