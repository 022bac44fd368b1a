// The polling tick under load: an analyser streaming channel telegrams at 115200 baud into a
// pseudo-terminal (about 1150 bytes per 100 ms, the most that rate can carry), and the simulator
// kurim-sim at 115200 baud. Each iteration waits for the next 100 ms of data and times one
// tick: read, cut, log into a 501-line log, decode. The counter "longest_us" is the slowest tick.
#include "acquisition/Polling.h"
#include "app/Ansi.h"
#include "app/Global.h"
#include "app/IniFile.h"
#include "app/Values.h"
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

// A program folder whose Kurim.ini maps COM3 to `device`.
struct Folder {
    QTemporaryDir dir;
    explicit Folder(const QString& device) {
        ProgramFolder = dir.path() + "/";
        IniFile ini(dir.filePath("Kurim.ini"));
        ini.WriteString("Ports", "COM3", device);
        ini.Save();
    }
};

// Writes a Wren's telegram set paced at 115200 baud (10 bit times per byte) without pause.
class PacedWriter {
public:
    explicit PacedWriter(int master) : master_(master), thread_([this] { Run(); }) {}
    ~PacedWriter() {
        stop_ = true;
        thread_.join();
    }

private:
    void Run() {
        static const char* const lines[] = {
            "051G4.4;\r\n",  "052G11.8;\r\n", "053G14;\r\n",    "057G45;\r\n",   "061G2;\r\n",
            "040G21.3;\r\n", "041G172;\r\n",  "080G-0.12;\r\n", "092G1.26;\r\n", "090G7.4;\r\n"};
        using Clock = std::chrono::steady_clock;
        const auto byteTime = std::chrono::nanoseconds(1'000'000'000LL * 10 / 115200);
        auto next = Clock::now();
        size_t i = 0;
        while (!stop_) {
            const char* line = lines[i++ % std::size(lines)];
            const size_t n = strlen(line);
            if (::write(master_, line, n) < 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            next += byteTime * n;
            std::this_thread::sleep_until(next);
        }
    }
    int master_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

void RunTicks(benchmark::State& state, TPolling& polling) {
    QStringList log; // as the window's log: the last 501 lines
    polling.OnLine = [&log](QByteArrayView line) {
        log << FromAnsi(line.toByteArray());
        if (log.size() > 501) log.removeFirst();
    };
    qint64 longest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QThread::msleep(100);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        polling.Timer1Timer();
        longest = std::max(longest, clock.nsecsElapsed() / 1000);
    }
    state.counters["longest_us"] = double(longest);
    state.counters["lines"] = double(log.size());
}

void BM_TickPaced115200(benchmark::State& state) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ::grantpt(master);
    ::unlockpt(master);
    Folder folder(QString::fromLocal8Bit(::ptsname(master)));
    DeviceType = 9;
    TPolling polling(nullptr, nullptr);
    polling.LineBaud = 115200;
    if (polling.OpenSerial(3) != TPolling::OpenResult::Opened) {
        state.SkipWithError("cannot open the pseudo-terminal");
        ::close(master);
        return;
    }
    {
        PacedWriter writer(master);
        RunTicks(state, polling);
        polling.Link.Close();
    }
    ::close(master);
}
BENCHMARK(BM_TickPaced115200)->Iterations(100)->Unit(benchmark::kMicrosecond);

void BM_TickSimulator115200(benchmark::State& state) {
    const QString sim = QCoreApplication::applicationDirPath() + "/../bin/kurim-sim";
    QProcess process;
    process.start(sim, {"--type", "8", "--pty", "--baud", "115200", "--seed", "1"});
    if (!process.waitForStarted(5000) || !process.waitForReadyRead(5000)) {
        state.SkipWithError("kurim-sim did not start (build it first)");
        return;
    }
    Folder folder(QString::fromLocal8Bit(process.readLine()).trimmed());
    DeviceType = 8;
    TPolling polling(nullptr, nullptr);
    polling.LineBaud = 115200;
    if (polling.OpenSerial(3) != TPolling::OpenResult::Opened) {
        state.SkipWithError("cannot open the simulator's pseudo-terminal");
    } else {
        RunTicks(state, polling);
        polling.Link.Close();
    }
    process.terminate();
    process.waitForFinished(2000);
}
BENCHMARK(BM_TickSimulator115200)->Iterations(50)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
