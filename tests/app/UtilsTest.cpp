#include "app/Ansi.h"
#include "app/Utils.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

TEST(Utils, ReadIntIsLenient) {
    const std::pair<const char*, int> cases[] = {{"9600 Baud", 9600},
                                                 {"COM12", 12},
                                                 {"-5x", -5},
                                                 {"x$1f", 31},
                                                 {"--5", 0},
                                                 {"abc", 0},
                                                 {"", 0},
                                                 {"7", 7},
                                                 {"$", 0},
                                                 {"12.5", 12},
                                                 {"-", 0},
                                                 {"99999999999", 0},
                                                 {"2147483647", 2147483647},
                                                 {"$7FFFFFFF", 2147483647},
                                                 {"$1G", 1},
                                                 {"000000000000000000042", 42},
                                                 {"$000000001", 1},
                                                 {"-0000000000000007", -7},
                                                 {"ab$ff", 255}};
    for (auto [text, want] : cases)
        EXPECT_EQ(ReadInt(text), want) << text;
}

TEST(Utils, ReadNumberIsLenient) {
    const std::pair<const char*, double> cases[] = {
        {"3,5", 3.5}, {"-2,5 V", -2.5}, {"+3", 3},   {"1.234,5", 0},  {"abc", 0},
        {"20,0", 20}, {"20.0", 20},     {"3-4", 3},  {"", 0},         {"-", 0},
        {"1e400", 1}, {"--5", 0},       {",5", 0.5}, {"-.25", -0.25}, {"7.", 7}};
    for (auto [text, want] : cases) {
        EXPECT_DOUBLE_EQ(ReadNumber(text), want) << text;
        EXPECT_DOUBLE_EQ(ReadNumberAscii(text), want) << text;
    }
    // A huge run of digits must neither crash nor read past its end.
    EXPECT_EQ(ReadNumber(QString(1 << 20, '9')), 0.0);
    EXPECT_DOUBLE_EQ(ReadNumber(QString(200, '0') + "1,5"), 1.5);
}

TEST(Utils, FormatFixedRoundsLikeAPerson) {
    struct Case {
        int width, decimals;
        double x;
        const char* want;
    };
    const Case cases[] = {{0, 1, 3.0, "3,0"},     {0, 0, 41.0, "41"},      {6, 1, -2.5, "  -2,5"},
                          {0, 1, 0.0, "0,0"},     {0, 1, 0.15, "0,2"},     {0, 1, 2.25, "2,3"},
                          {0, 2, 9.999, "10,00"}, {0, 0, 0.5, "1"},        {0, 0, -0.5, "-1"},
                          {0, 1, -0.04, "0,0"},   {0, 3, 187.5, "187,500"}};
    for (const auto& c : cases)
        EXPECT_EQ(FormatFixed(c.width, c.decimals, c.x), QString(c.want)) << c.x;
    EXPECT_LE(FormatFixed(0, 4, 1e300).size(), 30);
    EXPECT_LE(FormatFixed(50, 4, 1.0).size(), 30);
}

TEST(Utils, TextHelpers) {
    EXPECT_EQ(CapitalizeSpelled(QString::fromUtf8("Süß.dbf")), "SUESS.DBF");
    EXPECT_EQ(CapitalizeUmlauts(QString::fromUtf8("süß")), QString::fromUtf8("SÜß"));
    EXPECT_EQ(ZeroPadded(2008, 4), "2008");
    EXPECT_EQ(ZeroPadded(7, 2), "07");
    EXPECT_EQ(IntText(5, 3), "  5");
    EXPECT_EQ(OverlayText("AB", "123", 5, 0), "123 AB");
    EXPECT_EQ(OverlayText("AB", "123", 5, 4), "123 AB  ");
    EXPECT_EQ(OverlayText("XYZ", "", 254, 0).size(), 255); // never beyond column 255
    EXPECT_EQ(Clamp(15, 0, 13), 13);
    EXPECT_EQ(Clamp(-1, 0, 13), 0);
    EXPECT_EQ(Clamp(5, 9, 3), 9);
    EXPECT_EQ(CharAt("abc", 4), QChar(' '));
    EXPECT_EQ(TrimBlanks("  a b \t "), "a b \t");
    EXPECT_FALSE(HasNonBlank("   "));
    EXPECT_EQ(WithBackslash("C:"), "C:\\");
    EXPECT_EQ(WithBackslash(""), "");
}

