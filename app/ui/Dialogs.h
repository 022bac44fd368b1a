#pragma once
// The program's own message dialog: a borderless panel with a gradient, one icon, the message
// and either "&OK" or "&Ja"/"&Nein". It sizes itself to the message.
#include <QDialog>

class QLabel;
class QPushButton;
class QFrame;

class TFormDialogs : public QDialog {
    Q_OBJECT
public:
    enum Kind { Error, Info, Question };

    explicit TFormDialogs(QWidget* parent = nullptr);

    // Lays the dialog out for one message; separated from Run so that tests can look at the
    // geometry without showing anything modally.
    void Prepare(Kind kind, const QString& text);
    // Shows the dialog modally, centered on `over` (or the screen); true when "&Ja" or "&OK".
    bool Execute(QWidget* over);

    // Creates, shows and destroys a dialog for one message.
    static bool Run(Kind kind, const QString& text);

    QFrame* Panel1 = nullptr;
    QLabel* LabelText = nullptr;
    QLabel* ImageError = nullptr;
    QLabel* ImageInfo = nullptr;
    QLabel* ImageQuestion = nullptr;
    QPushButton* BtNein = nullptr;
    QPushButton* BtJa = nullptr;
    QPushButton* BtOk = nullptr;
};
