// kurim-sim --dongle: a pseudo-terminal that behaves like the BLE dongle's command-driven module.
// It prints the terminal's path on the first line of standard output, then answers commands
// (lines ended by CR) until it is ended:
//   V -> version; SF,2 and SR,9A000000 -> AOK; R,1 -> "Reboot", after a pause "CMD";
//   F -> AOK and one scan line per simulated Wren; X -> no answer; E,0,<address> -> AOK for a known
//   address (ERR otherwise); I -> MLDP, then the Wren's channel telegrams, CR LF each.
#include "DongleTelegrams.h"
#include "Sim.h"
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Options {
    int devices = 2;
    bool silent = false;
    bool wrongReply = false;
    int intervalMs = 100;
    QString link;
    QString sysfs;
};

struct Pending {
    Clock::time_point at;
    QByteArray bytes;
};

QString OptionValue(const QStringList& args, const QString& name) {
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

QByteArray Address(int i) {
    return QByteArray("001EC0") +
           QByteArray::number(0x1A2345 + i * 0x811111, 16).toUpper().right(6);
}

// The name field the Wren advertises; the program shows it as "KR1A-2345".
QByteArray NameField(int i) {
    static const char* const names[] = {"1A2345", "9B0001", "3C4711", "7D0815"};
    return i < 4 ? QByteArray(names[i]) : QByteArray("5E") + QByteArray::number(1000 + i);
}

bool WriteFile(const QString& path, const QByteArray& content) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

// A sysfs tree in which the dongle's identity (10C4:8B06, serial 0001) leads to the terminal.
bool MakeSysfs(const QString& root, const QString& slave) {
    const QString usb = root + "/devices/pci0000:00/usb1/1-1";
    const QString port = usb + "/1-1:1.0/ttyUSB0";
    const QString entry = root + "/class/tty/ttyUSB0";
    if (!QDir().mkpath(port) || !QDir().mkpath(entry)) return false;
    bool ok = WriteFile(usb + "/idVendor", "10c4\n") && WriteFile(usb + "/idProduct", "8b06\n") &&
              WriteFile(usb + "/serial", "0001\n") && WriteFile(usb + "/busnum", "1\n") &&
              WriteFile(usb + "/devnum", "99\n");
    ok = ok && WriteFile(entry + "/uevent", "DEVNAME=" + slave.mid(5).toLocal8Bit() + "\n");
    QFile::remove(entry + "/device");
    return ok && QFile::link(port, entry + "/device");
}

class Module {
public:
    Module(const Options& o, int fd) : o_(o), fd_(fd) {}

    void Received(const QByteArray& bytes) {
        for (char c : bytes) {
            if (c == '\r') {
                Command(line_);
                line_.clear();
            } else if (c != '\n' && line_.size() < 4096) {
                line_.append(c);
            }
        }
    }

    // Sends what is due; returns the milliseconds until the next output (-1: none planned).
    int Tick() {
        const auto now = Clock::now();
        while (!out_.isEmpty() && out_.front().at <= now)
            Send(out_.takeFirst().bytes);
        if (dataMode_ && out_.isEmpty() && now >= nextLine_) {
            Send(lines_.Next() + "\r\n");
            nextLine_ = now + std::chrono::milliseconds(o_.intervalMs);
        }
        auto next = Clock::time_point::max();
        if (!out_.isEmpty()) next = out_.front().at;
        if (dataMode_) next = std::min(next, nextLine_);
        if (next == Clock::time_point::max()) return -1;
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
        return int(std::max<long long>(ms, 0));
    }

private:
    void Later(int ms, const QByteArray& bytes) {
        const auto base = out_.isEmpty() ? Clock::now() : std::max(Clock::now(), out_.back().at);
        out_.append({base + std::chrono::milliseconds(ms), bytes});
    }
    QByteArray Ok(const char* good) const {
        return o_.wrongReply ? "ERR\r\n" : QByteArray(good) + "\r\n";
    }

    void Command(const QByteArray& cmd) {
        if (o_.silent) return;
        if (cmd == "R,1") { // the module reboots out of any mode
            dataMode_ = false;
            out_.clear();
            Later(50, "Reboot\r\n");
            Later(600, "CMD\r\n");
            return;
        }
        if (dataMode_) return; // everything else is data for the analyser
        if (cmd == "V") {
            Later(10, "MCHP BTLE v1.23 SIM\r\n");
        } else if (cmd == "X") {
            // stops scanning without a word: scan results not yet sent never come
            out_.clear();
        } else if (cmd == "SF,2" || cmd == "SR,9A000000") {
            Later(10, Ok("AOK"));
        } else if (cmd == "F") {
            Later(10, Ok("AOK"));
            for (int i = 0; i < o_.devices; ++i)
                Later(60, Address(i) + ",0," + NameField(i) + ",-5" + QByteArray::number(i % 10) +
                              ",00\r\n");
        } else if (cmd.startsWith("E,0,")) {
            bool known = false;
            for (int i = 0; i < o_.devices; ++i)
                known = known || cmd.mid(4) == Address(i);
            Later(20, known ? Ok("AOK") : QByteArray("ERR\r\n"));
        } else if (cmd == "I") {
            Later(20, Ok("MLDP"));
            if (!o_.wrongReply) {
                dataMode_ = true;
                nextLine_ = Clock::now() + std::chrono::milliseconds(100);
            }
        } else if (!cmd.isEmpty()) {
            Later(10, "ERR\r\n");
        }
    }

    void Send(const QByteArray& bytes) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n <= 0) return; // nobody reads: the bytes are dropped, as a radio link would
            done += n;
        }
    }

    Options o_;
    int fd_;
    QByteArray line_;
    QList<Pending> out_;
    bool dataMode_ = false;
    Clock::time_point nextLine_;
    WrenLineSource lines_;
};

