// kurim-cli ini: sets keys of an INI file the way the program writes them (sections and keys
// matched without regard to case, other keys kept, the file replaced only when complete).
#include "Cli.h"
#include "app/IniFile.h"
#include <cstdio>

static int Run(const QStringList& args) {
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: kurim-cli ini FILE SECTION/KEY=VALUE...\n");
        return 2;
    }
    IniFile ini(args[0]);
    for (const QString& a : args.mid(1)) {
        const int slash = a.indexOf('/');
        const int eq = a.indexOf('=');
        if (slash <= 0 || eq < slash + 2) {
            std::fprintf(stderr, "kurim-cli ini: expected SECTION/KEY=VALUE, got '%s'\n",
                         qPrintable(a));
            return 2;
        }
        ini.WriteString(a.left(slash), a.mid(slash + 1, eq - slash - 1), a.mid(eq + 1));
    }
    if (!ini.Save()) {
        std::fprintf(stderr, "kurim-cli ini: cannot write %s\n", qPrintable(args[0]));
        return 1;
    }
    return 0;
}

static CliRegistrar reg({"ini", "ini FILE SECTION/KEY=VALUE...", &Run});
