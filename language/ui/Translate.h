#pragma once
// Translation of windows from the loaded language file. Windows call TranslateForm when they
// are shown; the first call loads the language.
#include <QString>
#include <QStringList>

class QWidget;
class QMenu;

void TranslateForm(QWidget* window);
void LoadLanguage();

extern QString LanguageFile;
extern bool GermanLanguage;
extern bool CollectMode;

// The program's command line (without the program name), read by LoadLanguage.
void SetLanguageCommandLine(const QStringList& args);
