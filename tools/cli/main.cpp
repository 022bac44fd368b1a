// kurim-cli: the headless companion of the program. Commands live in their own files.
#include "Cli.h"
#include "app/Global.h"
#include <QCoreApplication>
#include <cstdio>

static std::vector<CliCommand>& Registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

CliRegistrar::CliRegistrar(CliCommand command) {
    Registry().push_back(command);
}

const std::vector<CliCommand>& CliCommands() {
    return Registry();
}

static void Usage() {
    std::fprintf(stderr, "usage: kurim-cli COMMAND [options]\n");
    for (const auto& c : CliCommands())
        std::fprintf(stderr, "  %s\n", c.usage);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    InitProgramFolder(QCoreApplication::applicationFilePath());
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.first() == "--help" || args.first() == "-h") {
        Usage();
        return args.isEmpty() ? 2 : 0;
    }
    const QString name = args.takeFirst();
    for (const auto& c : CliCommands())
        if (name == QLatin1String(c.name)) return c.run(args);
    std::fprintf(stderr, "kurim-cli: unknown command '%s'\n", qPrintable(name));
    Usage();
    return 2;
}
