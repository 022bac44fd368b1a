// Choosing and loading the language: settings, command line, file choice, menu, switch.
#include "app/Global.h"
#include "app/IniFile.h"
#include "language/Language.h"
#include "support/TestSupport.h"
#include "tests/language/QtPrint.h"
#include <QDir>
#include <gtest/gtest.h>

namespace {

// A program folder with two small language files that tell which one was read.
struct LanguageFolder {
    TempProgramFolder folder{false};
    LanguageFolder() {
        ResetLanguageState();
        folder.write("Deu_KURIM.lng", "[FormMain]\r\nFormMain.Caption=Datenerfassung\r\n");
        folder.write("Eng_KURIM.lng", "[FormMain]\r\nFormMain.Caption=Data acquisition\r\n");
    }
    ~LanguageFolder() { ResetLanguageState(); }
    void setting(const QByteArray& value) const {
        folder.write("Kurim.ini", "[Main]\r\nLanguagefile=" + value + "\r\n");
    }
};

QString LoadedCaption() {
    const int s = Translation.FindSection("FormMain");
    return s < 0 || Translation.sections[s].lines.isEmpty() ? QString()
                                                            : Translation.sections[s].lines[0];
}

// Restores the process's current folder when a test changes it.
struct CurrentFolder {
    QString old = QDir::currentPath();
    explicit CurrentFolder(const QString& path) { QDir::setCurrent(path); }
    ~CurrentFolder() { QDir::setCurrent(old); }
};

} // namespace

TEST(LanguageChoice, FirstLetterOfAMissingFileChoosesEnglishOrGerman) {
    LanguageFolder f;
    const struct {
        const char* chosen;
        const char* read;
    } cases[] = {
        {"English.lng", "Eng_KURIM.lng"},   {"E.lng", "Eng_KURIM.lng"},
        {"ENGLISH.LNG", "Eng_KURIM.lng"},   {"Deutsch.lng", "Deu_KURIM.lng"},
        {"english.lng", "Deu_KURIM.lng"},   {"GERMAN.LNG", "Deu_KURIM.lng"},
        {"Eng_KURIM.lng", "Eng_KURIM.lng"}, {"Deu_KURIM.lng", "Deu_KURIM.lng"},
        {"eng_kurim.lng", "Eng_KURIM.lng"}, // an existing file, found without regard to case
    };
    for (const auto& c : cases)
        EXPECT_EQ(LanguageFileToRead(f.folder.path() + c.chosen), f.folder.file(c.read))
            << c.chosen;
    // Only the file name counts, not the folder.
    EXPECT_EQ(LanguageFileToRead("/Elsewhere/deutsch.lng"), f.folder.file("Deu_KURIM.lng"));
    EXPECT_EQ(LanguageFileToRead(""), "");
}

TEST(LanguageChoice, AThirdLanguageFileIsReadItself) {
    LanguageFolder f;
    f.folder.write("Francais.lng", "[FormMain]\r\nFormMain.Caption=Acquisition\r\n");
    EXPECT_TRUE(LoadLanguageFile(f.folder.file("Francais.lng")));
    EXPECT_EQ(LoadedCaption(), "FormMain.Caption=Acquisition");
}

TEST(LanguageChoice, ShippedFilesAreLookedForInTheCurrentFolderToo) {
    TempProgramFolder empty(false); // a program folder without language files
    ResetLanguageState();
    QTemporaryDir cwd;
    QFile file(cwd.path() + "/Eng_KURIM.lng");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[FormMain]\r\nFormMain.Caption=Data acquisition\r\n");
    file.close();
    CurrentFolder inside(cwd.path());
    EXPECT_TRUE(LoadLanguageFile(empty.path() + "English.lng"));
    EXPECT_EQ(LoadedCaption(), "FormMain.Caption=Data acquisition");
    // No German file anywhere: the table stays as it was.
    EXPECT_FALSE(LoadLanguageFile(empty.path() + "Deutsch.lng"));
    EXPECT_EQ(LoadedCaption(), "FormMain.Caption=Data acquisition");
    // A chosen file of its own that lies only in the current folder is read itself.
    QFile third(cwd.path() + "/Francais.lng");
    ASSERT_TRUE(third.open(QIODevice::WriteOnly));
    third.write("[FormMain]\r\nFormMain.Caption=Acquisition\r\n");
    third.close();
    EXPECT_TRUE(LoadLanguageFile(empty.path() + "Francais.lng"));
    EXPECT_EQ(LoadedCaption(), "FormMain.Caption=Acquisition");
    ResetLanguageState();
}

TEST(LanguageChoice, UnreadableOrMissingFileKeepsTheTable) {
    LanguageFolder f;
    ASSERT_TRUE(LoadLanguageFile(f.folder.file("Deu_KURIM.lng")));
    QFile::remove(f.folder.file("Eng_KURIM.lng"));
    EXPECT_FALSE(LoadLanguageFile(f.folder.file("Eng_KURIM.lng")));
    EXPECT_EQ(LoadedCaption(), "FormMain.Caption=Datenerfassung");
}

