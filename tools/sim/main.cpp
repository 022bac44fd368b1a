// kurim-sim: simulates analysers, the BLE dongle and the bridge program. Started under the name
// "Btle_server" it is the bridge program.
#include "Sim.h"
#include "app/Global.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

static std::vector<SimMode>& Registry() {
    static std::vector<SimMode> modes;
    return modes;
}

SimRegistrar::SimRegistrar(SimMode mode) { Registry().push_back(mode); }

const std::vector<SimMode>& SimModes() { return Registry(); }

static void Usage() {
    std::fprintf(stderr, "usage:\n");
    for (const auto& m : SimModes())
        std::fprintf(stderr, "  kurim-sim %s\n", m.usage);
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    InitProgramFolder(QCoreApplication::applicationFilePath());
    QStringList args = app.arguments().mid(1);
    if (args.contains("--help") || args.contains("-h")) {
        Usage();
        return 0;
    }
    const QString base = QFileInfo(QCoreApplication::applicationFilePath()).baseName();
    if (base.compare("Btle_server", Qt::CaseInsensitive) == 0 && !args.contains("--bridge"))
        args.prepend("--bridge");
    const SimMode* chosen = nullptr;
    for (const auto& m : SimModes()) {
        if (m.flag[0] == 0 && !chosen)
            chosen = &m;
        else if (m.flag[0] != 0 && args.contains(QLatin1String(m.flag))) {
            chosen = &m;
            break;
        }
    }
    if (!chosen) {
        Usage();
        return 2;
    }
    return chosen->run(args);
}
