#pragma once
// Translation of windows from the loaded language file. Windows call TranslateForm when they
// are shown; the first call loads the language.
#include <QString>
#include <QStringList>

class QWidget;
class QMenu;
struct LanguageSection;

void TranslateForm(QWidget* window);
void LoadLanguage();

extern QString LanguageFile;
extern bool GermanLanguage;
extern bool CollectMode;

// The program's command line (without the program name), read by LoadLanguage.
void SetLanguageCommandLine(const QStringList& args);

// Sets the texts of `window` and of the components it owns from the lines of its section.
void ApplyTranslation(QWidget* window, const LanguageSection& section);
// Adds the window's non-blank texts that the section lacks (collecting mode).
void CollectTexts(QWidget* window, LanguageSection& section);

// Fills the main window's top-level menu "Sprache" with one item per language file in
// ProgramFolder ("MnSprache<n>", captioned with the file name up to ".lng"), unless that menu
// already has items. Choosing an item calls SwitchLanguage. TranslateForm does this for the
// window named "FormMain"; other main windows may call it themselves.
void BuildLanguageMenu(QWidget* mainWindow);
// Chooses the language `caption` (a file name without ".lng"): Settings.language, SaveSettings,
// "Languagefile" in Kurim.ini, LoadLanguage, then translates the main window.
void SwitchLanguage(const QString& caption, QWidget* mainWindow);
