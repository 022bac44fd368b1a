// kurim-cli decode: reads an analyser's byte stream from standard input, cuts it into lines as the
// serial polling path does and decodes every line with the decoder of the given analyser type.
// At the end it prints the record; with --follow it also shows the live values once a second.
#include "Cli.h"
#include "LiveValues.h"
#include "acquisition/Decoders.h"
#include "acquisition/LineCutter.h"
#include "app/DialogHook.h"
#include "app/Global.h"
#include "app/Utils.h"
#include "app/Values.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

namespace {

// Decimals of each value in the live view, as the current-values window shows them.

bool ParseDecodeOptions(const QStringList& args, bool& follow, QString& error) {
    bool typeGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--type" || a == "--bezugo2") {
            if (i + 1 >= args.size()) return error = a + " needs a value", false;
            const QString v = args[++i];
            if (a == "--type") {
                bool ok = false;
                DeviceType = v.toInt(&ok);
                if (!ok || DeviceType < 0 || DeviceType > DeviceTypeCount)
                    return error = "--type needs a number from 0 to 9", false;
                typeGiven = true;
            } else {
                Settings.Bezugo2 = ReadNumber(v);
            }
        } else if (a == "--mg") {
            Settings.MG = true;
        } else if (a == "--bezug") {
            Settings.BEZUG = true;
        } else if (a == "--bonus") {
            Settings.BONUS = true;
        } else if (a == "--follow") {
            follow = true;
        } else {
            return error = "unknown option " + a, false;
        }
    }
    if (!typeGiven) return error = "--type is required", false;
    return true;
}


void PrintRecord() {
    for (int mv = 1; mv <= MeasuredValueCount; ++mv)
        std::printf("%s\t%s\t%d\n", qPrintable(MeasuredValueName(mv)),
                    qPrintable(FormatFixed(0, 4, CurrentValues.Values[mv])),
                    CurrentValues.Present[mv] ? 1 : 0);
    std::printf("NoDataTicks\t%d\n", NoDataTicks);
}

int RunDecode(const QStringList& args) {
    Settings.MG = Settings.BEZUG = Settings.BONUS = false;
    Settings.Bezugo2 = 3.0;
    bool follow = false;
    QString error;
    if (!ParseDecodeOptions(args, follow, error)) {
        std::fprintf(stderr, "kurim-cli decode: %s\n", qPrintable(error));
        return 2;
    }
    ClearValues();
    // No telegram has been accepted yet: the counter starts at the limit, so the last line shows
    // whether any line of the input counted as a sign of life.
    NoDataLimit = DeviceType == 1 ? 1200 : 100;
    NoDataTicks = NoDataLimit;

    LineCutter cutter;
    auto decode = [](QByteArrayView line) { DecodeLine(DeviceType, line); };
    QElapsedTimer clock;
    clock.start();
    qint64 ticks = 0;
    qint64 shown = 0;
    char buffer[65536];
    for (;;) {
        if (follow) {
            // The live view runs the no-data watch like the polling loop, one step per 100 ms,
            // so values vanish when the analyser falls silent.
            pollfd p{STDIN_FILENO, POLLIN, 0};
            const int ready = poll(&p, 1, 100);
            for (; ticks < clock.elapsed() / 100; ++ticks)
                NoDataWatchStep();
            if (clock.elapsed() / 1000 > shown) {
                shown = clock.elapsed() / 1000;
                PrintLiveValues();
            }
            QCoreApplication::processEvents();
            if (ready == 0 || (ready < 0 && errno == EINTR)) continue;
        }
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        cutter.Feed(QByteArrayView(buffer, n), decode);
    }
    if (cutter.DroppedRuns() > 0)
        std::fprintf(stderr, "kurim-cli decode: %d line(s) longer than %lld characters dropped\n",
                     cutter.DroppedRuns(), static_cast<long long>(LineCutter::MaxLineLength));
    PrintRecord();
    return 0;
}

CliRegistrar decodeCommand({"decode",
                            "decode --type N [--mg] [--bezug] [--bezugo2 X] [--bonus] [--follow]"
                            "   decode an analyser byte stream from standard input",
                            RunDecode});

} // namespace
