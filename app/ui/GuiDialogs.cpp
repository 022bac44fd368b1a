#include "app/ui/GuiDialogs.h"
#include "app/DialogHook.h"
#include "app/Global.h"
#include "app/ui/Dialogs.h"
#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace {

QWidget* DialogParent() {
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    if (QWidget* w = QApplication::activeWindow()) return w;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "FormMain") return w;
    return nullptr;
}

bool English() {
    return Settings.language == "ENGLISH";
}

DialogAnswer MessageBoxDialog(const DialogRequest& r) {
    QMessageBox box(DialogParent());
    box.setTextFormat(Qt::PlainText);
    box.setText(r.text);
    QPushButton* yes = nullptr;
    switch (r.kind) {
    case DialogKind::ErrorBox:
        box.setIcon(QMessageBox::Critical);
        box.setWindowTitle(English() ? "Error" : "Fehler");
        box.addButton(QMessageBox::Ok);
        break;
    case DialogKind::InfoBox:
        box.setIcon(QMessageBox::Information);
        box.setWindowTitle("Information");
        box.addButton(QMessageBox::Ok);
        break;
    default: {
        box.setIcon(QMessageBox::Question);
        box.setWindowTitle(English() ? "Confirm" : "Bestätigung");
        yes = box.addButton(English() ? "&Yes" : "&Ja", QMessageBox::YesRole);
        QPushButton* no = box.addButton(English() ? "&No" : "&Nein", QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        break;
    }
    }
    // Centered over the window that asks, or over the screen when none is shown yet.
    box.adjustSize();
    const QWidget* over = box.parentWidget();
    QRect area = over && over->isVisible() ? over->frameGeometry() : QRect();
    if (area.isEmpty() && QGuiApplication::primaryScreen())
        area = QGuiApplication::primaryScreen()->availableGeometry();
    box.move(area.center() - box.rect().center());
    box.exec();
    DialogAnswer a;
    a.accepted = yes ? box.clickedButton() == yes : true;
    return a;
}

DialogAnswer FileDialog(const DialogRequest& r) {
    DialogAnswer a;
    if (r.kind == DialogKind::OpenFile)
        a.text = QFileDialog::getOpenFileName(DialogParent(), r.caption, r.folder, r.filter);
    else
        a.text = QFileDialog::getSaveFileName(DialogParent(), r.caption, r.folder, r.filter);
    a.accepted = !a.text.isEmpty();
    return a;
}

DialogAnswer RealDialog(const DialogRequest& r) {
    DialogAnswer a;
    switch (r.kind) {
    case DialogKind::ErrorBox:
    case DialogKind::InfoBox:
    case DialogKind::ConfirmBox:
        return MessageBoxDialog(r);
    case DialogKind::ErrorDialog:
        a.accepted = TFormDialogs::Run(TFormDialogs::Error, r.text);
        return a;
    case DialogKind::InfoDialog:
        a.accepted = TFormDialogs::Run(TFormDialogs::Info, r.text);
        return a;
    case DialogKind::QuestionDialog:
        a.accepted = TFormDialogs::Run(TFormDialogs::Question, r.text);
        return a;
    case DialogKind::OpenFile:
    case DialogKind::SaveFile:
        return FileDialog(r);
    case DialogKind::InputText: {
        bool ok = false;
        a.text = QInputDialog::getText(DialogParent(), r.caption, r.text, QLineEdit::Normal,
                                       r.initial, &ok);
        a.accepted = ok;
        return a;
    }
    case DialogKind::Color: {
        const QColor c = QColorDialog::getColor(QColor::fromString(r.initial), DialogParent());
        a.accepted = c.isValid();
        if (a.accepted) a.text = c.name();
        return a;
    }
    }
    return a;
}

} // namespace

void InstallGuiDialogs() {
    SetDialogHook(RealDialog);
}
