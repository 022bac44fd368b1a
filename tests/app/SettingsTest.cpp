#include "app/Global.h"
#include "app/IniFile.h"
#include "app/Utils.h"
#include "support/TestSupport.h"
#include <QRandomGenerator>
#include <gtest/gtest.h>

TEST(Settings, DefaultsWithoutAFile) {
    TempProgramFolder home(false);
    LoadSettings();
    EXPECT_EQ(Settings.Datenpfad, home.path() + "Daten/");
    EXPECT_DOUBLE_EQ(Settings.Bezugo2, 3.0);
    EXPECT_DOUBLE_EQ(Settings.AktivO2, 20.0);
    EXPECT_FALSE(Settings.MG || Settings.BEZUG || Settings.BONUS || Settings.TcpButton);
    EXPECT_TRUE(Settings.language.isEmpty());
}

TEST(Settings, LenientNumbersAndCaseInsensitiveKeys) {
    const std::pair<const char*, double> cases[] = {{"20,5", 20.5}, {"20.5", 20.5}, {"abc", 0.0}};
    for (auto [text, want] : cases) {
        TempProgramFolder home(false);
        home.write("KURIM.INI", QByteArray("[tabellen]\r\naktivo2=") + text +
                                    "\r\n[MAIN]\r\nBezug=1\r\nmg=7\r\n");
        LoadSettings();
        EXPECT_DOUBLE_EQ(Settings.AktivO2, want) << text;
        EXPECT_TRUE(Settings.BEZUG);
        EXPECT_TRUE(Settings.MG);
    }
}

TEST(Settings, SaveWritesCommaAndKeepsForeignKeys) {
    TempProgramFolder home(false);
    home.write("Kurim.ini",
               "[Main]\r\nBezugo2=3.0\r\nLanguagefile=Eng_KURIM.lng\r\n"
               "[Eingang]\r\nCOMPORT=COM3\r\nGERAET=6\r\n[Ports]\r\nCOM7=/dev/pts/9\r\n");
    LoadSettings();
    Settings.AktivO2 = 20.0;
    Settings.MG = true;
    SaveSettings();
    const QString text = QString::fromLatin1(home.read("Kurim.ini"));
    EXPECT_TRUE(text.contains("Bezugo2=3,0\r\n", Qt::CaseInsensitive)) << text.toStdString();
    EXPECT_EQ(text.count("bezugo2", Qt::CaseInsensitive), 1);
    EXPECT_TRUE(text.contains("AktivO2=20,0\r\n"));
    EXPECT_TRUE(text.contains("MG=1\r\n"));
    EXPECT_TRUE(text.contains("Languagefile=Eng_KURIM.lng"));
    const IniFile ini(home.file("Kurim.ini"));
    EXPECT_EQ(ini.ReadString("eingang", "comport"), "COM3");
    EXPECT_EQ(ini.ReadInteger("EINGANG", "Geraet", 0), 6);
    EXPECT_EQ(ini.ReadString("Ports", "COM7"), "/dev/pts/9");
}

TEST(Settings, HostileFilesGiveDefaultsAndSurviveASave) {
    QRandomGenerator rng(1234);
    QByteArray garbage(100000, '\0');
    for (auto& c : garbage)
        c = char(rng.bounded(256));
    const QByteArray files[] = {
        garbage,
        "[Main]\r\nBEZUG=" + QByteArray(10 * 1024 * 1024, '1') + "\r\n[Eingang]\r\nGERAET=4\r\n",
        "MG=1\r\nBEZUG=1\r\n",                                 // no sections
        "[Main]\r\nMG=1\r\nMG=0\r\n[Eingang]\r\nGERAET=2\r\n", // duplicate keys
        QByteArray("[Main\r\n=\r\n[]\r\n\xff\xfe\x00\x01", 14),
    };
    for (const QByteArray& content : files) {
        TempProgramFolder home(false);
        home.write("Kurim.ini", content);
        LoadSettings();
        EXPECT_DOUBLE_EQ(Settings.Bezugo2, 3.0);
        SaveSettings();
        LoadSettings();
        EXPECT_DOUBLE_EQ(Settings.Bezugo2, 3.0);
        // The save keeps what it could read of other owners' keys.
        const QByteArray after = home.read("Kurim.ini");
        EXPECT_FALSE(after.isEmpty());
        if (content.contains("GERAET=4") || content.contains("GERAET=2"))
            EXPECT_TRUE(IniFile(home.file("Kurim.ini")).HasKey("Eingang", "GERAET"));
    }
}

TEST(Settings, AFailedSaveLeavesTheFileAsItWas) {
    TempProgramFolder home(false);
    home.write("Kurim.ini", "[Main]\r\nMG=1\r\n");
    QFile::setPermissions(home.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(home.path()).isWritable()) { // root may write anyway
        QFile::setPermissions(home.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner);
        GTEST_SKIP() << "running as root: the folder cannot be made read-only";
    }
    DialogRecorder dialogs;
    LoadSettings();
    Settings.MG = false;
    SaveSettings();
    QFile::setPermissions(home.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(home.read("Kurim.ini"), "[Main]\r\nMG=1\r\n");
    EXPECT_EQ(dialogs.requests.size(), 1u);
}

TEST(Settings, HelpDocumentPathFollowsTheLanguage) {
    const std::pair<const char*, const char*> cases[] = {{"ENGLISH", "Hilfe/Tabelle_GB.pdf"},
                                                         {"GERMAN", "Hilfe/Tabelle.pdf"},
                                                         {"", "Hilfe/Tabelle.pdf"}};
    for (auto [lang, file] : cases) {
        TempProgramFolder home(false);
        home.write("hilfe/Tabelle.pdf", "%PDF");
        home.write("hilfe/Tabelle_GB.pdf", "%PDF");
        // The opener records what it was asked to open.
        home.write("opener", "#!/bin/sh\necho \"$1\" > \"$(dirname \"$0\")/opened\"\n");
        QFile::setPermissions(home.file("opener"), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                       QFileDevice::WriteOwner);
        qputenv("KURIM_OPENER", home.file("opener").toLocal8Bit());
        Settings.language = lang;
        EXPECT_TRUE(OpenHelpDocument("Tabelle"));
        EXPECT_TRUE(WaitFor([&] { return !home.read("opened").isEmpty(); }, 3000));
        EXPECT_EQ(QString::fromLocal8Bit(home.read("opened")).trimmed().toLower(),
                  (home.path() + file).toLower());
        qunsetenv("KURIM_OPENER");
    }
}

TEST(Settings, PlacementStoreRoundTrip) {
    TempProgramFolder home(false);
    WritePlacement(PlacementStore::WindowStateFile, "Main", {QRect(10, 20, 800, 600), 2});
    auto p = ReadPlacement(PlacementStore::WindowStateFile, "main");
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->rect, QRect(10, 20, 800, 600));
    EXPECT_EQ(p->state, 2);
    EXPECT_FALSE(ReadPlacement(PlacementStore::WindowStateFile, "Diagramm").has_value());
}
