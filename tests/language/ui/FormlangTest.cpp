// The language window: sections, editing, updating, deleting, opening and saving.
#include "app/Ansi.h"
#include "app/Global.h"
#include "language/Language.h"
#include "language/ui/Formlang.h"
#include "language/ui/Translate.h"
#include "support/TestSupport.h"
#include "tests/language/QtPrint.h"
#include <QListWidget>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

namespace {

struct FormlangTest : ::testing::Test {
    TempProgramFolder folder{false};
    DialogRecorder dialogs;
    std::unique_ptr<TFormlang> window;

    void SetUp() override {
        ResetLanguageState();
        Translation.sections = {
            {"FormMain", {"FormMain.Caption=Datenerfassung", "BtStart.Caption=Start"}},
            {"FormKonfig", {}},
            {"FormAbout", {"FormAbout.Caption=Info"}},
        };
        LanguageFile = folder.file("out.lng");
        window = std::make_unique<TFormlang>();
    }
    void TearDown() override {
        window.reset();
        ResetLanguageState();
    }
    void select(int row) { window->FormList->setCurrentRow(row); }
    void type(const QString& text) { window->Memo->setPlainText(text); }
    QString memo() const { return window->Memo->toPlainText(); }
};

} // namespace

TEST_F(FormlangTest, ShowsTheFirstSectionAndTracksEdits) {
    EXPECT_EQ(window->windowTitle(), "Sprachverwaltung");
    EXPECT_EQ(Formlang, window.get());
    ASSERT_EQ(window->FormList->count(), 3);
    EXPECT_EQ(window->FormList->item(1)->text(), "FormKonfig");
    EXPECT_EQ(memo(), "FormMain.Caption=Datenerfassung\nBtStart.Caption=Start");
    EXPECT_FALSE(window->Modified);
    type("x=y");
    EXPECT_TRUE(window->Modified);
    select(2);
    EXPECT_EQ(memo(), "FormAbout.Caption=Info");
    EXPECT_FALSE(window->Modified);
}

TEST_F(FormlangTest, UpdateDeleteSaveRoundTrip) {
    select(2);
    type("FormAbout.Caption=About\nLabel1.Caption=Version");
    window->UpdatenClick();
    EXPECT_FALSE(window->Modified);
    EXPECT_EQ(Translation.sections[2].lines,
              QStringList({"FormAbout.Caption=About", "Label1.Caption=Version"}));

    select(0);
    window->EintragLoeschenClick();
    EXPECT_EQ(window->FormList->count(), 2);
    EXPECT_EQ(window->FormList->currentRow(), -1);
    EXPECT_EQ(memo(), "FormMain.Caption=Datenerfassung\nBtStart.Caption=Start"); // still shown
    window->UpdatenClick();
    EXPECT_EQ(dialogs.texts(), QStringList({QString::fromUtf8("Kein Formular gewählt")}));
    EXPECT_EQ(Translation.Count(), 2);

    window->SpeichernClick();
    EXPECT_EQ(folder.read("out.lng"), QByteArray("[FormKonfig]\r\n"
                                                 "[FormAbout]\r\n"
                                                 "FormAbout.Caption=About\r\n"
                                                 "Label1.Caption=Version\r\n"));
}

TEST_F(FormlangTest, SavingStoresAPendingEditButNotAnAbandonedOne) {
    type("FormMain.Caption=abandoned");
    select(1); // choosing another section drops the edit
    window->SpeichernClick();
    EXPECT_EQ(folder.read("out.lng"), QByteArray("[FormMain]\r\n"
                                                 "FormMain.Caption=Datenerfassung\r\n"
                                                 "BtStart.Caption=Start\r\n"
                                                 "[FormKonfig]\r\n"
                                                 "[FormAbout]\r\n"
                                                 "FormAbout.Caption=Info\r\n"));
    type(QString::fromUtf8("FormKonfig.Caption=Über¶alles"));
    window->SpeichernClick();
    EXPECT_FALSE(window->Modified);
    EXPECT_TRUE(folder.read("out.lng").contains("[FormKonfig]\r\nFormKonfig.Caption=\xDC"
                                                "ber\xB6"
                                                "alles\r\n[FormAbout]"));
    EXPECT_TRUE(dialogs.requests.empty());
}

