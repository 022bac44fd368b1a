#include "Utils.h"
#include "DialogHook.h"
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <bitset>
#include <charconv>
#include <cmath>
#include <csignal>
#include <string>

static bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int ReadInt(const QString& text) {
    const int dollar = text.indexOf(QLatin1Char('$'));
    if (dollar >= 0) {
        std::string hex;
        for (int i = dollar + 1; i < text.size(); ++i) {
            QChar c = text[i];
            if (c >= QLatin1Char('a') && c <= QLatin1Char('f')) c = c.toUpper();
            if (IsDigit(c) || (c >= QLatin1Char('A') && c <= QLatin1Char('F')))
                hex.push_back(char(c.unicode()));
            else
                break;
        }
        if (hex.empty()) return 0;
        hex.erase(0, std::min(hex.find_first_not_of('0'), hex.size() - 1));
        if (hex.size() > 8) return 0;
        unsigned long v = std::stoul(hex, nullptr, 16);
        return v > 0x7FFFFFFFul ? 0 : int(v);
    }
    int i = 0;
    while (i < text.size() && text[i] != QLatin1Char('-') && !IsDigit(text[i]))
        ++i;
    if (i >= text.size()) return 0;
    std::string taken(1, char(text[i].unicode()));
    for (++i; i < text.size() && IsDigit(text[i]); ++i) {
        // Leading zeros carry no value and must not push a small number out of range.
        if (taken == "0")
            taken.clear();
        else if (taken == "-0")
            taken = "-";
        taken.push_back(char(text[i].unicode()));
        if (taken.size() > 12) return 0; // far beyond 32 bits
    }
    int value = 0;
    auto [end, ec] = std::from_chars(taken.data(), taken.data() + taken.size(), value);
    if (ec != std::errc() || end != taken.data() + taken.size()) return 0;
    return value;
}

double ReadNumberAscii(std::string_view text) {
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    size_t i = 0;
    while (i < text.size() &&
           !(text[i] == ',' || text[i] == '-' || text[i] == '.' || isDigit(text[i])))
        ++i;
    if (i >= text.size()) return 0.0;
    const size_t start = i;
    for (++i; i < text.size() && (isDigit(text[i]) || text[i] == ',' || text[i] == '.'); ++i) {
    }
    const size_t len = i - start;
    char small[64];
    std::string large;
    char* b = small;
    if (len > sizeof small) { // rare: a very long run of digits
        large.resize(len);
        b = large.data();
    }
    for (size_t k = 0; k < len; ++k)
        b[k] = text[start + k] == ',' ? '.' : text[start + k];
    const char* e = b + len;
    // The sign is handled here: from_chars would also take "-.5", but not a lone "-".
    bool neg = false;
    if (*b == '-') {
        neg = true;
        ++b;
    }
    if (b == e) return 0.0;
    double v = 0.0;
    auto [end, ec] = std::from_chars(b, e, v, std::chars_format::fixed);
    if (ec != std::errc() || end != e || !std::isfinite(v)) return 0.0;
    return neg ? -v : v;
}

double ReadNumber(const QString& text) {
    // The taken run is ASCII; converting only up to the first character that cannot belong to
    // a number keeps this cheap for long texts.
    std::string ascii;
    ascii.reserve(std::min<qsizetype>(text.size(), 64));
    bool started = false;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool numChar = u == ',' || u == '-' || u == '.' || (u >= '0' && u <= '9');
        if (!started) {
            if (!numChar) continue;
            started = true;
        } else if (!numChar) {
            break;
        }
        ascii.push_back(char(u));
    }
    return ReadNumberAscii(ascii);
}

int ReadIntAscii(std::string_view text) {
    return ReadInt(QString::fromLatin1(text.data(), qsizetype(text.size())));
}

