#pragma once
// Text at the file and device boundary: the analysers, the settings file, language files and
// output files all speak Windows-1252, one byte per character. Inside the program text is QString.
#include <QByteArray>
#include <QString>

QString FromAnsi(const QByteArray& bytes);
QByteArray ToAnsi(const QString& text);

// Finds `name` inside `folder` without regard to case. Returns the path of the existing file, or
// folder + name when none exists (so the caller can create it under the expected name).
QString FindFileNoCase(const QString& folder, const QString& name);

// Writes the whole file or leaves the old one untouched: the data goes to a temporary file in the
// target folder that replaces the target only when complete.
bool WriteFileAtomic(const QString& path, const QByteArray& data);

// Reads at most maxBytes of a file; false when it cannot be opened.
bool ReadFileLimited(const QString& path, QByteArray& out, qint64 maxBytes = 64 * 1024 * 1024);