TEST_F(FormlangTest, SaveAsAndOpen) {
    dialogs.answers.push_back({true, folder.file("Neu.lng")});
    window->SpeichernAlsClick();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].kind, DialogKind::SaveFile);
    EXPECT_EQ(dialogs.requests[0].initial, folder.file("out.lng"));
    EXPECT_EQ(LanguageFile, folder.file("Neu.lng"));
    EXPECT_EQ(window->windowTitle(), folder.file("Neu.lng"));
    EXPECT_TRUE(folder.read("Neu.lng").startsWith("[FormMain]\r\n"));

    // A cancelled dialog changes nothing but the caption.
    window->setWindowTitle("x");
    window->SpeichernAlsClick();
    EXPECT_EQ(window->windowTitle(), folder.file("Neu.lng"));

    folder.write("Eng_KURIM.lng",
                 "[FormMain]\r\nFormMain.Caption=Data acquisition\r\n[FormEingang]\r\n");
    dialogs.answers.push_back({true, folder.file("English.lng")});
    window->OeffnenClick();
    EXPECT_EQ(dialogs.requests.back().kind, DialogKind::OpenFile);
    EXPECT_EQ(LanguageFile, folder.file("English.lng"));
    EXPECT_EQ(window->windowTitle(), folder.file("English.lng"));
    ASSERT_EQ(window->FormList->count(), 2);
    EXPECT_EQ(window->FormList->currentRow(), 0);
    EXPECT_EQ(memo(), "FormMain.Caption=Data acquisition");
}

TEST_F(FormlangTest, AFailedSaveShowsTheErrorAndKeepsTheTable) {
    LanguageFile = folder.file("missing/folder/out.lng");
    select(2);
    type("changed=1");
    window->SpeichernClick();
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].kind, DialogKind::ErrorBox);
    EXPECT_FALSE(dialogs.requests[0].text.isEmpty());
    EXPECT_EQ(Translation.Count(), 3);
    EXPECT_FALSE(QFile::exists(LanguageFile));
}

TEST_F(FormlangTest, CollectModeShowsTheWindowWithCollectedSections) {
    QByteArray hostile = "[FormMain]\r\nFormMain.Caption=Datenerfassung\r\n";
    for (int i = 0; i < 3000; ++i)
        hostile += "[S" + QByteArray::number(i) + "]\r\n" + QByteArray("\x01\xff=\x00\r\n", 6);
    folder.write("Deu_KURIM.lng", hostile);
    folder.write("Kurim.ini", "[Main]\r\nLanguagefile=Deu_KURIM.lng\r\n");
    SetLanguageCommandLine({"-CL"});
    QWidget form;
    form.setObjectName("FormEingang");
    form.setWindowTitle("Schnittstelle");
    TranslateForm(&form);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), folder.file("Deu_KURIM.lng"));
    ASSERT_EQ(window->FormList->count(), 3002);
    EXPECT_EQ(window->FormList->item(3001)->text(), "FormEingang");
    EXPECT_EQ(window->FormList->currentRow(), 0);
    EXPECT_EQ(memo(), "FormMain.Caption=Datenerfassung");
    window->EndeClick();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(Translation.Count(), 3002); // the table stays
}

TEST_F(FormlangTest, LaysOutListBesideTheEditor) {
    window->resize(640, 460);
    window->show();
    const QImage shot = window->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QString dir = qEnvironmentVariable("KURIM_SHOTS");
    if (!dir.isEmpty()) shot.save(dir + "/lang-editor.png");
    const QRect list = window->FormList->geometry();
    const QRect memoBox = window->Memo->geometry();
    EXPECT_LT(list.right(), memoBox.left());
    EXPECT_GT(memoBox.width(), list.width());
    EXPECT_GT(list.height(), 300);
}

TEST_F(FormlangTest, UpdatingKeepsEveryCharacterOfTheLines) {
    // Every character a Windows-1252 file can hold except the line ends, non-breaking space
    // (0xA0) among them, goes through the editor and back unchanged.
    QByteArray bytes;
    for (int c = 1; c < 256; ++c)
        if (c != '\r' && c != '\n') bytes += char(c);
    const QString all = FromAnsi(bytes);
    Translation.sections[1].lines = {"Label1.Caption=10" + QString(QChar(0xA0)) + "%", all, ""};
    window->TableReloaded();
    select(1);
    window->Memo->appendPlainText("x");
    window->UpdatenClick();
    EXPECT_EQ(Translation.sections[1].lines,
              QStringList({"Label1.Caption=10" + QString(QChar(0xA0)) + "%", all, "", "x"}));
}