// Rounds on the shortest decimal form of x, halves away from zero, as a person rounds:
// 0.15 -> 0.2 and 2.25 -> 2.3 (binary printf gives 0.1 and 2.2).
QString FormatFixed(int width, int decimals, double x) {
    decimals = std::clamp(decimals, 0, 18);
    QString out;
    if (std::isnan(x)) {
        out = QStringLiteral("NAN");
    } else if (std::isinf(x)) {
        out = x < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    } else if (std::fabs(x) >= 1e15) {
        out = QString::number(x, 'E', std::min(decimals, 14));
    } else {
        char buf[64];
        auto [end, ec] =
            std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::fixed);
        std::string s(buf, ec == std::errc() ? end : buf);
        std::string ip = s, fp;
        if (auto dot = s.find('.'); dot != std::string::npos) {
            ip = s.substr(0, dot);
            fp = s.substr(dot + 1);
        }
        bool roundUp = fp.size() > size_t(decimals) && fp[decimals] >= '5';
        fp.resize(decimals, '0');
        std::string digits = ip + fp;
        if (roundUp) {
            int k = int(digits.size()) - 1;
            while (k >= 0) {
                if (digits[k] == '9') {
                    digits[k] = '0';
                    --k;
                } else {
                    ++digits[k];
                    break;
                }
            }
            if (k < 0) digits.insert(digits.begin(), '1');
        }
        std::string intPart = digits.substr(0, digits.size() - decimals);
        std::string fracPart = digits.substr(digits.size() - decimals);
        const bool zero = digits.find_first_not_of('0') == std::string::npos;
        std::string r = (x < 0 && !zero ? "-" : "") + intPart;
        if (decimals > 0) r += "." + fracPart;
        out = QString::fromLatin1(r.c_str());
    }
    if (out.size() < width) out = QString(width - out.size(), QLatin1Char(' ')) + out;
    const int dot = out.indexOf(QLatin1Char('.'));
    if (dot >= 0) out[dot] = QLatin1Char(',');
    return out.left(30);
}

QString IntText(int value, int width) {
    return QString::number(value).rightJustified(width, ' ');
}

QString ZeroPadded(int value, int width) {
    return IntText(value, width).replace(QLatin1Char(' '), QLatin1Char('0'));
}

QChar CharAt(const QString& text, int position) {
    return position >= 1 && position <= text.size() ? text[position - 1] : QLatin1Char(' ');
}

QString WithBackslash(const QString& text) {
    return !text.isEmpty() && !text.endsWith(QLatin1Char('\\')) ? text + QLatin1Char('\\') : text;
}

QString CapitalizeSpelled(const QString& text) {
    QString out;
    out.reserve(text.size() + 4);
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'ä':
        case u'Ä':
            out += QLatin1String("AE");
            break;
        case u'ö':
        case u'Ö':
            out += QLatin1String("OE");
            break;
        case u'ü':
        case u'Ü':
            out += QLatin1String("UE");
            break;
        case u'ß':
            out += QLatin1String("SS");
            break;
        default:
            out += (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ? QChar(c.unicode() - 32) : c;
        }
    }
    return out;
}

QString CapitalizeUmlauts(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u >= 'a' && u <= 'z')
            c = QChar(u - 32);
        else if (u == u'ä')
            c = QChar(u'Ä');
        else if (u == u'ö')
            c = QChar(u'Ö');
        else if (u == u'ü')
            c = QChar(u'Ü');
    }
    return out;
}

bool HasNonBlank(const QString& text) {
    for (QChar c : text)
        if (c != QLatin1Char(' ')) return true;
    return false;
}

int Clamp(int value, int low, int high) {
    if (value > high) value = high;
    if (value < low) value = low;
    return value;
}

QString TrimBlanks(const QString& text) {
    int b = 0, e = int(text.size());
    while (b < e && text[b] == QLatin1Char(' '))
        ++b;
    while (e > b && text[e - 1] == QLatin1Char(' '))
        --e;
    return text.mid(b, e - b);
}

