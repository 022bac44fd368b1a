#include "acquisition/ui/Aktuell.h"
#include "app/Global.h"
#include "app/ui/About.h"
#include "app/ui/Disclaim.h"
#include "app/ui/Konfig.h"
#include "app/ui/Main.h"
#include "app/ui/ModalHelper.h"
#include "language/Language.h"
#include "support/TestSupport.h"
#include <QCheckBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

const bool userStoreRedirected = RedirectUserStore();

DialogAnswer Answer(bool yes) {
    DialogAnswer a;
    a.accepted = yes;
    return a;
}

struct KonfigTest : ::testing::Test {
    TempProgramFolder folder{false};
    DialogRecorder dialogs;
    void SetUp() override { ResetLanguageState(); }

    // Runs the configuration command; `edit` changes the fields before "Schließen".
    bool RunConfiguration(const std::function<void(QWidget*)>& edit) {
        bool shown = false;
        OnModal([&](QWidget* w) {
            shown = w->objectName() == "FormKonfig";
            edit(w);
            w->findChild<QPushButton*>("BtClose")->click();
        });
        ConfigurationCommand();
        return shown;
    }
};

TEST_F(KonfigTest, ClosingWithoutChangesAsksAndWritesNothing) {
    Settings.AktivO2 = 20.55; // more decimals than the field shows
    EXPECT_TRUE(RunConfiguration([](QWidget*) {}));
    EXPECT_TRUE(dialogs.requests.empty());
    EXPECT_FALSE(QFile::exists(folder.file("Kurim.ini")));
}

TEST_F(KonfigTest, ChangedFolderIsStoredWithTrailingSlashOnlyAfterYes) {
    const QString before = Settings.Datenpfad;
    dialogs.answers = {Answer(false)};
    RunConfiguration(
        [](QWidget* w) { w->findChild<QLineEdit*>("EditDatendir")->setText("/srv/messungen"); });
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].kind, DialogKind::ConfirmBox);
    EXPECT_EQ(dialogs.requests[0].text, "Neue Einstellungen speichern ?");
    EXPECT_EQ(Settings.Datenpfad, before);
    EXPECT_FALSE(QFile::exists(folder.file("Kurim.ini")));

    dialogs.answers = {Answer(true)};
    RunConfiguration([](QWidget* w) {
        w->findChild<QLineEdit*>("EditDatendir")->setText("/srv/messungen");
        w->findChild<QCheckBox*>("CB_mg")->setChecked(true);
        w->findChild<QDoubleSpinBox*>("EditBezugO2")->setValue(5.0);
    });
    EXPECT_EQ(Settings.Datenpfad, "/srv/messungen/");
    EXPECT_TRUE(Settings.MG);
    EXPECT_DOUBLE_EQ(Settings.Bezugo2, 5.0);
    const QByteArray ini = folder.read("Kurim.ini");
    EXPECT_TRUE(ini.contains("/srv/messungen/")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("5,0")) << ini.toStdString();
}

TEST_F(KonfigTest, RefusedWhileAChildWindowIsOpen) {
    TFormMain main;
    main.show();
    ShowCurrentValues(main.MdiArea);
    bool shown = false;
    OnModal(
        [&](QWidget* w) {
            shown = true;
            w->close();
        },
        300);
    ConfigurationCommand();
    EXPECT_FALSE(shown);
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].kind, DialogKind::InfoBox);
    EXPECT_EQ(dialogs.requests[0].text,
              "Bitte schliessen Sie zuerst alle geöffneten Unterfenster!");
    main.MdiArea->closeAllSubWindows();
}

TEST_F(KonfigTest, AboutBoxFollowsLanguageFlag) {
    for (bool german : {false, true}) {
        GermanLanguage = german;
        TAboutBox box;
        box.show();
        const QStringList lines = box.Lines();
        ASSERT_EQ(lines.size(), 6);
        EXPECT_EQ(lines[0], "KURIM");
        EXPECT_EQ(lines[1], german ? "Datenerfassung für" : "Data acquisition for");
        EXPECT_EQ(lines[2], german ? "Rauchgasanalysesysteme" : "flue gas analysis systems");
        EXPECT_EQ(lines[4], "6.6,005");
        EXPECT_EQ(box.Memo1->text(), lines.join('\n'));
    }
}

struct DisclaimTest : ::testing::Test {
    DialogRecorder dialogs;
    QString oldCurrent = QDir::currentPath();
    QTemporaryDir emptyCurrent;
    void SetUp() override {
        ResetLanguageState();
        QDir::setCurrent(emptyCurrent.path());
    }
    void TearDown() override { QDir::setCurrent(oldCurrent); }
};

TEST_F(DisclaimTest, LoadsTermsFileOfTheLanguageFromProgramFolder) {
    TempProgramFolder folder(true);
    for (bool german : {false, true}) {
        folder.write("Kurim.ini", german ? "[Main]\r\nLanguagefile=GERMAN.LNG\r\n" : "");
        TFormDisclaim terms;
        EXPECT_EQ(QFileInfo(terms.LoadedFrom).fileName(),
                  german ? "Disclaim_de.txt" : "Disclaim_en.txt");
        ASSERT_GT(terms.ListBox1->count(), 10);
        EXPECT_EQ(terms.ListBox1->item(0)->text(),
                  german ? "Nutzungsbedingungen für KURIM" : "Terms of use for KURIM");
    }
    EXPECT_TRUE(dialogs.requests.empty());
}

TEST_F(DisclaimTest, MissingTermsFileShowsErrorAndBuiltInText) {
    TempProgramFolder folder(false);
    TFormDisclaim terms;
    ASSERT_EQ(dialogs.requests.size(), 1u);
    EXPECT_EQ(dialogs.requests[0].kind, DialogKind::ErrorBox);
    EXPECT_TRUE(dialogs.requests[0].text.startsWith("Disclaim_en.txt: "));
    EXPECT_TRUE(terms.LoadedFrom.isEmpty());
    EXPECT_EQ(terms.ListBox1->item(0)->text(), "Nutzungsbedingungen");
}

} // namespace