TEST(LanguageLoad, SettingAndCommandLine) {
    const struct {
        const char* setting;
        QStringList args;
        const char* languageFile; // relative to the program folder
        bool german;
        bool collect;
        const char* caption; // empty: nothing loaded
    } cases[] = {
        {"", {}, "", false, false, ""},
        {"GERMAN.LNG", {}, "GERMAN.LNG", true, false, "FormMain.Caption=Datenerfassung"},
        {"german.lng", {}, "german.lng", true, false, "FormMain.Caption=Datenerfassung"},
        {"Deu_KURIM.lng", {}, "Deu_KURIM.lng", false, false, "FormMain.Caption=Datenerfassung"},
        {"Eng_KURIM.lng", {}, "Eng_KURIM.lng", false, false, "FormMain.Caption=Data acquisition"},
        // The command line picks the file; GermanLanguage still follows the setting.
        {"GERMAN.LNG",
         {"english"},
         "ENGLISH.LNG",
         true,
         false,
         "FormMain.Caption=Data acquisition"},
        {"", {"-cl"}, "", false, true, ""},
        {"", {"x", "ENGLISH"}, "", false, false, ""}, // only as the first parameter
        {"GERMAN.LNG",
         {"-CL", "-LEng_KURIM.lng"},
         "Eng_KURIM.lng",
         true,
         true,
         "FormMain.Caption=Data acquisition"},
        {"",
         {"ENGLISH", "-LDeu_KURIM.lng"},
         "Deu_KURIM.lng",
         false,
         false,
         "FormMain.Caption=Datenerfassung"}, // options apply in parameter order
    };
    for (const auto& c : cases) {
        LanguageFolder f;
        f.setting(c.setting);
        SetLanguageCommandLine(c.args);
        const bool loaded = LoadLanguageState();
        const QString expectedFile =
            QString(c.languageFile).isEmpty() ? QString() : f.folder.file(c.languageFile);
        EXPECT_EQ(LanguageFile, expectedFile) << c.setting;
        EXPECT_EQ(GermanLanguage, c.german) << c.setting;
        EXPECT_EQ(CollectMode, c.collect) << c.setting;
        EXPECT_EQ(loaded, QString(c.caption) != "") << c.setting;
        EXPECT_EQ(LoadedCaption(), c.caption) << c.setting;
    }
}

TEST(LanguageLoad, AFileWithAFolderKeepsItsFolder) {
    LanguageFolder f;
    QTemporaryDir other;
    QFile file(other.path() + "/Mine.lng");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[FormMain]\r\nFormMain.Caption=Mine\r\n");
    file.close();
    f.setting((other.path() + "/Mine.lng").toLocal8Bit());
    EXPECT_TRUE(LoadLanguageState());
    EXPECT_EQ(LanguageFile, other.path() + "/Mine.lng");
    EXPECT_EQ(LoadedCaption(), "FormMain.Caption=Mine");
}

TEST(LanguageMenu, ListsFilesInReverseAndSkipsOtherCases) {
    LanguageFolder f;
    f.folder.write("Z_OTHER.LNG", "");
    f.folder.write("Mixed.Lng", "");
    f.folder.write("notes.txt", "");
    const QList<LanguageMenuEntry> items = LanguageMenuEntries(f.folder.path());
    // Listed: Deu_KURIM.lng 0, Eng_KURIM.lng 1, Mixed.Lng 2, Z_OTHER.LNG 3.
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].caption, "Eng_KURIM");
    EXPECT_EQ(items[0].position, 1);
    EXPECT_EQ(items[1].caption, "Deu_KURIM");
    EXPECT_EQ(items[1].position, 0);
}

TEST(LanguageMenu, ChoosingRewritesOnlyTheLanguageKeys) {
    LanguageFolder f;
    f.folder.write("Kurim.ini", "[Main]\r\nLanguagefile=Deu_KURIM.lng\r\nMG=1\r\n"
                                "[Eingang]\r\nPort=COM7\r\nGeraet=3\r\n");
    LoadSettings();
    ASSERT_TRUE(StoreLanguageChoice(QString::fromUtf8("Eng_KURIM")));
    EXPECT_EQ(Settings.language, "ENG_KURIM");
    IniFile ini(f.folder.file("Kurim.ini"));
    EXPECT_EQ(ini.ReadString("Main", "Languagefile"), "Eng_KURIM.lng");
    EXPECT_EQ(ini.ReadString("Main", "language"), "ENG_KURIM");
    EXPECT_EQ(ini.ReadString("Main", "MG"), "1");
    EXPECT_EQ(ini.ReadString("Eingang", "Port"), "COM7");
    EXPECT_EQ(ini.ReadString("Eingang", "Geraet"), "3");
}
