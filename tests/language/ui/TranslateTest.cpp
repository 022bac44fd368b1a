// Translating and collecting windows of every component kind, the language menu and switch.
#include "app/Global.h"
#include "app/IniFile.h"
#include "app/StrHolder.h"
#include "language/Language.h"
#include "language/ui/Translate.h"
#include "support/TestSupport.h"
#include "tests/language/QtPrint.h"
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

const QString Pilcrow = QString::fromUtf8("¶");

template <class T> T* Named(QWidget* parent, const char* name) {
    auto* w = new T(parent);
    w->setObjectName(name);
    parent->layout()->addWidget(w);
    return w;
}

// A grid model that notes which header sections it was asked to set: a model of a table need not
// check the section it is given.
struct HeaderModel : QStandardItemModel {
    using QStandardItemModel::QStandardItemModel;
    QList<int> asked;
    bool setHeaderData(int section, Qt::Orientation o, const QVariant& v, int role) override {
        asked.append(section);
        return QStandardItemModel::setHeaderData(section, o, v, role);
    }
};

// A window with one component of every kind the language layer handles.
struct TestForm : QMainWindow {
    QMenu* MnDatei;
    QAction* MnOeffnen;
    QLabel *Label1, *LabelLeer;
    QPushButton* BtStart;
    QToolButton* BtStop;
    QCheckBox* cbNurBetrieb;
    QGroupBox* GroupBox1;
    QComboBox* EditZeit;
    QTableView* Grid1;
    HeaderModel model{0, 3};
    QTabWidget* Tabs;
    QWidget* TabSheet1;
    TStrHolder* Meldungen;

    explicit TestForm(const char* name = "FormTest") {
        setObjectName(name);
        setWindowTitle("Testfenster");
        MnDatei = menuBar()->addMenu("Datei");
        MnDatei->setObjectName("MnDatei");
        MnOeffnen = MnDatei->addAction(QString::fromUtf8("Öffnen"));
        MnOeffnen->setObjectName("MnOeffnen");
        MnDatei->addSeparator();
        auto* central = new QWidget(this);
        central->setLayout(new QVBoxLayout);
        setCentralWidget(central);
        Label1 = Named<QLabel>(central, "Label1");
        Label1->setText("Eins");
        LabelLeer = Named<QLabel>(central, "LabelLeer");
        LabelLeer->setText("   ");
        BtStart = Named<QPushButton>(central, "BtStart");
        BtStart->setText("Start");
        BtStart->setToolTip("Startet");
        BtStop = Named<QToolButton>(central, "BtStop");
        BtStop->setText("Stop");
        cbNurBetrieb = Named<QCheckBox>(central, "cbNurBetrieb");
        cbNurBetrieb->setText("Nur Betrieb");
        cbNurBetrieb->setToolTip("Nur bei Betrieb");
        GroupBox1 = Named<QGroupBox>(central, "GroupBox1");
        GroupBox1->setTitle("Intervall");
        EditZeit = Named<QComboBox>(central, "EditZeit");
        EditZeit->addItems({"1 s", "10 s", "30 s", "1 min", "5 min", "10 min", "30 min"});
        Grid1 = Named<QTableView>(central, "Grid1");
        model.setHorizontalHeaderLabels({"NUMMER", "ZEIT", "O2"});
        Grid1->setModel(&model);
        Tabs = Named<QTabWidget>(central, "Tabs");
        TabSheet1 = new QWidget;
        TabSheet1->setObjectName("TabSheet1");
        Tabs->addTab(TabSheet1, "Werte");
        Meldungen = new TStrHolder("Meldungen", {"Fehler A", "Fehler B"}, this);
    }
    QString title(int column) const { return model.headerData(column, Qt::Horizontal).toString(); }
};

// Each test starts with a fresh program folder and an already loaded, empty language.
struct TranslateTest : ::testing::Test {
    TempProgramFolder folder{false};
    void SetUp() override {
        ResetLanguageState();
        LanguageLoaded = true;
    }
    void TearDown() override { ResetLanguageState(); }
    void section(const QString& name, const QStringList& lines) {
        Translation.sections.append(LanguageSection{name, lines});
    }
};

} // namespace

