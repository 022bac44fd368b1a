// kurim-cli settings: shows (and changes) the program's settings as the program reads them.
#include "Cli.h"
#include "app/Global.h"
#include "app/Utils.h"
#include <cstdio>

static QString Bool(bool b) {
    return b ? QStringLiteral("1") : QStringLiteral("0");
}

static bool Apply(const QString& key, const QString& value) {
    const QString k = key.toUpper();
    if (k == "DATENPFAD")
        Settings.Datenpfad = value;
    else if (k == "LANGUAGE")
        Settings.language = value;
    else if (k == "MG")
        Settings.MG = ReadInt(value) != 0;
    else if (k == "BEZUG")
        Settings.BEZUG = ReadInt(value) != 0;
    else if (k == "BEZUGO2")
        Settings.Bezugo2 = ReadNumber(value);
    else if (k == "BONUS")
        Settings.BONUS = ReadInt(value) != 0;
    else if (k == "TCPBUTTON")
        Settings.TcpButton = ReadInt(value) != 0;
    else if (k == "AKTIVO2")
        Settings.AktivO2 = ReadNumber(value);
    else
        return false;
    return true;
}

static int Run(const QStringList& args) {
    LoadSettings();
    bool save = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--save") {
            save = true;
        } else if (args[i] == "--set" && i + 1 < args.size()) {
            const QString kv = args[++i];
            const int eq = kv.indexOf('=');
            if (eq <= 0 || !Apply(kv.left(eq), kv.mid(eq + 1))) {
                std::fprintf(stderr, "kurim-cli settings: unknown setting '%s'\n", qPrintable(kv));
                return 2;
            }
        } else {
            std::fprintf(stderr, "kurim-cli settings: unexpected '%s'\n", qPrintable(args[i]));
            return 2;
        }
    }
    if (save) SaveSettings();
    const QString out =
        QStringLiteral("Datenpfad=%1\nlanguage=%2\nMG=%3\nBEZUG=%4\nBezugo2=%5\n"
                       "BONUS=%6\nTcpButton=%7\nAktivO2=%8\n")
            .arg(Settings.Datenpfad, Settings.language, Bool(Settings.MG), Bool(Settings.BEZUG),
                 QString::number(Settings.Bezugo2, 'g', 15), Bool(Settings.BONUS),
                 Bool(Settings.TcpButton), QString::number(Settings.AktivO2, 'g', 15));
    std::fputs(out.toLocal8Bit().constData(), stdout);
    return 0;
}

static CliRegistrar reg({"settings", "settings [--set KEY=VALUE]... [--save]", &Run});