TEST(Utils, TokenizerKeepsTheSeparatorAfterAToken) {
    TokenizerStart(";;a;bc;; rest of it", ";");
    EXPECT_EQ(NextToken(), "a");
    EXPECT_EQ(NextToken(), "bc");
    EXPECT_EQ(RestOfText(), " rest of it");
    EXPECT_EQ(NextToken(), "");
}

TEST(Utils, Windows1252RoundTrip) {
    const QByteArray bytes("\x80\xB6\xE4\xDF\x9F", 5);
    const QString text = FromAnsi(bytes);
    EXPECT_EQ(text, QString::fromUtf8("€¶äßŸ"));
    EXPECT_EQ(ToAnsi(text), bytes);
}

TEST(Utils, CopyFileKeepDate) {
    TempProgramFolder home(false);
    EXPECT_EQ(CopyFileKeepDate(home.file("missing"), home.file("t")), 1);
    EXPECT_FALSE(QFileInfo::exists(home.file("t")));
    EXPECT_EQ(CopyFileKeepDate(home.file("a"), home.file("a")), 4);
    QByteArray big(200000, 'x');
    home.write("src", big);
    QFile f(home.file("src"));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const QDateTime old = QDateTime::currentDateTime().addDays(-3);
    f.setFileTime(old, QFileDevice::FileModificationTime);
    f.close();
    EXPECT_EQ(CopyFileKeepDate(home.file("src"), home.file("dst")), 0);
    EXPECT_EQ(home.read("dst"), big);
    EXPECT_EQ(QFileInfo(home.file("dst")).lastModified().toSecsSinceEpoch(),
              old.toSecsSinceEpoch());
    EXPECT_EQ(CopyFileKeepDate(home.file("src"), home.file("nofolder/dst")), 2);
}

TEST(Utils, ShellErrorsSpeakGerman) {
    EXPECT_EQ(ShellErrorText(2), "Anwendung nicht gefunden");
    EXPECT_EQ(ShellErrorText(31), "Ausführungsfehler 31");
    DialogRecorder dialogs;
    TempProgramFolder home(false);
    EXPECT_FALSE(RunProgram("no-such-program-kurim --x"));
    EXPECT_FALSE(RunProgram(home.path() + "nofolder/prog"));
    EXPECT_FALSE(ShellOpen(home.path() + "nofolder/x.pdf"));
    EXPECT_EQ(dialogs.texts(),
              QStringList({"Anwendung nicht gefunden", "Verzeichnis nicht gefunden.",
                           "Verzeichnis nicht gefunden."}));
}

TEST(Utils, ShellOpenWithoutRegisteredViewerGives31) {
    TempProgramFolder home(false);
    home.write("doc.pdf", "%PDF-1.4\n");
    // An empty data and config home: no application is registered for anything.
    const QByteArray oldData = qgetenv("XDG_DATA_DIRS"), oldHome = qgetenv("XDG_DATA_HOME"),
                     oldCfg = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_DIRS", home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    DialogRecorder dialogs;
    EXPECT_FALSE(ShellOpen(home.file("doc.pdf")));
    EXPECT_EQ(dialogs.texts(), QStringList("Ausführungsfehler 31"));
    qputenv("XDG_DATA_DIRS", oldData);
    qputenv("XDG_DATA_HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldCfg);
}

TEST(Utils, KillProcessByNameEndsTheProgramAndItsChildren) {
    TempProgramFolder home(false);
    // A program, with a child of its own that ignores SIGTERM.
    home.write("Kurim_Killme",
               "#!/bin/sh\nsh -c 'trap \"\" TERM; sleep 60; : kurimtestmarker' &\nsleep 60\n");
    QFile::setPermissions(home.file("Kurim_Killme"),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::WriteOwner);
    QProcess p;
    p.start(home.file("Kurim_Killme"), {});
    ASSERT_TRUE(p.waitForStarted());
    QThread::msleep(200);
    KillProcessByName("KURIM_KILLME.EXE", true, true);
    EXPECT_TRUE(WaitFor([&] { return p.state() == QProcess::NotRunning; }, 3000));
    // No living process of the tree is left (an ended, unreaped one does not count).
    QStringList alive;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        QFile cmd("/proc/" + pid + "/cmdline"), stat("/proc/" + pid + "/stat");
        if (!cmd.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray st = stat.readAll();
        const qsizetype close = st.lastIndexOf(')');
        if (cmd.readAll().contains("kurimtestmarker") && close > 0 && st.mid(close + 2, 1) != "Z")
            alive << pid;
    }
    EXPECT_TRUE(alive.isEmpty()) << alive.join(' ').toStdString();
}