int RunDongle(const QStringList& args) {
    Options o;
    o.silent = args.contains("--silent");
    o.wrongReply = args.contains("--wrong-reply");
    if (args.contains("--devices"))
        o.devices = std::clamp(OptionValue(args, "--devices").toInt(), 0, 50);
    if (args.contains("--interval"))
        o.intervalMs = std::clamp(OptionValue(args, "--interval").toInt(), 10, 10000);
    o.link = OptionValue(args, "--link");
    o.sysfs = OptionValue(args, "--sysfs");

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("kurim-sim: pseudo-terminal");
        return 1;
    }
    const QString slave = QString::fromLocal8Bit(::ptsname(master));
    // Holding the other end open keeps the terminal alive while the program under test closes
    // and reopens its port; raw mode keeps the terminal from echoing or translating.
    const int keep = ::open(slave.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    termios tio{};
    if (keep >= 0 && ::tcgetattr(keep, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(keep, TCSANOW, &tio);
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    if (!o.link.isEmpty()) {
        QFile::remove(o.link);
        if (!QFile::link(slave, o.link))
            std::fprintf(stderr, "kurim-sim: cannot create the link %s\n", qPrintable(o.link));
    }
    if (!o.sysfs.isEmpty() && !MakeSysfs(o.sysfs, slave))
        std::fprintf(stderr, "kurim-sim: cannot create the sysfs tree in %s\n",
                     qPrintable(o.sysfs));
    std::printf("%s\n", qPrintable(slave));
    std::fflush(stdout);

    Module module(o, master);
    for (;;) {
        pollfd p{master, POLLIN, 0};
        const int wait = module.Tick();
        const int r = ::poll(&p, 1, wait < 0 ? 1000 : std::min(wait, 1000));
        if (r < 0 && errno != EINTR) break;
        if (r > 0 && (p.revents & POLLIN)) {
            char buffer[4096];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n > 0) module.Received(QByteArray(buffer, n));
        }
    }
    return 0;
}

SimRegistrar reg({"--dongle",
                  "--dongle [--devices N] [--silent] [--wrong-reply] [--interval MS] [--link PATH] "
                  "[--sysfs DIR]",
                  RunDongle});

} // namespace
