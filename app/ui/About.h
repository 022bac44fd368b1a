#pragma once
// The about box: program name, purpose, version and maker.
#include <QDialog>

class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    QStringList Lines() const { return lines_; }

    QLabel* Memo1 = nullptr;
    QPushButton* OKButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QStringList lines_;
};

extern const char* const MakerName;
