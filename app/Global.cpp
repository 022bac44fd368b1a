#include "Global.h"
#include "Ansi.h"
#include "IniFile.h"
#include "Utils.h"
#include "Values.h"
#include <QDir>
#include <QFileInfo>
#include <QCursor>
#include <QGuiApplication>
#include <QSettings>

QString ProgramFolder;
QString WindowStateFile;
TSettings Settings;

const char* const VersionText = "6.6,005";

const QString UnitTextPpm[14] = {"",    "V%", "V%", "ppm", "ppm", "ppm", "ppm",
                                 "ppm", "°C", "°C", "",    "%",   "hPa", "%"};
const QString UnitTextMg[14] = {"",   "V%", "V%", "mg", "mg", "mg",  "mg",
                                "mg", "°C", "°C", "",   "%",  "hPa", "%"};

QString UnitText(int mv) {
    if (mv < 0 || mv > 13) return {};
    return Settings.MG ? UnitTextMg[mv] : UnitTextPpm[mv];
}

void InitProgramFolder(const QString& executablePath) {
    QString folder = qEnvironmentVariable("KURIM_HOME");
    if (folder.isEmpty()) folder = QFileInfo(executablePath).absolutePath();
    folder = QDir(folder).absolutePath();
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    ProgramFolder = folder;
    WindowStateFile = FindFileNoCase(ProgramFolder, QStringLiteral("KURIMWIN.INI"));
}

QString SettingsFilePath() {
    return FindFileNoCase(ProgramFolder, QStringLiteral("Kurim.ini"));
}

QString ProgramFile(const QString& name) {
    return FindFileNoCase(ProgramFolder, name);
}

void ResetSettings() {
    Settings = TSettings{};
    Settings.Datenpfad = ProgramFolder + QStringLiteral("Daten/");
}

void LoadSettings() {
    ResetSettings();
    const IniFile ini(SettingsFilePath());
    Settings.Datenpfad = ini.ReadString("Tabellen", "Datenpfad", Settings.Datenpfad);
    Settings.AktivO2 = ReadNumber(ini.ReadString("Tabellen", "AktivO2", "20.0"));
    Settings.language = ini.ReadString("Main", "language", QString());
    Settings.MG = ini.ReadBool("Main", "MG", false);
    Settings.BEZUG = ini.ReadBool("Main", "BEZUG", false);
    Settings.Bezugo2 = ReadNumber(ini.ReadString("Main", "BezugO2", "3.0"));
    Settings.BONUS = ini.ReadBool("Main", "BONUS", false);
    Settings.TcpButton = ini.ReadBool("Main", "TcpButton", false);
}

void SaveSettings() {
    IniFile ini(SettingsFilePath());
    ini.WriteString("Tabellen", "Datenpfad", Settings.Datenpfad);
    ini.WriteString("Tabellen", "AktivO2", FormatFixed(0, 1, Settings.AktivO2));
    ini.WriteString("Main", "language", Settings.language);
    ini.WriteBool("Main", "MG", Settings.MG);
    ini.WriteBool("Main", "BEZUG", Settings.BEZUG);
    ini.WriteString("Main", "BezugO2", FormatFixed(0, 1, Settings.Bezugo2));
    ini.WriteBool("Main", "BONUS", Settings.BONUS);
    ini.WriteBool("Main", "TcpButton", Settings.TcpButton);
    if (!ini.Save())
        ErrorBox(QStringLiteral("Die Einstellungen konnten nicht gespeichert werden: ") +
                 ini.path());
}

bool OpenHelpDocument(const QString& topic) {
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    if (gui) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QString suffix =
        Settings.language == QLatin1String("ENGLISH") ? QStringLiteral("_GB") : QString();
    const QString path =
        FindFileNoCase(ProgramFolder, QStringLiteral("Hilfe/") + topic + suffix + ".pdf");
    const int code = ShellOpenCode(path);
    if (gui) QGuiApplication::restoreOverrideCursor();
    if (code > 32) return true;
    InfoBox(ShellErrorText(code));
    return false;
}

void WritePlacement(PlacementStore store, const QString& section, const Placement& p) {
    if (store == PlacementStore::UserStore) {
        QSettings s(QStringLiteral("QAN"), QStringLiteral("KURIM"));
        s.beginGroup(section);
        s.setValue("Left", p.rect.x());
        s.setValue("Top", p.rect.y());
        s.setValue("Width", p.rect.width());
        s.setValue("Height", p.rect.height());
        s.setValue("State", p.state);
        return;
    }
    IniFile ini(WindowStateFile);
    ini.WriteInteger(section, "Left", p.rect.x());
    ini.WriteInteger(section, "Top", p.rect.y());
    ini.WriteInteger(section, "Width", p.rect.width());
    ini.WriteInteger(section, "Height", p.rect.height());
    ini.WriteInteger(section, "State", p.state);
    ini.Save();
}

std::optional<Placement> ReadPlacement(PlacementStore store, const QString& section) {
    Placement p;
    if (store == PlacementStore::UserStore) {
        QSettings s(QStringLiteral("QAN"), QStringLiteral("KURIM"));
        s.beginGroup(section);
        if (!s.contains("Width")) return std::nullopt;
        p.rect = QRect(s.value("Left").toInt(), s.value("Top").toInt(), s.value("Width").toInt(),
                       s.value("Height").toInt());
        p.state = s.value("State").toInt();
    } else {
        const IniFile ini(WindowStateFile);
        if (!ini.HasKey(section, "Width")) return std::nullopt;
        p.rect = QRect(ini.ReadInteger(section, "Left", 0), ini.ReadInteger(section, "Top", 0),
                       ini.ReadInteger(section, "Width", 0), ini.ReadInteger(section, "Height", 0));
        p.state = Clamp(ini.ReadInteger(section, "State", 0), 0, 2);
    }
    // A stored size of nothing (a damaged store) is no placement.
    if (p.rect.width() < 50 || p.rect.height() < 50 || p.rect.width() > 20000 ||
        p.rect.height() > 20000)
        return std::nullopt;
    return p;
}

void ResetGlobalState() {
    ResetSettings();
    ResetValueState();
}
