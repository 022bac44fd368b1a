#pragma once
// The terms-of-use window: the terms text of the chosen language, one line per list entry.
#include <QDialog>

class QListWidget;

class TFormDisclaim : public QDialog {
    Q_OBJECT
public:
    explicit TFormDisclaim(QWidget* parent = nullptr);
    QListWidget* ListBox1 = nullptr;
    QString LoadedFrom; // the file the lines came from; empty when the built-in text is shown
};
