#pragma once
// kurim-cli commands register themselves here, one file per command.
#include <QStringList>
#include <vector>

struct CliCommand {
    const char* name;
    const char* usage;
    int (*run)(const QStringList& args);  // args without the command name; returns exit code
};

struct CliRegistrar {
    explicit CliRegistrar(CliCommand command);
};

const std::vector<CliCommand>& CliCommands();
