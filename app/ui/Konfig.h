#pragma once
// The configuration dialog: data folder, O2 activity limit, mg/m³ display and O2 reference.
#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class TStrHolder;

class TFormKonfig : public QDialog {
    Q_OBJECT
public:
    explicit TFormKonfig(QWidget* parent = nullptr);

    void FillFromSettings();
    bool DiffersFromSettings() const;
    void StoreIntoSettings(); // the fields into Settings (without saving)

    QLineEdit* EditDatendir = nullptr;
    QToolButton* BtDatendir = nullptr;
    QDoubleSpinBox* EditO2 = nullptr;
    QCheckBox* CB_mg = nullptr;
    QCheckBox* CBBezug = nullptr;
    QDoubleSpinBox* EditBezugO2 = nullptr;
    QCheckBox* CBbonus = nullptr;
    QPushButton* BtHilfe = nullptr;
    QPushButton* BtClose = nullptr;
    TStrHolder* StrHolder1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void PickFolder();
};

// "Programmkonfiguration": refused while other windows are open; asks before it saves, and only
// when something changed.
void ConfigurationCommand();
