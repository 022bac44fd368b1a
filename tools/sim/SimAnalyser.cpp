// The default mode of kurim-sim: an analyser that sends its telegrams, paced like its baud rate, to
// standard output or to a new pseudo-terminal that the program (or a plain `cat`) can open.
#include "Sim.h"
#include "Telegrams.h"
#include "acquisition/Decoders.h"
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

std::atomic<bool> stopRequested{false};

void OnStopSignal(int) {
    stopRequested = true;
}

using Clock = std::chrono::steady_clock;

// Sleeps in short steps so that SIGTERM ends the stream at once.
void SleepUntil(Clock::time_point when) {
    while (!stopRequested && Clock::now() < when)
        std::this_thread::sleep_for(
            std::min<Clock::duration>(when - Clock::now(), std::chrono::milliseconds(50)));
}

struct Options {
    int type = 3;
    bool pty = false;
    QString link;
    int baud = 0; // 0: the analyser's own rate
    bool seeded = false;
    std::uint32_t seed = 0;
    long sets = 0; // 0: endless
    bool pace = true;
    int pauseEvery = 60; // QAN Vela: sets between pauses; 0: never
    int pauseSeconds = 12;
};

bool ParseOptions(const QStringList& args, Options& o, QString& error) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](long& out) {
            bool ok = false;
            out = i + 1 < args.size() ? args[i + 1].toLong(&ok) : 0;
            if (!ok) error = a + " needs a number";
            ++i;
            return ok;
        };
        long n = 0;
        if (a == "--type") {
            if (!value(n)) return false;
            o.type = static_cast<int>(n);
        } else if (a == "--baud") {
            if (!value(n) || n < 50 || n > 4000000)
                return error = "--baud needs a rate from 50 to 4000000", false;
            o.baud = static_cast<int>(n);
        } else if (a == "--seed") {
            if (!value(n)) return false;
            o.seeded = true;
            o.seed = static_cast<std::uint32_t>(n);
        } else if (a == "--sets") {
            if (!value(n) || n < 0) return error = "--sets needs a count", false;
            o.sets = n;
        } else if (a == "--pause-every") {
            if (!value(n) || n < 0) return error = "--pause-every needs a count", false;
            o.pauseEvery = static_cast<int>(n);
        } else if (a == "--pty") {
            o.pty = true;
        } else if (a == "--link") {
            if (i + 1 >= args.size()) return error = "--link needs a path", false;
            o.link = args[++i];
        } else if (a == "--no-pace") {
            o.pace = false;
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    if (!DeviceDescriptionOf(o.type))
        return error = QString("--type must be 1 to %1").arg(DeviceTypeCount), false;
    if (!o.link.isEmpty() && !o.pty) return error = "--link needs --pty", false;
    return true;
}

// Where the telegrams go: standard output, or the controlling side of a pseudo-terminal.
class Sink {
public:
    ~Sink() {
        if (!linkPath_.isEmpty() && QFileInfo(linkPath_).symLinkTarget() == ptyPath_)
            QFile::remove(linkPath_);
        if (master_ >= 0) close(master_);
        if (slave_ >= 0) close(slave_);
    }

    bool OpenPty(const QString& link, QString& error) {
        char name[256] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
            return error = QString("cannot open a pseudo-terminal: %1").arg(strerror(errno)), false;
        ptyPath_ = QString::fromLocal8Bit(name);
        // Raw, so that a reader gets the bytes as the analyser sends them (CR stays CR) and
        // nothing is echoed back. Holding the other side open keeps these settings and lets the
        // stream go on while no reader is attached.
        termios t{};
        tcgetattr(slave_, &t);
        cfmakeraw(&t);
        tcsetattr(slave_, TCSANOW, &t);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        fd_ = master_;
        if (!link.isEmpty()) {
            const QFileInfo existing(link);
            if (existing.exists() && !existing.isSymLink())
                return error = link + " exists and is not a symbolic link", false;
            QFile::remove(link);
            if (symlink(name, QFile::encodeName(link).constData()) != 0)
                return error = QString("cannot create %1: %2").arg(link, strerror(errno)), false;
            linkPath_ = link;
        }
        return true;
    }

    QString PtyPath() const { return ptyPath_; }

