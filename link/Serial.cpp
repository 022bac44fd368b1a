#include "Serial.h"
#include "PortMap.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QSet>
#include <QThread>
#include <sys/ioctl.h>

// The devices this program holds, by canonical path. The lock files of the serial library are
// named after the path string and are not honoured for root, so the same device reached through
// a symlink would otherwise open twice.
static QSet<QString>& HeldDevices() {
    static QSet<QString> held;
    return held;
}

// Upper bound of what waits in our own input buffer; beyond it the bytes stay in the driver (and
// the sender is held back by the tty), so a device that floods the link cannot grow memory.
static constexpr qint64 kReadBufferLimit = 64 * 1024;
static constexpr int kWriteLimitMs = 1000;

TSerial::TSerial() : guard_(std::make_unique<QObject>()) {}

TSerial::~TSerial() {
    Release();
}

bool TSerial::DeviceHeld(const QString& path) {
    return HeldDevices().contains(CanonicalDevicePath(path));
}

bool TSerial::PortExists() {
    const QString path = ComPortPath(int(Port));
    if (path.isEmpty() || DeviceHeld(path)) return false;
    QSerialPort probe;
    probe.setPortName(path);
    if (!probe.open(QIODevice::ReadWrite)) return false;
    probe.close();
    return true;
}

void TSerial::Open() {
    Failed = false;
    if (IsOpen || port_) {
        Failed = true;
        return;
    }
    FlowBase = InQueueSize;
    const QString path = ComPortPath(int(Port));
    if (path.isEmpty() || DeviceHeld(path)) {
        Handle = -1;
        Failed = true;
        return;
    }
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(path);
    if (!port->open(QIODevice::ReadWrite)) {
        Handle = -1;
        Failed = true;
        return;
    }
    port->setReadBufferSize(std::max<qint64>(InQueueSize, kReadBufferLimit));
    QSerialPort* raw = port.get();
    // An unplugged device makes the port report read errors in a busy loop: give the port up at
    // once (reads then deliver nothing) and close it as soon as the signal has returned.
    QObject::connect(raw, &QSerialPort::errorOccurred, raw,
                     [this, raw](QSerialPort::SerialPortError e) {
                         if (e != QSerialPort::ReadError && e != QSerialPort::ResourceError) return;
                         if (port_.get() != raw) return;
                         IsOpen = false;
                         QMetaObject::invokeMethod(
                             guard_.get(),
                             [this, raw] {
                                 if (port_.get() == raw) Release();
                             },
                             Qt::QueuedConnection);
                     });
    port_ = std::move(port);
    path_ = path;
    canonical_ = CanonicalDevicePath(path);
    HeldDevices().insert(canonical_);
    Handle = int(port_->handle());
}

void TSerial::Configure() {
    Dcb = TDcb{};
    Dcb.DCBlength = 28;
    Dcb.BaudRate = BaudRate;
    uint32_t f = DcbBinary;
    if (Parity != 0) f |= DcbParity;
    if (Handshake == 2) f |= DcbOutxCtsFlow | DcbRtsHandshake;
    if (Handshake == 3) f |= DcbOutxDsrFlow | DcbDtrHandshake | DcbDsrSensitivity;
    if (Handshake == 1) f |= DcbOutX | DcbInX;
    if (!NoErrorChar) f |= DcbErrorChar;
    Dcb.Flags = f;
    Dcb.XonLim = uint16_t(FlowBase / 4);
    Dcb.XoffLim = uint16_t(FlowBase - FlowBase / 4);
    Dcb.ByteSize = uint8_t(ByteSize);
    Dcb.Parity = uint8_t(Parity);
    Dcb.StopBits = uint8_t(StopBits);
    Dcb.XonChar = 0x11;
    Dcb.XoffChar = 0x13;
    Dcb.ErrorChar = '?';
    Dcb.EofChar = 0x1A;
    Dcb.EvtChar = 0;

    if (!port_ || !port_->isOpen()) {
        Failed = true;
        return;
    }
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    static const QSerialPort::StopBits stops[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                  QSerialPort::TwoStop};
    bool ok = BaudRate > 0 && ByteSize >= 5 && ByteSize <= 8 && Parity <= 4 && StopBits <= 2;
    ok = ok && port_->setBaudRate(qint32(BaudRate));
    ok = ok && port_->setDataBits(QSerialPort::DataBits(ByteSize));
    ok = ok && port_->setParity(parities[Parity]);
    ok = ok && port_->setStopBits(stops[StopBits]);
    // DTR/DSR flow control has no counterpart on this platform; it runs without flow control.
    const QSerialPort::FlowControl flow = Handshake == 1   ? QSerialPort::SoftwareControl
                                          : Handshake == 2 ? QSerialPort::HardwareControl
                                                           : QSerialPort::NoFlowControl;
    ok = ok && port_->setFlowControl(flow);
    if (ok && !ApplyModemLines()) ok = false;
    Failed = !ok;
    if (ok) {
        IsOpen = true;
    } else {
        // Close releases only configured ports; a handle kept here would block the device for
        // the rest of the run.
        Release();
    }
}

