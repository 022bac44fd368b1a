#include "language/Language.h"
#include "app/Ansi.h"
#include "app/Global.h"
#include "app/IniFile.h"
#include "app/Utils.h"
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

TranslationTable Translation;
QString LanguageFile = QStringLiteral("GERMAN");
bool GermanLanguage = false;
bool CollectMode = false;
bool LanguageLoaded = false;

namespace {

QStringList commandLine;

const QChar Pilcrow(0x00B6);
// More than any real language file; protects against being handed a huge unrelated file.
constexpr qint64 MaxLanguageFileBytes = 64 * 1024 * 1024;

// Section names are compared with only the letters a-z upper-cased.
QString UpperAscii(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 32);
    return out;
}

bool IsEntrySeparator(QChar c) {
    return c == QLatin1Char('.') || c == QLatin1Char('=');
}

bool HasPathSeparator(const QString& name) {
    return name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'));
}

// The file name part of a path written with "/" or "\".
QString AfterLastSeparator(const QString& name) {
    const int cut =
        std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    return name.mid(cut + 1);
}

QString ExistingFileNoCase(const QString& folder, const QString& name) {
    if (name.isEmpty()) return {};
    const QString found = FindFileNoCase(folder, name);
    const QFileInfo info(found);
    return info.exists() && info.isFile() ? found : QString();
}

} // namespace

int TranslationTable::FindSection(const QString& baseName) const {
    const QString wanted = UpperAscii(baseName);
    for (int i = 0; i < sections.size(); ++i)
        if (UpperAscii(sections[i].name) == wanted) return i;
    return -1;
}

void ResetLanguageState() {
    Translation.Clear();
    LanguageFile = QStringLiteral("GERMAN");
    GermanLanguage = false;
    CollectMode = false;
    LanguageLoaded = false;
    commandLine.clear();
}

TranslationTable ParseLanguageText(const QByteArray& bytes) {
    const QString text = FromAnsi(bytes);
    TranslationTable table;
    LanguageSection* current = nullptr;
    auto takeLine = [&](QStringView line) {
        if (line.startsWith(QLatin1Char('['))) {
            // The last character is taken to be "]" whatever it is.
            table.sections.append(
                {line.mid(1, std::max<qsizetype>(0, line.size() - 2)).toString(), {}});
            current = &table.sections.last();
        } else if (current) {
            current->lines.append(line.toString());
        }
    };
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
        takeLine(QStringView(text).mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n')) ++i;
        start = i + 1;
    }
    // A last line without a line end still counts; a final line end opens no empty line.
    if (start < n) takeLine(QStringView(text).mid(start));
    return table;
}

QByteArray LanguageFileBytes(const TranslationTable& table) {
    QString text;
    for (const LanguageSection& s : table.sections) {
        text += QLatin1Char('[') + s.name + QLatin1String("]\r\n");
        for (const QString& line : s.lines)
            text += line + QLatin1String("\r\n");
    }
    return ToAnsi(text);
}

bool ReadLanguageFile(const QString& path, TranslationTable& table) {
    QByteArray bytes;
    if (!ReadFileLimited(path, bytes, MaxLanguageFileBytes)) return false;
    table = ParseLanguageText(bytes);
    return true;
}

bool WriteLanguageFile(const QString& path, const TranslationTable& table, QString* error) {
    QSaveFile file(path);
    const QByteArray bytes = LanguageFileBytes(table);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

LanguageEntry SplitLanguageEntry(const QString& line) {
    // Separators before a word are skipped, as the tokenizer does: component, then property,
    // then the value after the whole run of "." and "=" that follows the property.
    LanguageEntry e;
    const qsizetype n = line.size();
    qsizetype i = 0;
    auto skip = [&] {
        while (i < n && IsEntrySeparator(line[i]))
            ++i;
    };
    auto word = [&] {
        skip();
        const qsizetype from = i;
        while (i < n && !IsEntrySeparator(line[i]))
            ++i;
        return line.mid(from, i - from);
    };
    e.component = word();
    e.property = word();
    skip();
    e.value = line.mid(i);
    return e;
}

LanguageProperty ParseLanguageProperty(const QString& property, int* index) {
    const QString p = CapitalizeSpelled(property);
    if (index) *index = -1;
    if (p == QLatin1String("CAPTION")) return LanguageProperty::Caption;
    if (p == QLatin1String("HINT")) return LanguageProperty::Hint;
    static const struct {
        const char* word;
        LanguageProperty kind;
    } indexed[] = {{"ITEM[", LanguageProperty::Item},
                   {"TITLE[", LanguageProperty::Title},
                   {"STRINGS[", LanguageProperty::Strings}};
    for (const auto& w : indexed) {
        const QLatin1String word(w.word);
        if (p.startsWith(word)) {
            if (index) *index = ReadInt(p.mid(word.size(), 3));
            return w.kind;
        }
    }
    return LanguageProperty::Other;
}

QString LineBreaksFromPilcrow(const QString& value) {
    QString out = value;
    out.replace(Pilcrow, QLatin1Char('\n'));
    return out;
}

QString PilcrowFromLineBreaks(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QString(Pilcrow));
    out.replace(QLatin1Char('\r'), Pilcrow);
    out.replace(QLatin1Char('\n'), Pilcrow);
    return out;
}