    // Drops what no reader took within about two seconds, so that a reader who attaches later
    // sees live values, not a backlog of old ones.
    void DropBacklog(qsizetype limit) {
        int queued = 0;
        if (slave_ >= 0 && ioctl(slave_, FIONREAD, &queued) == 0 && queued > limit)
            tcflush(slave_, TCIFLUSH);
    }

    // False when the stream cannot go on (the reader of standard output went away).
    bool Write(const QByteArray& bytes) {
        const char* p = bytes.constData();
        qsizetype left = bytes.size();
        bool retried = false;
        while (left > 0 && !stopRequested) {
            const ssize_t n = write(fd_, p, static_cast<size_t>(left));
            if (n > 0) {
                p += n;
                left -= n;
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (slave_ >= 0 && n < 0 && errno == EAGAIN && !retried) {
                tcflush(slave_, TCIFLUSH);
                retried = true;
            } else {
                // A full pseudo-terminal loses the rest of the line, as a serial line would;
                // standard output that fails ends the stream.
                return slave_ >= 0;
            }
        }
        return true;
    }

private:
    int fd_ = STDOUT_FILENO;
    int master_ = -1;
    int slave_ = -1;
    QString ptyPath_;
    QString linkPath_;
};

int RunAnalyser(const QStringList& args) {
    Options o;
    QString error;
    if (!ParseOptions(args, o, error)) {
        std::fprintf(stderr, "kurim-sim: %s\n", qPrintable(error));
        return 2;
    }
    const DeviceDescription& device = *DeviceDescriptionOf(o.type);
    const int baud = o.baud > 0 ? o.baud : device.defaultBaud;
    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);

    Sink sink;
    if (o.pty) {
        if (!sink.OpenPty(o.link, error)) {
            std::fprintf(stderr, "kurim-sim: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("%s\n", qPrintable(sink.PtyPath()));
        std::fflush(stdout);
    }
    std::fprintf(stderr, "kurim-sim: %s, %d baud%s\n", device.name, baud,
                 o.pty ? qPrintable(" on " + sink.PtyPath()) : "");

    const std::uint32_t seed = o.seeded ? o.seed : std::random_device{}();
    BurnerModel burner(seed);
    // One byte on the line takes a start bit, eight data bits and a stop bit.
    const auto byteTime =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(10.0 / baud));
    Clock::time_point next = Clock::now();
    bool headerDue = device.form == TelegramForm::VelaRecords;
    int setsSincePause = 0;

    qsizetype lastSetBytes = 0;
    auto send = [&](const QByteArray& line) {
        if (!sink.Write(line)) return false;
        lastSetBytes += line.size();
        if (o.pace) {
            next += byteTime * line.size();
            SleepUntil(next);
        }
        return true;
    };

    for (long set = 1; !stopRequested && (o.sets == 0 || set <= o.sets); ++set) {
        const Clock::time_point setStart = o.pace ? std::max(next, Clock::now()) : next;
        next = setStart;
        sink.DropBacklog(std::max<qsizetype>(2 * lastSetBytes, 256));
        lastSetBytes = 0;
        if (headerDue) {
            if (!send(VelaHeaderLine())) break;
            headerDue = false;
        }
        bool ok = true;
        for (const QByteArray& line : TelegramSet(o.type, burner.Values(), static_cast<int>(set)))
            if (!(ok = send(line))) break;
        if (!ok) break;
        burner.Step();
        Clock::time_point nextSet = setStart + std::chrono::seconds(1);
        // The QAN Vela falls silent now and then; after a pause it sends its header again.
        if (device.form == TelegramForm::VelaRecords && o.pauseEvery > 0 &&
            ++setsSincePause >= o.pauseEvery) {
            setsSincePause = 0;
            headerDue = true;
            for (int s = 0; s < o.pauseSeconds; ++s)
                burner.Step();
            nextSet += std::chrono::seconds(o.pauseSeconds);
        }
        if (o.pace) {
            SleepUntil(nextSet);
            next = std::max(next, nextSet);
        }
    }
    return 0;
}

SimRegistrar analyserMode({"",
                           "[--type 1..9] [--baud RATE] [--seed N] [--sets N] [--no-pace] "
                           "[--pty [--link PATH]] [--pause-every N]",
                           RunAnalyser});

} // namespace
