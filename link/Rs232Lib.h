#pragma once
// The port manager: one serial port driven by command/response dialogues with an ASCII device
// (the BLE dongle's module). Non-visual; its 100-ms timer counts the waits down. Every wait lets
// the event loop run and ends by its countdown, by Abort, or at the latest by a clock limit.
#include "Serial.h"
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>

class TFormRs232Lib : public QObject {
    Q_OBJECT
public:
    explicit TFormRs232Lib(QObject* parent = nullptr);
    ~TFormRs232Lib() override;

    QTimer* Rs232Timer;
    QString InterfaceName;
    uint8_t State =
        0; // 0 idle, 1 ready, 2 reply awaited, 3 reply complete, 4 failed, 8 open failed
    uint8_t LastByte = 0;
    bool Abort = false; // ends the wait in progress; no command is sent while it is set
    int32_t DelayTicks = 0;
    int32_t ResponseTicks = 0;
    QString Response;
    TSerial Serial;
    bool Silent = false;

    bool OpenPort(int port, int baud, const QString& interfaceName);
    void ClosePort();
    void SendCommand(const QString& text);
    QString ReadResponse();
    QString ReadAvailable();
    void FlushInput();
    void Delay(int ticks);
    uint8_t GetState() const { return State; }
    void SetState(uint8_t value) { State = value; }
    bool PulseLatch();
    // The owner clears Abort once the cancelled operation has returned.
    void ClearAbort() { Abort = false; }

    // Lets the event loop run for about ms milliseconds (the plain pauses of the dialogues);
    // returns early when Abort is set.
    void Pause(int ms);

    // A reply is cut off at this length; the bytes up to its CR are still consumed.
    static constexpr int MaxResponseLength = 64 * 1024;

    void Rs232TimerTimer();

private:
    void WaitStep();
};
