#pragma once
// The current-values window: the latest measured values in very large digits, refreshed once a
// second from CurrentValues, and a gauge of how long the analyser has been silent.
#include <QPointer>
#include <QWidget>

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QProgressBar;
class QPushButton;
class QTimer;
class TStrHolder;

class TFormAktuell : public QWidget {
    Q_OBJECT
public:
    explicit TFormAktuell(QWidget* parent = nullptr);

    void Dispdata();
    void Timer1Timer();
    void BtCloseClick();

    QLabel* labelTL = nullptr;
    QLabel* LabelTg = nullptr;
    QLabel* LabelP = nullptr;
    QLabel* LabelEtaText = nullptr;
    QLabel* Labeleta = nullptr;
    QLabel* Labellambda = nullptr;
    QLabel* LabelO2 = nullptr;
    QLabel* LabelCo2 = nullptr;
    QLabel* LabelCo = nullptr;
    QLabel* LabelNox = nullptr;
    QPushButton* BtClose = nullptr;
    QProgressBar* Progressbar = nullptr;
    QTimer* Timer1 = nullptr;
    // 0 "Wirkungsgrad", 1 "Abgasverlust": the two captions of the efficiency row, kept in a
    // message list so that a language file translates them like every other text.
    TStrHolder* StrHolder1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ScaleFonts();
    QList<QLabel*> captions_;
    QList<QLabel*> values_;
    QRect normalRect_; // geometry when neither maximized nor minimized
    friend TFormAktuell* ShowCurrentValues(QMdiArea* area);
};

// The one current-values window while it exists (it clears itself when closed).
extern QPointer<TFormAktuell> FormAktuell;

// Creates the window inside `area` when it does not exist yet, then shows it, brings it to the
// front and maximizes it.
TFormAktuell* ShowCurrentValues(QMdiArea* area);
