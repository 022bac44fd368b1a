#include "Rs232Lib.h"
#include "Cp210x.h"
#include "app/Ansi.h"
#include "app/Utils.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>

// A countdown of n ticks ends after n * 100 ms; should the timer not run (a caller inside it, a
// stalled loop) this clock limit ends the wait anyway.
static qint64 ClockLimitMs(int ticks) {
    return qint64(ticks) * 100 + 500;
}

TFormRs232Lib::TFormRs232Lib(QObject* parent) : QObject(parent), Rs232Timer(new QTimer(this)) {
    setObjectName(QStringLiteral("FormRs232Lib"));
    Rs232Timer->setObjectName(QStringLiteral("Rs232Timer"));
    Rs232Timer->setInterval(100);
    connect(Rs232Timer, &QTimer::timeout, this, &TFormRs232Lib::Rs232TimerTimer);
    Rs232Timer->start();
}

TFormRs232Lib::~TFormRs232Lib() = default;

void TFormRs232Lib::Rs232TimerTimer() {
    Rs232Timer->stop();
    if (DelayTicks > 0) --DelayTicks;
    if (ResponseTicks > 0) --ResponseTicks;
    Rs232Timer->start();
}

void TFormRs232Lib::WaitStep() {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
}

bool TFormRs232Lib::OpenPort(int port, int baud, const QString& interfaceName) {
    InterfaceName = interfaceName;
    State = 1;
    if (Serial.IsOpen) return true;
    const QString where = interfaceName + QStringLiteral("  Com:") + QString::number(port);
    // A port that was not found must not leave an earlier number (or the default COM1) behind:
    // SendCommand retries the open with it and would talk to an unrelated device.
    Serial.Port = uint32_t(std::max(port, 0));
    if (port > 0) {
        Serial.BaudRate = uint32_t(baud);
        Serial.NoErrorChar = true;
        Serial.Open();
        if (!Serial.Failed) {
            Serial.Configure();
            if (Serial.Failed) {
                if (!Silent) ErrorBox(QStringLiteral("Open Error! Interface:") + where);
                State = 8;
                return false;
            }
            Serial.SetDTR(true);
            Serial.SetRTS(true);
            return true;
        }
    }
    if (!Silent) ErrorBox(QStringLiteral("Gerät nicht gefunden! Interface:") + where);
    State = 8;
    return false;
}

void TFormRs232Lib::ClosePort() {
    State = 0;
    Serial.Close();
}

void TFormRs232Lib::SendCommand(const QString& text) {
    if ((State != 0 && State != 1) || Abort) return;
    FlushInput();
    Response.clear();
    LastByte = 0;
    if (!Serial.IsOpen) OpenPort(int(Serial.Port), int(Serial.BaudRate), InterfaceName);
    if (Serial.IsOpen) {
        const QByteArray bytes = ToAnsi(text);
        for (char c : bytes)
            Serial.WriteByte(uint8_t(c));
        Serial.WriteByte(0x0D);
        State = 2;
    } else {
        State = 4;
    }
}

QString TFormRs232Lib::ReadResponse() {
    if (State != 2 || Abort) return {};
    if (!Serial.IsOpen) { // unplugged: nothing can come
        State = 4;
        return Response;
    }
    ResponseTicks = 10;
    QByteArray reply = ToAnsi(Response);
    QElapsedTimer clock;
    clock.start();
    bool complete = false;
    while (!complete) {
        int n = Serial.InQueue();
        while (n-- > 0 && !complete) {
            const uint8_t b = Serial.ReadByte();
            LastByte = b;
            if (b == 0x0D)
                complete = true;
            else if (reply.size() < MaxResponseLength)
                reply.append(char(b));
        }
        if (complete || Abort || ResponseTicks <= 0 || clock.elapsed() > ClockLimitMs(10)) break;
        WaitStep();
    }
    Response = FromAnsi(reply);
    if (complete)
        State = 3;
    else if (!Abort)
        State = 4;
    return Response;
}

QString TFormRs232Lib::ReadAvailable() {
    QByteArray bytes;
    int n = Serial.InQueue();
    while (n-- > 0 && !Abort)
        bytes.append(char(Serial.ReadByte()));
    return FromAnsi(bytes);
}

void TFormRs232Lib::FlushInput() {
    char buffer[4096];
    // Bounded: a device that keeps sending cannot hold the caller here.
    for (int rounds = 0; rounds < 256; ++rounds) {
        const int n = Serial.InQueue();
        if (n <= 0) break;
        Serial.Read(buffer, std::min<int>(n, sizeof buffer));
    }
}

void TFormRs232Lib::Delay(int ticks) {
    DelayTicks = ticks;
    QElapsedTimer clock;
    clock.start();
    while (DelayTicks > 0 && !Abort && clock.elapsed() < ClockLimitMs(ticks))
        WaitStep();
    DelayTicks = 0;
}

void TFormRs232Lib::Pause(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!Abort && clock.elapsed() < ms)
        WaitStep();
}

bool TFormRs232Lib::PulseLatch() {
    const QString device = Serial.DevicePath();
    int part = 0;
    if (device.isEmpty() || !Cp210x().GetPartNumber(device, part) || part != 3) return false;
    Cp210x().WriteLatch(device, 0x0002, 0x0002);
    Cp210x().WriteLatch(device, 0x0002, 0x0000);
    return true;
}
