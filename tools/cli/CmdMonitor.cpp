// kurim-cli monitor: the acquisition window's polling loop without windows. Opens the analyser's
// serial link, runs the 100-ms loop and prints the present values once a second until Ctrl-C.
#include "Cli.h"
#include "LiveValues.h"
#include "acquisition/Decoders.h"
#include "acquisition/Polling.h"
#include "app/Ansi.h"
#include "app/DialogHook.h"
#include "app/Global.h"
#include "app/IniFile.h"
#include "app/Utils.h"
#include "app/Values.h"
#include "link/PortMap.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

std::atomic<bool> stopRequested{false};
void OnStopSignal(int) {
    stopRequested = true;
}

// Decimals of each value, as the current-values window shows them.

struct MonitorOptions {
    QString port;
    int type = -1;
    int baud = 0;    // 0: the analyser's own rate
    int seconds = 0; // 0: until Ctrl-C
    bool lines = false;
};

bool ParseMonitorOptions(const QStringList& args, MonitorOptions& o, QString& error) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--lines") {
            o.lines = true;
            continue;
        }
        if (a != "--port" && a != "--type" && a != "--baud" && a != "--seconds")
            return error = "unknown option " + a, false;
        if (i + 1 >= args.size()) return error = a + " needs a value", false;
        const QString v = args[++i];
        bool ok = true;
        if (a == "--port")
            o.port = v;
        else if (a == "--type")
            o.type = v.toInt(&ok);
        else if (a == "--baud")
            o.baud = v.toInt(&ok);
        else
            o.seconds = v.toInt(&ok);
        if (!ok) return error = a + " needs a number", false;
    }
    if (o.port.isEmpty()) return error = "--port COMn or a device path is required", false;
    if (!DeviceDescriptionOf(o.type))
        return error = QString("--type needs an analyser type from 1 to %1").arg(DeviceTypeCount),
               false;
    if (o.baud < 0 || o.baud > 4000000 || o.seconds < 0)
        return error = "--baud and --seconds need positive numbers", false;
    return true;
}

// A device path that no COM number leads to gets one for this run only: the settings file is
// copied into a private program folder whose section "Ports" adds the path under a free number.
int PortForPath(const QString& path, std::unique_ptr<QTemporaryDir>& home, QString& error) {
    if (int port = ComPortOfDevice(path); port > 0) return port;
    if (!QFileInfo::exists(path)) return error = path + " does not exist", 0;
    home = std::make_unique<QTemporaryDir>();
    if (!home->isValid()) return error = "cannot create a temporary folder", 0;
    const QString settings = home->filePath("Kurim.ini");
    QFile::copy(SettingsFilePath(), settings);
    IniFile ini(settings);
    int port = MaxComPort;
    while (port > 1 && ini.HasKey("Ports", QString("COM%1").arg(port)))
        --port;
    ini.WriteString("Ports", QString("COM%1").arg(port), QFileInfo(path).absoluteFilePath());
    if (!ini.Save()) return error = "cannot write " + settings, 0;
    ProgramFolder = QDir(home->path()).absolutePath() + "/";
    return port;
}


int RunMonitor(const QStringList& args) {
    MonitorOptions o;
    QString error;
    if (!ParseMonitorOptions(args, o, error)) {
        std::fprintf(stderr, "kurim-cli monitor: %s\n", qPrintable(error));
        return 2;
    }
    LoadSettings();
    std::unique_ptr<QTemporaryDir> home;
    int port = 0;
    if (o.port.startsWith("COM", Qt::CaseInsensitive)) {
        bool ok = false;
        port = o.port.mid(3).toInt(&ok);
        if (!ok || port < 1 || port > MaxComPort) {
            std::fprintf(stderr, "kurim-cli monitor: %s is not COM1 to COM%d\n", qPrintable(o.port),
                         MaxComPort);
            return 2;
        }
    } else if ((port = PortForPath(o.port, home, error)) == 0) {
        std::fprintf(stderr, "kurim-cli monitor: %s\n", qPrintable(error));
        return 1;
    }

    DeviceType = o.type;
    TPolling polling(nullptr, nullptr);
    polling.LineBaud = o.baud > 0 ? o.baud : DeviceDescriptionOf(o.type)->defaultBaud;
    polling.OnNote = [](const QString& note) {
        std::fprintf(stderr, "kurim-cli monitor: %s\n", qPrintable(note));
    };
    if (o.lines)
        polling.OnLine = [](QByteArrayView line) {
            std::printf("> %s\n", qPrintable(FromAnsi(line.toByteArray())));
        };
    ClearValues();
    const auto result = polling.OpenSerial(port);
    if (result != TPolling::OpenResult::Opened) {
        std::fprintf(stderr, "kurim-cli monitor: cannot %s COM%d (%s)\n",
                     result == TPolling::OpenResult::ConfigureFailed ? "configure" : "open", port,
                     qPrintable(ComPortPath(port)));
        return 1;
    }
    std::fprintf(stderr, "kurim-cli monitor: %s on COM%d (%s), %d baud; Ctrl-C ends\n",
                 DeviceDescriptionOf(o.type)->name, port, qPrintable(ComPortPath(port)),
                 polling.LineBaud);

    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    int exitCode = 0;
    int shown = 0;
    QTimer display;
    display.setInterval(1000);
    QObject::connect(&display, &QTimer::timeout, [&] {
        PrintLiveValues();
        if (o.seconds > 0 && ++shown >= o.seconds) QCoreApplication::quit();
    });
    QTimer watch; // signals cannot run Qt code: the flag is looked at from the event loop
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!stopRequested && !polling.Link.IsOpen) {
            std::fprintf(stderr, "kurim-cli monitor: the link was closed (device gone)\n");
            exitCode = 1;
            stopRequested = true;
        }
        if (stopRequested) {
            watch.stop();
            display.stop();
            QCoreApplication::quit();
        }
    });
    polling.Start();
    display.start();
    watch.start();
    QCoreApplication::exec();
    polling.Timer1->stop();
    polling.CloseLink();
    std::fprintf(stderr, "kurim-cli monitor: %lld ticks, longest %.1f ms\n",
                 static_cast<long long>(polling.Ticks), polling.LongestTickUs / 1000.0);
    return exitCode;
}

CliRegistrar
    monitorCommand({"monitor",
                    "monitor --port COMn|PATH --type N [--baud B] [--seconds S] [--lines]"
                    "   run the polling loop on an analyser and print its values each second",
                    RunMonitor});

} // namespace
