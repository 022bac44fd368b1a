#include "app/Utils.h"
#include "app/ui/Application.h"
#include "app/ui/Dialogs.h"
#include "app/ui/GuiDialogs.h"
#include "app/ui/ModalHelper.h"
#include "language/Language.h"
#include "support/TestSupport.h"
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QKeyEvent>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

struct DialogsTest : ::testing::Test {
    TempProgramFolder folder{false};
    void SetUp() override { ResetLanguageState(); }
    void TearDown() override { SetDialogHook({}); }
};

TEST_F(DialogsTest, ShortMessageGivesMinimumWidthWithCenteredOk) {
    TFormDialogs d;
    d.Prepare(TFormDialogs::Info, "Hallo");
    EXPECT_EQ(d.Panel1->width(), 200);
    EXPECT_EQ(d.BtOk->x(), (200 - 75) / 2);
    EXPECT_EQ(d.BtOk->y(), d.LabelText->geometry().bottom() + 1 + 20);
    EXPECT_EQ(d.Panel1->height(), d.BtOk->geometry().bottom() + 1 + 20);
    EXPECT_FALSE(d.BtOk->isHidden());
    EXPECT_TRUE(d.BtJa->isHidden());
    EXPECT_TRUE(d.BtNein->isHidden());
    EXPECT_FALSE(d.ImageInfo->isHidden());
    EXPECT_TRUE(d.ImageError->isHidden());
    EXPECT_EQ(d.windowTitle(), "Fehler");
}

TEST_F(DialogsTest, LongQuestionWidensPanelAndCentersButtonPair) {
    TFormDialogs d;
    d.Prepare(TFormDialogs::Question,
              "Die Datei existiert bereits und wird beim Speichern ersetzt. Fortfahren?");
    const int labelWidth = d.LabelText->width();
    ASSERT_GT(54 + labelWidth + 20, 200);
    EXPECT_EQ(d.Panel1->width(), labelWidth + 74);
    EXPECT_EQ(d.BtNein->x(), d.BtJa->x() + 75 + 20);
    EXPECT_EQ(d.BtJa->y(), d.BtNein->y());
    const int pairCenter = (d.BtJa->x() + d.BtNein->geometry().right() + 1) / 2;
    EXPECT_LE(std::abs(pairCenter - d.Panel1->width() / 2), 1);
    EXPECT_TRUE(d.BtOk->isHidden());
    EXPECT_FALSE(d.ImageQuestion->isHidden());
}

TEST_F(DialogsTest, InstalledHookRunsTheProgramsOwnDialog) {
    InstallGuiDialogs();
    struct Case {
        const char* press; // object name of the button, or "" for Escape
        bool expected;
    };
    for (const Case c : {Case{"BtJa", true}, Case{"BtNein", false}, Case{"", false}}) {
        QString shownText;
        OnModal([&](QWidget* w) {
            shownText = w->findChild<QLabel*>("LabelText")->text();
            if (*c.press)
                w->findChild<QPushButton*>(c.press)->click();
            else {
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(w, &esc);
            }
        });
        EXPECT_EQ(AskQuestionDialog("Programm beenden?"), c.expected) << c.press;
        EXPECT_EQ(shownText, "Programm beenden?");
    }
    bool okShownAlone = false;
    OnModal([&](QWidget* w) {
        okShownAlone = !w->findChild<QPushButton*>("BtOk")->isHidden() &&
                       w->findChild<QPushButton*>("BtJa")->isHidden() &&
                       !w->findChild<QLabel*>("ImageError")->isHidden();
        w->findChild<QPushButton*>("BtOk")->click();
    });
    ShowErrorDialog("Vorlagedatei nicht gefunden");
    EXPECT_TRUE(okShownAlone);
}

TEST_F(DialogsTest, InstalledHookUsesSystemMessageBoxForConfirm) {
    InstallGuiDialogs();
    QString title;
    OnModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        for (QAbstractButton* b : box->buttons())
            if (box->buttonRole(b) == QMessageBox::YesRole) b->click();
    });
    EXPECT_TRUE(ConfirmBox("Neue Einstellungen speichern ?"));
    EXPECT_EQ(title, "Bestätigung");
}

TEST_F(DialogsTest, ExceptionInDispatchEndsCommandWithErrorBox) {
    DialogRecorder dialogs;
    EXPECT_FALSE(
        TApplication::Guarded([]() -> bool { throw std::runtime_error("Tabelle defekt"); }));
    EXPECT_TRUE(TApplication::Guarded([] { return true; }));
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].kind, DialogKind::ErrorBox);
    EXPECT_EQ(dialogs.requests[0].text, "Tabelle defekt");
}

} // namespace
