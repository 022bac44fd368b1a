// Reading and writing language files, splitting entries, property words.
#include "language/Language.h"
#include "support/TestSupport.h"
#include "tests/language/QtPrint.h"
#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray Ansi(const char* text) {
    return QByteArray(text);
}

} // namespace

TEST(LanguageFile, ReadsSectionsWithEveryLineEnd) {
    // CR LF, LF and a lone CR all end a line; lines before the first section are dropped; empty
    // lines and duplicates stay; "\xB6" and umlauts come in as Windows-1252.
    const TranslationTable t = ParseLanguageText(Ansi("junk before\r\n"
                                                      "[FormMain]\r\n"
                                                      "FormMain.Caption=Daten\xB6"
                                                      "erfassung\n"
                                                      "\r"
                                                      "BtStart.Caption=Start\r\n"
                                                      "BtStart.Caption=Start\r\n"
                                                      "[FormKonfig]\r\n"
                                                      "[FormAbout]\n"
                                                      "Label1.Caption=\xDC"
                                                      "ber"));
    ASSERT_EQ(t.Count(), 3);
    EXPECT_EQ(t.sections[0].name, "FormMain");
    EXPECT_EQ(t.sections[0].lines,
              QStringList({QString::fromUtf8("FormMain.Caption=Daten¶erfassung"), "",
                           "BtStart.Caption=Start", "BtStart.Caption=Start"}));
    EXPECT_EQ(t.sections[1].name, "FormKonfig");
    EXPECT_TRUE(t.sections[1].lines.isEmpty());
    EXPECT_EQ(t.sections[2].lines, QStringList({QString::fromUtf8("Label1.Caption=Über")}));
}

TEST(LanguageFile, OddSectionHeaders) {
    // "[" alone opens a section with an empty name; a header without "]" loses its last letter.
    const TranslationTable t = ParseLanguageText("[\r\na=1\r\n[FormMain\r\nb=2\r\n");
    ASSERT_EQ(t.Count(), 2);
    EXPECT_EQ(t.sections[0].name, "");
    EXPECT_EQ(t.sections[0].lines, QStringList({"a=1"}));
    EXPECT_EQ(t.sections[1].name, "FormMai");
}

TEST(LanguageFile, WritesCrLfAnsiAndReadsBackTheSameTable) {
    TranslationTable t;
    t.sections.append(
        {"FormMain",
         {"FormMain.Caption=Datenerfassung", QString::fromUtf8("MnDatei.Caption=Übersicht¶neu")}});
    t.sections.append(LanguageSection{"FormKonfig", {}});
    EXPECT_EQ(LanguageFileBytes(t), Ansi("[FormMain]\r\n"
                                         "FormMain.Caption=Datenerfassung\r\n"
                                         "MnDatei.Caption=\xDC"
                                         "bersicht\xB6neu\r\n"
                                         "[FormKonfig]\r\n"));

    // Empty lines, a trailing empty line and an empty section name survive the round trip.
    t.sections.append(LanguageSection{"", {"", "x=y", ""}});
    TempProgramFolder folder(false);
    QString error;
    ASSERT_TRUE(WriteLanguageFile(folder.file("out.lng"), t, &error)) << error.toStdString();
    TranslationTable back;
    ASSERT_TRUE(ReadLanguageFile(folder.file("out.lng"), back));
    ASSERT_EQ(back.Count(), t.Count());
    for (int i = 0; i < t.Count(); ++i) {
        EXPECT_EQ(back.sections[i].name, t.sections[i].name);
        EXPECT_EQ(back.sections[i].lines, t.sections[i].lines);
    }
}