QString OverlayText(const QString& text, const QString& line, int column, int length) {
    if (length == 0) length = int(text.size());
    QString out = line;
    const int want = std::min(column + length - 1, 255);
    if (out.size() < want) out += QString(want - out.size(), QLatin1Char(' '));
    for (int k = 1; k <= length; ++k) {
        const int col = column + k - 1;
        if (col >= 256) break;
        if (col < 1 || col > out.size()) continue;
        out[col - 1] = k <= text.size() ? text[k - 1] : QLatin1Char(' ');
    }
    return out;
}

// Tokenizer state, one for the whole program.
static QString tokSource;
static int tokPos = 1;
static std::bitset<256> tokSeparators;

static bool IsSeparator(QChar c) {
    return c.unicode() < 256 && tokSeparators.test(c.unicode());
}

void TokenizerStart(const QString& text, const QString& separators) {
    tokSource = text;
    tokPos = 1;
    tokSeparators.reset();
    for (QChar c : separators)
        if (c.unicode() < 256) tokSeparators.set(c.unicode());
}

static void SkipSeparators() {
    while (tokPos <= tokSource.size() && IsSeparator(tokSource[tokPos - 1]))
        ++tokPos;
}

QString NextToken() {
    SkipSeparators();
    const int start = tokPos;
    while (tokPos <= tokSource.size() && !IsSeparator(tokSource[tokPos - 1]))
        ++tokPos;
    return tokSource.mid(start - 1, tokPos - start);
}

QString RestOfText() {
    SkipSeparators();
    const QString rest = tokSource.mid(tokPos - 1);
    tokPos = int(tokSource.size()) + 1;
    return rest;
}

void ErrorBox(const QString& text) {
    RunDialog({DialogKind::ErrorBox, text, {}, {}, {}, {}});
}
void InfoBox(const QString& text) {
    RunDialog({DialogKind::InfoBox, text, {}, {}, {}, {}});
}
bool ConfirmBox(const QString& text) {
    return RunDialog({DialogKind::ConfirmBox, text, {}, {}, {}, {}}).accepted;
}
void ShowErrorDialog(const QString& text) {
    RunDialog({DialogKind::ErrorDialog, text, {}, {}, {}, {}});
}
void ShowInfoDialog(const QString& text) {
    RunDialog({DialogKind::InfoDialog, text, {}, {}, {}, {}});
}
bool AskQuestionDialog(const QString& text) {
    return RunDialog({DialogKind::QuestionDialog, text, {}, {}, {}, {}}).accepted;
}

int CopyFileKeepDate(const QString& source, const QString& target) {
    if (source == target) return 4;
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return 1;
    // The copy goes to a temporary file beside the target and replaces it only when complete.
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) return 2;
    constexpr qint64 kBlock = 65520;
    for (;;) {
        const QByteArray block = in.read(kBlock);
        if (block.isEmpty()) break;
        if (out.write(block) != block.size()) {
            out.cancelWriting();
            return 3;
        }
    }
    if (!out.commit()) return 3;
    const QDateTime date = QFileInfo(source).lastModified();
    QFile t(target);
    if (t.open(QIODevice::ReadWrite)) t.setFileTime(date, QFileDevice::FileModificationTime);
    return 0;
}