TEST_F(TranslateTest, ReplacesTheTextsOfEveryKind) {
    section("FormTest",
            {
                "FormTest.Caption=Test window", "Label1.Caption=One" + Pilcrow + "Two",
                "BtStart.Caption=Go", "BtStart.Hint=Starts", "BtStop.Caption=Halt",
                "cbNurBetrieb.Caption=Only firing", "cbNurBetrieb.Hint=Only while firing",
                "GroupBox1.Caption=Interval", "GroupBox1.Hint=Pick one", "EditZeit.Hint=Interval",
                "EditZeit.Item[1]=30 minutes", "Grid1.Title[1]=TIME", "TabSheet1.Caption=Values",
                "MnDatei.Caption=File", "MnOeffnen.Caption=Open", "MnOeffnen.Hint=Open a file",
                "Meldungen.Strings[1]=Error B",
                "label1.caption==5", // later lines win; component case is free
            });
    TestForm w;
    TranslateForm(&w);
    EXPECT_EQ(w.windowTitle(), "Test window");
    EXPECT_EQ(w.Label1->text(), "5");
    EXPECT_EQ(w.BtStart->text(), "Go");
    EXPECT_EQ(w.BtStart->toolTip(), "Starts");
    EXPECT_EQ(w.BtStop->text(), "Halt");
    EXPECT_EQ(w.cbNurBetrieb->text(), "Only firing");
    EXPECT_EQ(w.cbNurBetrieb->toolTip(), "Only while firing");
    EXPECT_EQ(w.GroupBox1->title(), "Interval");
    EXPECT_EQ(w.GroupBox1->toolTip(), "Pick one");
    EXPECT_EQ(w.EditZeit->toolTip(), "Interval");
    EXPECT_EQ(w.EditZeit->itemText(1), "30 minutes");
    EXPECT_EQ(w.title(1), "TIME");
    EXPECT_EQ(w.title(0), "NUMMER");
    EXPECT_EQ(w.Tabs->tabText(0), "Values");
    EXPECT_EQ(w.MnDatei->title(), "File");
    EXPECT_EQ(w.MnOeffnen->text(), "Open");
    EXPECT_EQ(w.MnOeffnen->toolTip(), "Open a file");
    EXPECT_EQ(w.Meldungen->Strings, QStringList({"Fehler A", "Error B"}));

    // "¶" is a line break.
    Translation.sections[0].lines = {"Label1.Caption=One" + Pilcrow + "Two"};
    TranslateForm(&w);
    EXPECT_EQ(w.Label1->text(), "One\nTwo");
}

TEST_F(TranslateTest, IgnoresWhatDoesNotFit) {
    section("FormTest", {
                            "",
                            "no equals sign",
                            "=",
                            "[",
                            "Nobody.Caption=x",
                            "Label1.Hint=x",       // labels take no hint
                            "Label1.Text=x",       // no such property word
                            "Grid1.Caption=x",     // grids take no caption
                            "EditZeit.Item[12]=x", // seven items
                            "EditZeit.Item[99999999]=x",
                            "EditZeit.Item[-1]=x",
                            "Meldungen.Strings[-1]=x",
                            "Meldungen.Strings[2]=x",
                            "Grid1.Title[-1]=x",
                            "Grid1.Title[7]=x",
                            "BtStart.Item[0]=x",
                            QString::fromLatin1("\x01\x7f\xff.Caption=\x02"),
                        });
    TestForm w;
    TranslateForm(&w);
    EXPECT_EQ(w.windowTitle(), "Testfenster");
    EXPECT_EQ(w.Label1->text(), "Eins");
    EXPECT_EQ(w.Label1->toolTip(), "");
    EXPECT_EQ(w.BtStart->text(), "Start");
    EXPECT_EQ(w.EditZeit->count(), 7);
    EXPECT_EQ(w.EditZeit->itemText(6), "30 min");
    EXPECT_EQ(w.EditZeit->itemText(0), "1 s");
    EXPECT_EQ(w.Meldungen->Strings, QStringList({"Fehler A", "Fehler B"}));
    EXPECT_EQ(w.model.columnCount(), 3);
    EXPECT_EQ(w.title(0), "NUMMER");
    EXPECT_TRUE(w.model.asked.isEmpty()); // no title index outside the columns reaches the model
}

TEST_F(TranslateTest, SectionNamesIgnoreCaseButWindowNamesInEntriesDoNot) {
    section("formtest", {"formtest.Caption=lower", "Label1.Caption=applied"});
    TestForm w;
    TranslateForm(&w);
    EXPECT_EQ(w.Label1->text(), "applied");
    EXPECT_EQ(w.windowTitle(), "Testfenster");

    Translation.sections[0].lines = {"FormTest.Caption=Data acquisition"};
    TranslateForm(&w);
    EXPECT_EQ(w.windowTitle(), "Data acquisition");

    // A further instance uses the section of the first.
    TestForm second("FormTest_1");
    TranslateForm(&second);
    EXPECT_EQ(second.windowTitle(), "Data acquisition");
}