QString FormBaseName(const QString& name) {
    const int cut = name.indexOf(QLatin1Char('_'));
    return cut < 0 ? name : name.left(cut);
}

QString LanguageLineKey(const QString& line) {
    const int eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? line : line.left(eq);
}

bool OfferText(LanguageSection& section, const QString& key, const QString& text) {
    if (!HasNonBlank(text)) return false;
    for (const QString& line : section.lines)
        if (LanguageLineKey(line) == key) return false;
    section.lines.append(key + QLatin1Char('=') + PilcrowFromLineBreaks(text));
    return true;
}

QString LanguageFileToRead(const QString& chosen) {
    if (chosen.isEmpty()) return {};
    const QString own = AfterLastSeparator(chosen);
    if (HasPathSeparator(chosen)) {
        const QString folder = chosen.left(chosen.size() - own.size());
        const QString found = ExistingFileNoCase(folder, own);
        if (!found.isEmpty()) return found;
        // The program folder was put in front of a bare name: the current folder comes next.
        if (folder == ProgramFolder) {
            const QString here = ExistingFileNoCase(QDir::currentPath(), own);
            if (!here.isEmpty()) return here;
        }
    } else {
        for (const QString& folder : {ProgramFolder, QDir::currentPath()}) {
            const QString found = ExistingFileNoCase(folder, own);
            if (!found.isEmpty()) return found;
        }
    }
    const QString shipped = own.startsWith(QLatin1Char('E')) ? QStringLiteral("Eng_KURIM.lng")
                                                             : QStringLiteral("Deu_KURIM.lng");
    for (const QString& folder : {ProgramFolder, QDir::currentPath()}) {
        const QString found = ExistingFileNoCase(folder, shipped);
        if (!found.isEmpty()) return found;
    }
    return {};
}

bool LoadLanguageFile(const QString& chosen) {
    const QString path = LanguageFileToRead(chosen);
    if (path.isEmpty()) return false;
    TranslationTable table;
    if (!ReadLanguageFile(path, table)) return false;
    Translation = std::move(table);
    return true;
}

void ApplyLanguageOptions(const QStringList& args, QString& languageFile, bool& collectMode) {
    for (int i = 0; i < args.size(); ++i) {
        const QString p = CapitalizeSpelled(args[i]);
        if (i == 0 && (p == QLatin1String("ENGLISH") || p == QLatin1String("GERMAN")))
            languageFile = p + QLatin1String(".LNG");
        if (p == QLatin1String("-CL")) collectMode = true;
        if (p.startsWith(QLatin1String("-L"))) languageFile = args[i].mid(2, 200);
    }
}

const QStringList& LanguageCommandLine() {
    return commandLine;
}
void SetLanguageCommandLine(const QStringList& args) {
    commandLine = args;
}

bool LoadLanguageState() {
    LanguageFile = IniFile(SettingsFilePath())
                       .ReadString(QStringLiteral("Main"), QStringLiteral("Languagefile"));
    // Only the setting decides; a language given on the command line does not.
    GermanLanguage = CapitalizeSpelled(LanguageFile) == QLatin1String("GERMAN.LNG");
    ApplyLanguageOptions(commandLine, LanguageFile, CollectMode);
    if (HasNonBlank(LanguageFile) && !HasPathSeparator(LanguageFile))
        LanguageFile = ProgramFolder + LanguageFile;
    LanguageLoaded = true;
    return !LanguageFile.isEmpty() && LoadLanguageFile(LanguageFile);
}

QList<LanguageMenuEntry> LanguageMenuEntries(const QString& folder) {
    // Listed by name without regard to case, as the original file system listed them.
    const QStringList names = QDir(folder).entryList(
        {QStringLiteral("*.lng")}, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    QList<LanguageMenuEntry> out;
    for (int i = int(names.size()) - 1; i >= 0; --i) {
        const int ext = names[i].indexOf(QLatin1String(".lng"));
        if (ext < 0) continue;
        out.append({i, names[i].left(ext), names[i]});
    }
    return out;
}

bool StoreLanguageChoice(const QString& caption) {
    Settings.language = CapitalizeSpelled(caption);
    SaveSettings();
    IniFile ini(SettingsFilePath());
    ini.WriteString(QStringLiteral("Main"), QStringLiteral("Languagefile"),
                    caption + QLatin1String(".lng"));
    return ini.Save();
}