QString ShellErrorText(int code) {
    switch (code) {
    case 0:
        return QStringLiteral(
            "Zuwenig Speicher, Anwendung zerstört oder Relokationswerte ungültig");
    case 2:
        return QStringLiteral("Anwendung nicht gefunden");
    case 3:
        return QStringLiteral("Verzeichnis nicht gefunden.");
    case 5:
        return QStringLiteral("Gescheiterter dynamischer Link");
    case 6:
        return QStringLiteral("Bibliothek forderte separate Datensegmente für jede Task an.");
    case 8:
        return QStringLiteral("Zuwenig Speicher, um die Anwendung zu starten.");
    case 10:
        return QStringLiteral("Falsche Windows-Version.");
    case 11:
        return QStringLiteral("Ungültige ausführbare Anwendnung.");
    case 12:
        return QStringLiteral("Anwendung für ein anderes Betriebssystem.");
    case 13:
        return QStringLiteral("Anwendung für MS-DOS 4.0.");
    case 14:
        return QStringLiteral("Typ der ausführbaren Datei unbekannt.");
    case 15:
        return QStringLiteral(
            "Versuch, eine Real-Mode-Anwendung (frühere Windows-Version) zu laden.");
    case 16:
        return QStringLiteral("Versuch, eine zweite Instanz zu laden.");
    case 19:
        return QStringLiteral("Versuch, eine komprimierte ausführbare Datei zu laden.");
    case 20:
        return QStringLiteral("Ungültige dynamische Linkbibliothek (DLL).");
    case 21:
        return QStringLiteral("Anwendung benötigt Windows-32-Bit-Erweiterungen.");
    default:
        return QStringLiteral("Ausführungsfehler ") + QString::number(code);
    }
}

QString FindProgram(const QString& name, const QString& folder) {
    if (name.isEmpty()) return {};
    if (name.contains(QLatin1Char('/'))) {
        QFileInfo fi(name);
        return fi.isFile() ? fi.absoluteFilePath() : QString();
    }
    if (!folder.isEmpty()) {
        const QDir dir(folder);
        for (const QString& e : dir.entryList(QDir::Files | QDir::Executable)) {
            QString bare = e;
            if (bare.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) bare.chop(4);
            QString want = name;
            if (want.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) want.chop(4);
            if (bare.compare(want, Qt::CaseInsensitive) == 0) return dir.absoluteFilePath(e);
        }
    }
    return QStandardPaths::findExecutable(name);
}

// A started program must not inherit our standard streams: a program that outlives us would
// hold a pipe of whoever started us open (a terminal wrapper, a test runner) for its lifetime.
static bool StartDetachedQuiet(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProgram(program);
    p.setArguments(args);
    p.setStandardInputFile(QProcess::nullDevice());
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    return p.startDetached();
}

// The document opener: xdg-open, unless KURIM_OPENER names another command (tests, kiosks).
static QString Opener() {
    const QString env = qEnvironmentVariable("KURIM_OPENER");
    return env.isEmpty() ? QStringLiteral("xdg-open") : env;
}

int ShellOpenCode(const QString& path) {
    const QFileInfo fi(path);
    if (!fi.dir().exists()) return 3;
    if (!fi.exists()) return 2;
    const QString opener = FindProgram(Opener());
    if (opener.isEmpty()) return 31;
    if (qEnvironmentVariableIsEmpty("KURIM_OPENER") && !fi.isDir()) {
        // xdg-open succeeds in starting even when nothing can show the file: ask first whether
        // an application is registered for the file's type.
        const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
        if (xdgMime.isEmpty()) return 31;
        const QString type = QMimeDatabase().mimeTypeForFile(fi).name();
        QProcess q;
        q.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type});
        if (!q.waitForFinished(3000)) {
            q.kill();
            q.waitForFinished(500);
            return 31;
        }
        if (q.readAllStandardOutput().trimmed().isEmpty()) return 31;
    }
    return StartDetachedQuiet(opener, {fi.absoluteFilePath()}) ? 33 : 31;
}

bool ShellOpen(const QString& path) {
    const int code = ShellOpenCode(path);
    if (code > 32) return true;
    InfoBox(ShellErrorText(code));
    return false;
}

bool RunProgram(const QString& commandLine) {
    QStringList parts = QProcess::splitCommand(commandLine);
    int code = 33;
    if (parts.isEmpty()) {
        code = 2;
    } else {
        const QString program = parts.takeFirst();
        const QFileInfo fi(program);
        if (program.contains(QLatin1Char('/')) && !fi.dir().exists()) {
            code = 3;
        } else {
            const QString found = FindProgram(program);
            if (found.isEmpty())
                code = 2;
            else if (!QFileInfo(found).isExecutable() || !StartDetachedQuiet(found, parts))
                code = 11;
        }
    }
    if (code > 32) return true;
    InfoBox(ShellErrorText(code));
    return false;
}

