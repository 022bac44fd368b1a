#pragma once
// INI files as the program keeps them (Kurim.ini, KURIMWIN.INI): sections and keys matched
// without regard to case, keys of other owners kept as they are, Windows-1252 on disk. Each
// object reads the file once; Save() writes it back whole through a temporary file, so a crash
// never leaves a truncated file.
#include <QString>
#include <QStringList>
#include <memory>

class IniFile {
public:
    explicit IniFile(const QString& path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const QString& path() const { return path_; }
    bool loaded() const { return loaded_; } // false: file missing or unreadable (empty content)

    QString ReadString(const QString& section, const QString& key, const QString& def = {}) const;
    int ReadInteger(const QString& section, const QString& key, int def) const; // lenient
    bool ReadBool(const QString& section, const QString& key, bool def) const;  // non-zero = true
    bool HasKey(const QString& section, const QString& key) const;
    QStringList Sections() const;
    QStringList Keys(const QString& section) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value); // "1" / "0"
    void DeleteKey(const QString& section, const QString& key);
    void EraseSection(const QString& section);

    // Writes the file (Windows-1252, CR LF). False when it could not be written; the old file
    // then stays as it was.
    bool Save();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
    QString path_;
    bool loaded_ = false;
};
