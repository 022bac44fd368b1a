#pragma once
// kurim-sim modes register themselves here, one file per mode. A mode is chosen by its flag
// ("--dongle", "--bridge"); the analyser telegram stream is the mode without a flag.
#include <QStringList>
#include <vector>

struct SimMode {
    const char* flag;  // "" for the default mode
    const char* usage;
    int (*run)(const QStringList& args);  // all arguments after the program name
};

struct SimRegistrar {
    explicit SimRegistrar(SimMode mode);
};

const std::vector<SimMode>& SimModes();
