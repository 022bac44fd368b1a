#pragma once
// Language files and the language state, without any window.
//
// A language file holds one section per window ("[FormMain]") and one line per text
// ("BtStart.Caption=Start"). The whole file is kept in memory as TranslationTable, exactly as
// read, so that the language window can show, edit and write it back unchanged.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct LanguageSection {
    QString name;
    QStringList lines;
};

class TranslationTable {
public:
    QList<LanguageSection> sections;

    // First section whose name equals `baseName` when both are upper-cased (letters a-z only).
    int FindSection(const QString& baseName) const;
    void Clear() { sections.clear(); }
    int Count() const { return int(sections.size()); }
};

// The table every window is translated from; shown and edited by the language window.
extern TranslationTable Translation;

// Language state (also declared in language/ui/Translate.h for the windows).
extern QString LanguageFile; // "GERMAN" until LoadLanguage has run
extern bool GermanLanguage;
extern bool CollectMode;
extern bool LanguageLoaded;

// Puts the language state and the table back to their start values (tests).
void ResetLanguageState();

// --- File format -------------------------------------------------------------------------------

// Builds a table from the bytes of a language file (Windows-1252; CR, LF and CR LF end lines).
TranslationTable ParseLanguageText(const QByteArray& bytes);
// The bytes of a language file for the table (Windows-1252, CR LF); they parse back into it.
QByteArray LanguageFileBytes(const TranslationTable& table);
// False when the file cannot be read; `table` is then untouched.
bool ReadLanguageFile(const QString& path, TranslationTable& table);
// Replaces the file only when the new one is complete. On failure `error` gets the system's text.
bool WriteLanguageFile(const QString& path, const TranslationTable& table, QString* error);

// --- Entries -----------------------------------------------------------------------------------

struct LanguageEntry {
    QString component; // "BtStart"
    QString property;  // "Caption", as written
    QString value;     // the rest of the line, "¶" still in it
};
// Splits at the characters "." and "=": component, property, and the value after the whole run
// of separators that follows the property ("Label1.Caption==5" gives the value "5").
LanguageEntry SplitLanguageEntry(const QString& line);

enum class LanguageProperty { Other, Caption, Hint, Item, Title, Strings };
// Recognises the property word in capitals with umlauts spelled out. For the indexed words the
// index is read leniently from the three characters after "[" (so at most 999; may be negative).
LanguageProperty ParseLanguageProperty(const QString& property, int* index = nullptr);

// "¶" stands for a line break in a language file. Inside the program a line break is "\n".
QString LineBreaksFromPilcrow(const QString& value);
QString PilcrowFromLineBreaks(const QString& text);

// A window's base name: its name up to the first "_", so that "FormDaten_1" uses [FormDaten].
QString FormBaseName(const QString& name);

// The key of a line: the text before its first "=" (the whole line when it has none).
QString LanguageLineKey(const QString& line);
// Appends key + "=" + text when the text is not blank and no line of the section has that key.
bool OfferText(LanguageSection& section, const QString& key, const QString& text);

// --- Loading -----------------------------------------------------------------------------------

// The file that choosing `chosen` reads: the chosen file itself when it exists; otherwise
// "Eng_KURIM.lng" when the name (after its folder) begins with a capital "E", else
// "Deu_KURIM.lng", looked for in ProgramFolder and then in the current folder. Empty when none
// exists.
QString LanguageFileToRead(const QString& chosen);
// Rebuilds Translation from the file that `chosen` selects. False (and Translation untouched)
// when that file does not exist or cannot be read.
bool LoadLanguageFile(const QString& chosen);

// Applies the command-line options in parameter order: "ENGLISH"/"GERMAN" first, "-CL", "-L…".
void ApplyLanguageOptions(const QStringList& args, QString& languageFile, bool& collectMode);
// The options kept by SetLanguageCommandLine (language/ui/Translate.h).
const QStringList& LanguageCommandLine();
void SetLanguageCommandLine(const QStringList& args);

// The file part of LoadLanguage: settings, options, the folder prefix, reading the file.
// Returns true when Translation was rebuilt.
bool LoadLanguageState();

// --- Language menu and switch ------------------------------------------------------------------

struct LanguageMenuEntry {
    int position;    // the file's position in the folder listing: the item is "MnSprache<n>"
    QString caption; // the file name up to ".lng"
    QString fileName;
};
// The items of the "Sprache" menu for the language files in `folder`, last listed first. Names
// whose extension is not written ".lng" in lower case are left out.
QList<LanguageMenuEntry> LanguageMenuEntries(const QString& folder);

// The settings part of choosing a language item: Settings.language, SaveSettings, and
// "Languagefile" in section "Main" of Kurim.ini. False when Kurim.ini could not be written.
bool StoreLanguageChoice(const QString& caption);