// --- processes, over /proc ---

struct ProcEntry {
    qint64 pid;
    qint64 ppid;
};

static QList<ProcEntry> ProcessList() {
    QList<ProcEntry> list;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& e : entries) {
        bool ok = false;
        const qint64 pid = e.toLongLong(&ok);
        if (!ok) continue;
        QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QByteArray stat = f.read(4096);
        // The name in parentheses may hold blanks and ")": the fields follow the last ")".
        const int close = stat.lastIndexOf(')');
        if (close < 0) continue;
        const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
        if (fields.size() < 2) continue;
        list.push_back({pid, fields[1].toLongLong()});
    }
    return list;
}

static bool ProcessAlive(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray stat = f.read(4096);
    const int close = stat.lastIndexOf(')');
    return close >= 0 && close + 2 < stat.size() && stat[close + 2] != 'Z' &&
           stat[close + 2] != 'X';
}

static void EndOne(qint64 pid) {
    if (pid <= 1 || pid == QCoreApplication::applicationPid()) return;
    if (::kill(pid_t(pid), SIGTERM) != 0) return;
    // Politely first; a process that does not end within 2 s is killed.
    QElapsedTimer t;
    t.start();
    while (ProcessAlive(pid) && t.elapsed() < 2000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    if (ProcessAlive(pid)) ::kill(pid_t(pid), SIGKILL);
}

static void CollectTree(const QList<ProcEntry>& list, qint64 pid, QList<qint64>& out) {
    out.push_back(pid);
    for (const auto& e : list)
        if (e.ppid == pid && !out.contains(e.pid)) CollectTree(list, e.pid, out);
}

void KillProcess(qint64 pid, bool withChildren) {
    const QList<ProcEntry> list = ProcessList();
    bool found = false;
    for (const auto& e : list)
        if (e.pid == pid) found = true;
    if (!found) return;
    // The tree is taken before anything ends: children of an ended process get a new parent.
    QList<qint64> victims;
    if (withChildren)
        CollectTree(list, pid, victims);
    else
        victims.push_back(pid);
    for (qint64 v : victims)
        EndOne(v);
}

static QString NormalizedName(QString n) {
    n = n.toLower();
    if (n.endsWith(QLatin1String(".exe"))) n.chop(4);
    return n;
}

static bool ProcessHasName(qint64 pid, const QString& wanted) {
    const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    if (!exe.isEmpty() && NormalizedName(QFileInfo(exe).fileName()) == wanted) return true;
    // A script started by its name carries that name only in comm (cut to 15 characters).
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (comm.open(QIODevice::ReadOnly)) {
        const QString c = NormalizedName(QString::fromLocal8Bit(comm.read(64).trimmed()));
        if (!c.isEmpty() && (c == wanted || (c.size() == 15 && wanted.startsWith(c)))) return true;
    }
    QFile cmd(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (cmd.open(QIODevice::ReadOnly)) {
        const QByteArray argv0 = cmd.read(4096).split('\0').value(0);
        if (!argv0.isEmpty() &&
            NormalizedName(QFileInfo(QString::fromLocal8Bit(argv0)).fileName()) == wanted)
            return true;
    }
    return false;
}

void KillProcessByName(const QString& name, bool all, bool withChildren) {
    const QString wanted = NormalizedName(QFileInfo(name).fileName());
    if (wanted.isEmpty()) return;
    for (const auto& e : ProcessList()) {
        // An ended process that nobody has reaped yet still carries its name: it is not a match.
        if (e.pid == QCoreApplication::applicationPid() || !ProcessAlive(e.pid) ||
            !ProcessHasName(e.pid, wanted))
            continue;
        KillProcess(e.pid, withChildren);
        if (!all) break;
    }
}