// Drives DTR and RTS as Dcb says. A device without modem lines (a pseudo-terminal, some
// adapters) refuses them: that is no fault of the port.
bool TSerial::ApplyModemLines() {
    bool ok = true;
    if (!(Dcb.Flags & DcbDtrHandshake)) {
        if (!port_->setDataTerminalReady(Dcb.Flags & DcbDtrEnable))
            ok = ok && port_->error() == QSerialPort::UnsupportedOperationError;
    }
    if (!(Dcb.Flags & DcbRtsHandshake)) {
        if (!port_->setRequestToSend(Dcb.Flags & DcbRtsEnable))
            ok = ok && port_->error() == QSerialPort::UnsupportedOperationError;
    }
    port_->clearError();
    return ok;
}

void TSerial::SetRTS(bool on) {
    if (!IsOpen) return;
    Dcb.Flags = on ? (Dcb.Flags | DcbRtsEnable) : (Dcb.Flags & ~uint32_t(DcbRtsEnable));
    Failed = !ApplyModemLines();
}

void TSerial::SetDTR(bool on) {
    if (!IsOpen) return;
    Dcb.Flags = on ? (Dcb.Flags | DcbDtrEnable) : (Dcb.Flags & ~uint32_t(DcbDtrEnable));
    ApplyModemLines();
}

void TSerial::Write(const char* bytes, int count) {
    if (!IsOpen || !port_ || count <= 0) return;
    port_->write(bytes, count);
    QElapsedTimer t;
    t.start();
    QSerialPort* raw = port_.get();
    while (port_.get() == raw && IsOpen && raw->bytesToWrite() > 0) {
        raw->flush();
        if (raw->bytesToWrite() == 0 || t.elapsed() > kWriteLimitMs) break;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

void TSerial::WriteString(const QByteArray& s) {
    if (!s.isEmpty()) Write(s.constData(), int(s.size()));
}

void TSerial::WriteByte(uint8_t b) {
    const char c = char(b);
    Write(&c, 1);
}

int TSerial::InQueue() {
    if (!IsOpen || !port_) return 0;
    // Take what the driver holds into our buffer now, so that a caller polling without running
    // the event loop still sees it.
    int pending = 0;
    if (Handle >= 0 && ::ioctl(Handle, FIONREAD, &pending) == 0 && pending > 0 &&
        port_->bytesAvailable() < port_->readBufferSize())
        port_->waitForReadyRead(0);
    if (!IsOpen || !port_) return 0;
    port_->clearError();
    return int(std::min<qint64>(port_->bytesAvailable(), INT32_MAX));
}

int TSerial::Read(char* buffer, int count) {
    if (!IsOpen || !port_ || count <= 0) return 0;
    if (port_->bytesAvailable() < count) InQueue();
    if (!IsOpen || !port_) return 0;
    const qint64 n = port_->read(buffer, count);
    return n > 0 ? int(n) : 0;
}

uint8_t TSerial::ReadByte() {
    char c = 0;
    return Read(&c, 1) == 1 ? uint8_t(c) : 0;
}

void TSerial::Close() {
    if (!IsOpen) return;
    Release();
}

void TSerial::Release() {
    IsOpen = false;
    if (!port_) return;
    HeldDevices().remove(canonical_);
    std::unique_ptr<QSerialPort> port = std::move(port_);
    port->disconnect();
    port->close();
    Handle = -1;
    path_.clear();
    canonical_.clear();
    // Deleting the port inside one of its own signals is not safe; let the event loop do it.
    port.release()->deleteLater();
}