TEST_F(TranslateTest, CollectingAddsMissingTextsOnceThenTranslates) {
    CollectMode = true;
    section("FormOther", {"Label1.Caption=other window"});
    section("FormTest", {"Label1.Caption=One", "BtStop.Caption"});
    TestForm w;
    TranslateForm(&w);
    ASSERT_EQ(Translation.Count(), 2);
    const QStringList expected = {
        "Label1.Caption=One",
        "BtStop.Caption",
        "FormTest.Caption=Testfenster",
        "BtStart.Caption=Start",
        "BtStart.Hint=Startet",
        "GroupBox1.Caption=Intervall",
        "MnDatei.Caption=Datei",
        QString::fromUtf8("MnOeffnen.Caption=Öffnen"),
        "TabSheet1.Caption=Werte",
        "cbNurBetrieb.Hint=Nur bei Betrieb",
        "cbNurBetrieb.Caption=Nur Betrieb",
        "EditZeit.Item[0]=1 s",
        "EditZeit.Item[1]=10 s",
        "EditZeit.Item[2]=30 s",
        "EditZeit.Item[3]=1 min",
        "EditZeit.Item[4]=5 min",
        "EditZeit.Item[5]=10 min",
        "EditZeit.Item[6]=30 min",
        "Meldungen.Strings[0]=Fehler A",
        "Meldungen.Strings[1]=Fehler B",
        "Grid1.Title[0]=NUMMER",
        "Grid1.Title[1]=ZEIT",
        "Grid1.Title[2]=O2",
    };
    EXPECT_EQ(Translation.sections[1].lines, expected);
    EXPECT_EQ(w.Label1->text(), "One"); // translated after collecting

    TranslateForm(&w);
    EXPECT_EQ(Translation.sections[1].lines, expected);

    // A window without a section gets one under its base name; line breaks become "¶".
    TestForm fresh("FormNeu_2");
    fresh.Label1->setText("zwei\nZeilen");
    TranslateForm(&fresh);
    ASSERT_EQ(Translation.Count(), 3);
    EXPECT_EQ(Translation.sections[2].name, "FormNeu");
    EXPECT_EQ(
        Translation.sections[2].lines.mid(0, 2),
        QStringList({"FormNeu.Caption=Testfenster", "Label1.Caption=zwei" + Pilcrow + "Zeilen"}));
    EXPECT_EQ(fresh.Label1->text(), "zwei\nZeilen");
}

TEST_F(TranslateTest, LanguageMenuAndSwitch) {
    LanguageLoaded = false;
    folder.write("Deu_KURIM.lng", "[FormMain]\r\nFormMain.Caption=Datenerfassung\r\n"
                                  "Label1.Caption=Hauptfenster\r\n");
    folder.write("Eng_KURIM.lng", "[FormMain]\r\nFormMain.Caption=Data acquisition\r\n"
                                  "Label1.Caption=Main window\r\n");
    folder.write("OTHER.LNG", "");
    folder.write("Kurim.ini", "[Main]\r\nMG=1\r\n[Eingang]\r\nPort=COM7\r\n");
    LoadSettings();

    QMainWindow main;
    main.setObjectName("FormMain");
    main.setWindowTitle("KURIM");
    main.menuBar()->addMenu("Datei");
    QMenu* sprache = main.menuBar()->addMenu("&Sprache");
    auto* mdi = new QMdiArea(&main);
    main.setCentralWidget(mdi);
    auto* child = new QWidget;
    child->setObjectName("FormDaten");
    auto* childLabel = new QLabel("Kind", child);
    childLabel->setObjectName("Label1");
    mdi->addSubWindow(child);

    TranslateForm(&main); // no language chosen yet: nothing loaded
    EXPECT_EQ(main.windowTitle(), "KURIM");
    ASSERT_EQ(sprache->actions().size(), 2);
    EXPECT_EQ(sprache->actions()[0]->text(), "Eng_KURIM");
    EXPECT_EQ(sprache->actions()[0]->objectName(), "MnSprache1");
    EXPECT_EQ(sprache->actions()[1]->text(), "Deu_KURIM");
    EXPECT_EQ(sprache->actions()[1]->objectName(), "MnSprache0");

    sprache->actions()[0]->trigger();
    EXPECT_EQ(main.windowTitle(), "Data acquisition");
    EXPECT_EQ(childLabel->text(), "Kind"); // an MDI child is a window of its own
    EXPECT_EQ(Settings.language, "ENG_KURIM");
    IniFile ini(folder.file("Kurim.ini"));
    EXPECT_EQ(ini.ReadString("Main", "Languagefile"), "Eng_KURIM.lng");
    EXPECT_EQ(ini.ReadString("Main", "MG"), "1");
    EXPECT_EQ(ini.ReadString("Eingang", "Port"), "COM7");
    EXPECT_EQ(sprache->actions().size(), 2); // built once

    sprache->actions()[1]->trigger();
    EXPECT_EQ(main.windowTitle(), "Datenerfassung");
    EXPECT_EQ(IniFile(folder.file("Kurim.ini")).ReadString("Main", "Languagefile"),
              "Deu_KURIM.lng");
}
