#pragma once
// Program-wide paths and settings.
#include <QRect>
#include <QString>
#include <optional>

extern QString ProgramFolder;   // with trailing "/"
extern QString WindowStateFile; // ProgramFolder + "KURIMWIN.INI"

// Computes ProgramFolder from the executable's path, or from KURIM_HOME when that is set.
void InitProgramFolder(const QString& executablePath);
QString SettingsFilePath(); // Kurim.ini in ProgramFolder, found without regard to case
QString ProgramFile(const QString& name); // a delivered file in ProgramFolder, any case

struct TSettings {
    QString Datenpfad; // section "Tabellen"
    QString language;  // section "Main", capitals with umlauts spelled out ("ENGLISH")
    bool MG = false;
    bool BEZUG = false;
    double Bezugo2 = 3.0;
    bool BONUS = false;
    bool TcpButton = false;
    double AktivO2 = 20.0; // section "Tabellen"
};
extern TSettings Settings;

void ResetSettings(); // the defaults (Datenpfad depends on ProgramFolder)
void LoadSettings();
void SaveSettings(); // false results are reported through ErrorBox

extern const char* const VersionText; // "6.6,005"
// Indexed 0..13 by MeasuredValue (0 = none).
extern const QString UnitTextPpm[14];
extern const QString UnitTextMg[14];
QString UnitText(int measuredValue); // by Settings.MG

bool OpenHelpDocument(const QString& topic);

// Window placement: KURIMWIN.INI in the program folder, or the per-user store (QSettings,
// ~/.config/QAN/KURIM.conf) for the windows that keep it there.
enum class PlacementStore { WindowStateFile, UserStore };
struct Placement {
    QRect rect;    // normal geometry
    int state = 0; // 0 normal, 1 minimized, 2 maximized
};
void WritePlacement(PlacementStore store, const QString& section, const Placement& p);
std::optional<Placement> ReadPlacement(PlacementStore store, const QString& section);

// Puts every program-wide state back to its start value (tests).
void ResetGlobalState();
