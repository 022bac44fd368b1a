#include "IniFile.h"
#include "Ansi.h"
#include "Utils.h"
#include <SimpleIni.h>
#include <QFile>

struct IniFile::Impl {
    CSimpleIniA ini{false, false, false};
};

static std::string Bytes(const QString& s) {
    return ToAnsi(s).toStdString();
}

// Settings files are small; anything beyond this is not a settings file and is not read whole.
static constexpr qint64 kMaxIniBytes = 16 * 1024 * 1024;

IniFile::IniFile(const QString& path) : d(std::make_unique<Impl>()), path_(path) {
    d->ini.SetSpaces(false);
    QByteArray content;
    if (ReadFileLimited(path, content, kMaxIniBytes)) {
        // A NUL byte would end the text early; a settings file never holds one.
        content.replace('\0', ' ');
        loaded_ = d->ini.LoadData(content.constData(), size_t(content.size())) >= 0;
    }
}

IniFile::~IniFile() = default;

QString IniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
    const char* v = d->ini.GetValue(Bytes(section).c_str(), Bytes(key).c_str(), nullptr);
    return v ? FromAnsi(QByteArray(v)) : def;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int def) const {
    const char* v = d->ini.GetValue(Bytes(section).c_str(), Bytes(key).c_str(), nullptr);
    return v ? ReadInt(FromAnsi(QByteArray(v))) : def;
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::HasKey(const QString& section, const QString& key) const {
    return d->ini.GetValue(Bytes(section).c_str(), Bytes(key).c_str(), nullptr) != nullptr;
}

QStringList IniFile::Sections() const {
    CSimpleIniA::TNamesDepend names;
    d->ini.GetAllSections(names);
    names.sort(CSimpleIniA::Entry::LoadOrder());
    QStringList out;
    for (const auto& n : names)
        out << FromAnsi(QByteArray(n.pItem));
    return out;
}

QStringList IniFile::Keys(const QString& section) const {
    CSimpleIniA::TNamesDepend names;
    d->ini.GetAllKeys(Bytes(section).c_str(), names);
    names.sort(CSimpleIniA::Entry::LoadOrder());
    QStringList out;
    for (const auto& n : names)
        out << FromAnsi(QByteArray(n.pItem));
    return out;
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    // Line breaks would split the entry into lines of their own.
    QString v = value;
    v.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    d->ini.SetValue(Bytes(section).c_str(), Bytes(key).c_str(), Bytes(v).c_str());
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value) {
    WriteString(section, key, QString::number(value));
}

void IniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void IniFile::DeleteKey(const QString& section, const QString& key) {
    d->ini.Delete(Bytes(section).c_str(), Bytes(key).c_str(), true);
}

void IniFile::EraseSection(const QString& section) {
    d->ini.Delete(Bytes(section).c_str(), nullptr);
}

bool IniFile::Save() {
    std::string out;
    if (d->ini.Save(out, false) < 0) return false;
    QByteArray bytes;
    bytes.reserve(qsizetype(out.size() + out.size() / 16));
    for (char c : out) {
        if (c == '\n') bytes.append('\r');
        if (c != '\r') bytes.append(c);
    }
    return WriteFileAtomic(path_, bytes);
}
