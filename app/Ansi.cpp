#include "Ansi.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

// Windows-1252 differs from Latin-1 only in 0x80..0x9F; the table keeps the conversion
// independent of which codecs the system's ICU offers.
static const char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString FromAnsi(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* p = out.data();
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *p++ = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
    }
    return out;
}

QByteArray ToAnsi(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u < 0x100)) {
            out.append(static_cast<char>(u));
            continue;
        }
        char mapped = '?';
        for (int i = 0; i < 32; ++i)
            if (kHigh[i] == u) {
                mapped = static_cast<char>(0x80 + i);
                break;
            }
        out.append(mapped);
    }
    return out;
}

QString FindFileNoCase(const QString& folder, const QString& name) {
    QString base = folder;
    if (!base.isEmpty() && !base.endsWith('/')) base += '/';
    if (QFileInfo::exists(base + name)) return base + name;
    // The name may carry sub-folders ("Hilfe/kurim.pdf"): match each step without regard to case.
    const QStringList parts = name.split('/', Qt::SkipEmptyParts);
    QString cur = base.isEmpty() ? QStringLiteral("./") : base;
    for (int i = 0; i < parts.size(); ++i) {
        QDir dir(cur);
        QString found;
        const QStringList entries =
            dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        for (const QString& e : entries)
            if (e.compare(parts[i], Qt::CaseInsensitive) == 0) {
                found = e;
                break;
            }
        if (found.isEmpty()) return base + name;
        cur += found + (i + 1 < parts.size() ? "/" : "");
    }
    return base.isEmpty() && cur.startsWith("./") ? cur.mid(2) : cur;
}

bool WriteFileAtomic(const QString& path, const QByteArray& data) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    if (f.write(data) != data.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

bool ReadFileLimited(const QString& path, QByteArray& out, qint64 maxBytes) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    out = f.read(maxBytes);
    return true;
}