TEST(LanguageFile, FailedWriteKeepsTheOldFileAndSaysWhy) {
    TempProgramFolder folder(false);
    TranslationTable t;
    t.sections.append(LanguageSection{"FormMain", {"a=b"}});
    QString error;
    EXPECT_FALSE(WriteLanguageFile(folder.file("no/such/folder/x.lng"), t, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(LanguageFile, HostileContentIsReadWithoutHarm) {
    QByteArray bytes = "[FormMain]\r\n";
    for (int c = 0; c < 256; ++c)
        bytes += char(c);
    bytes += "\r\n" + QByteArray(1024 * 1024, 'x') + "\r\n";
    for (int i = 0; i < 5000; ++i)
        bytes += "[S" + QByteArray::number(i) + "]\r\nA.Caption=" + QByteArray::number(i) + "\r\n";
    const TranslationTable t = ParseLanguageText(bytes);
    ASSERT_EQ(t.Count(), 5001);
    EXPECT_EQ(t.sections[0].lines.last().size(), 1024 * 1024);
    EXPECT_EQ(t.FindSection("s4999"), 5000);
}

TEST(LanguageEntry, SplitsAtDotsAndEquals) {
    const struct {
        const char* line;
        const char* component;
        const char* property;
        const char* value;
    } cases[] = {
        {"BtStart.Caption=Start", "BtStart", "Caption", "Start"},
        {"Label1.Caption==5", "Label1", "Caption", "5"},
        {"EditZeit.Item[1]=30 minutes", "EditZeit", "Item[1]", "30 minutes"},
        {"Label1.Caption=a.b=c", "Label1", "Caption", "a.b=c"},
        {"Label1.Caption=", "Label1", "Caption", ""},
        {"no separators", "no separators", "", ""},
        {"", "", "", ""},
    };
    for (const auto& c : cases) {
        const LanguageEntry e = SplitLanguageEntry(c.line);
        EXPECT_EQ(e.component, c.component) << c.line;
        EXPECT_EQ(e.property, c.property) << c.line;
        EXPECT_EQ(e.value, c.value) << c.line;
    }
}

TEST(LanguageEntry, PropertyWordsAndIndexes) {
    const struct {
        const char* word;
        LanguageProperty kind;
        int index;
    } cases[] = {
        {"Caption", LanguageProperty::Caption, -1},
        {"caption", LanguageProperty::Caption, -1},
        {"HINT", LanguageProperty::Hint, -1},
        {"Item[12]", LanguageProperty::Item, 12},
        {"Title[3]", LanguageProperty::Title, 3},
        {"strings[0]", LanguageProperty::Strings, 0},
        {"Item[99999999]", LanguageProperty::Item, 999}, // three digits are read
        {"Strings[-1]", LanguageProperty::Strings, -1},
        {"Item[]", LanguageProperty::Item, 0},
        {"Text", LanguageProperty::Other, -1},
        {"", LanguageProperty::Other, -1},
    };
    for (const auto& c : cases) {
        int index = -7;
        EXPECT_EQ(ParseLanguageProperty(c.word, &index), c.kind) << c.word;
        EXPECT_EQ(index, c.index) << c.word;
    }
}

TEST(LanguageEntry, LineBreaksAndOffering) {
    const QString pilcrow = QString::fromUtf8("¶");
    EXPECT_EQ(LineBreaksFromPilcrow("a" + pilcrow + "b"), "a\nb");
    EXPECT_EQ(PilcrowFromLineBreaks("a\r\nb\nc\rd"),
              "a" + pilcrow + "b" + pilcrow + "c" + pilcrow + "d");

    LanguageSection s{"FormMain", {"Label1.Caption=Alt", "Label2.Caption"}};
    EXPECT_FALSE(OfferText(s, "Label1.Caption", "Neu")); // key present
    EXPECT_FALSE(OfferText(s, "Label2.Caption", "Neu")); // a line without "=" is its own key
    EXPECT_FALSE(OfferText(s, "Label3.Caption", "   ")); // blank
    EXPECT_TRUE(OfferText(s, "label1.Caption", "Neu"));  // keys match with case
    EXPECT_TRUE(OfferText(s, "Label4.Caption", "zwei\r\nZeilen"));
    EXPECT_EQ(s.lines.mid(2),
              QStringList({"label1.Caption=Neu", "Label4.Caption=zwei" + pilcrow + "Zeilen"}));

    EXPECT_EQ(FormBaseName("FormDaten_1"), "FormDaten");
    EXPECT_EQ(FormBaseName("FormMain"), "FormMain");
}

TEST(LanguageEntry, SectionsMatchIgnoringCaseOfLettersOnly) {
    TranslationTable t;
    t.sections.append(LanguageSection{"formmain", {}});
    t.sections.append(LanguageSection{"FormMain", {}});
    t.sections.append(LanguageSection{QString::fromUtf8("FormÜ"), {}});
    EXPECT_EQ(t.FindSection("FORMMAIN"), 0);                  // first match in table order
    EXPECT_EQ(t.FindSection(QString::fromUtf8("formü")), -1); // only a-z are upper-cased
    EXPECT_EQ(t.FindSection(QString::fromUtf8("formÜ")), 2);
    EXPECT_EQ(t.FindSection("FormDaten"), -1);
}
