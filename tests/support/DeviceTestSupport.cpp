#include "support/DeviceTestSupport.h"
#include "app/Global.h"
#include "app/IniFile.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QThread>
#include <QTimer>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        CloseMaster();
        return;
    }
    slave = QString::fromLocal8Bit(::ptsname(master));
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair() {
    feeder_.reset();
    CloseMaster();
}

void PtyPair::CloseMaster() {
    if (master >= 0) ::close(master);
    master = -1;
}

void PtyPair::Send(const QByteArray& bytes, bool runEvents) const {
    qsizetype done = 0;
    QElapsedTimer t;
    t.start();
    while (done < bytes.size() && t.elapsed() < 5000) {
        const ssize_t n = ::write(master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (runEvents)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5); // the reader drains
        else
            QThread::msleep(2);
    }
}

void PtyPair::Feed(const QByteArray& bytes) {
    feed_ += bytes;
    if (feeder_) return;
    auto* timer = new QTimer;
    feeder_.reset(timer);
    QObject::connect(timer, &QTimer::timeout, timer, [this] {
        while (!feed_.isEmpty() && master >= 0) {
            const ssize_t n = ::write(master, feed_.constData(), size_t(feed_.size()));
            if (n <= 0) return;
            feed_.remove(0, n);
        }
    });
    timer->start(2);
}

QByteArray PtyPair::Receive(int ms, bool runEvents) const {
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        char buffer[4096];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n > 0) {
            got.append(buffer, n);
            continue;
        }
        if (runEvents) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
    return got;
}

SimProcess::SimProcess(const QStringList& args, const QStringList& env, bool waitForLine) {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& kv : env)
        e.insert(kv.section('=', 0, 0), kv.section('=', 1));
    process.setProcessEnvironment(e);
    process.start(BinDir() + "kurim-sim", args);
    if (!process.waitForStarted(5000) || !waitForLine) return;
    QElapsedTimer t;
    t.start();
    while (!process.canReadLine() && t.elapsed() < 5000 && process.state() == QProcess::Running)
        process.waitForReadyRead(100);
    if (process.canReadLine()) firstLine = QString::fromLocal8Bit(process.readLine()).trimmed();
}

SimProcess::~SimProcess() {
    process.kill();
    process.waitForFinished(3000);
}

void WritePortMap(const TempProgramFolder& folder, const QList<std::pair<int, QString>>& ports) {
    IniFile ini(folder.file("Kurim.ini"));
    for (const auto& [n, path] : ports)
        ini.WriteString("Ports", QStringLiteral("COM%1").arg(n), path);
    ini.Save();
}

quint16 FreeTcpPort() {
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}
