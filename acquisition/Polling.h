#pragma once
// The polling loop: every 100 ms it takes what the analyser link delivered (serial bytes cut into
// lines at CR, one line from the BLE dongle, or one step of the bridge dialogue), hands the lines
// to the decoder of the chosen DeviceType and steps the no-data watch. It owns the serial link
// and knows the dongle and the bridge client; it has no widgets, so the acquisition window,
// kurim-cli and the tests all drive the same loop. What a user should see (received lines, the
// loop's own notes, the bridge's device list) leaves through callbacks.
#include "acquisition/LineCutter.h"
#include "link/Serial.h"
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class QTimer;
class TFormDongle;
class TBridgeClient;

class TPolling : public QObject {
    Q_OBJECT
public:
    // The dongle and the bridge client belong to the caller (they are long-lived windows of their
    // own); either may be null, and that path then simply never delivers.
    TPolling(TFormDongle* dongle, TBridgeClient* bridge, QObject* parent = nullptr);
    ~TPolling() override;

    TFormDongle* Dongle() const { return dongle_; }
    TBridgeClient* Bridge() const { return bridge_; }

    TSerial Link;
    int LinePort = -1; // the chosen COM port, -1 for none
    int LineBaud = 9600;
    LineCutter LineBuffer; // the line being received on the serial path
    int TickCount = 0;     // ticks since start, reset when a bridge wait begins
    bool BleMode = false;  // a Wren is connected through the BLE dongle
    QString WrenName, WrenMac;
    QStringList WrenNames, WrenMacs; // the last scan's name fields and addresses, by index
    bool TcpActive = false;          // bridge mode on
    uint8_t TcpState = 1;            // step of the bridge dialogue, 1..8
    QStringList TcpList;             // device names the bridge reported
    QString BridgeHost = QStringLiteral("localhost");
    int BridgePort = 30000;
    bool Stop = false; // "Stop" ticked: received lines are neither logged nor decoded

    QTimer* Timer1; // 100 ms, started by Start()

    // Bytes taken from the port in one tick at most; the rest waits for the next tick.
    static constexpr int MaxReadPerTick = 4096;
    // How long the bridge dialogue waits for a device or a selection (ticks of 100 ms).
    static constexpr int BridgeWaitTicks = 60;
    // How long connecting right after starting the bridge program is retried (ms).
    static constexpr int BridgeConnectRetryMs = 3000;

    void Start(); // starts the 100-ms timer
    // One tick of the loop (the timer's handler). Never lets an exception out; the timer is
    // enabled again at its end.
    void Timer1Timer();

    // Opens the serial link on `port` with LineBaud as the window's OpenLink does, without any
    // message: the result says what failed. A port outside 1..99 leaves the link closed.
    enum class OpenResult { Opened, NoPort, OpenFailed, ConfigureFailed };
    OpenResult OpenSerial(int port);
    // "W904" CR to the analyser, 300 ms with the event loop running, then close.
    void CloseLink();
    // Leaves BLE mode and closes the dongle (the main window's shutdown, a new mode chosen).
    void EndBleMode();

    // Bridge mode on ("TCP On", after the link and BLE mode were ended by the caller) and off.
    void BridgeOn();
    void BridgeOff(); // "TCP Off": disconnect, end the bridge program
    // The user chose a device from the bridge's list while the dialogue waits for it (state 4).
    bool ChooseBridgeDevice(const QString& name);

    // True while a tick waits for a line of the dongle (the exit button may end that wait).
    bool InDongleRead() const { return inDongleRead_; }

    // True when some link is connected: serial port open, BLE device or bridge connected.
    bool LinkConnected() const;

    // Callbacks. `OnLine`: a received line that will be decoded (for the log; Windows-1252 bytes,
    // valid during the call). `OnNote`: the
    // loop's own remarks for the log (an overlong line dropped, a bridge error). `OnBridgeDevices`:
    // the bridge reported these names; `chosen` is the one shown (-1: the user must choose).
    // `OnBridgeEnded`: bridge mode was switched off by the loop (failure); the port field goes
    // back to "non".
    std::function<void(QByteArrayView line)> OnLine;
    std::function<void(const QString& note)> OnNote;
    std::function<void(const QStringList& names, int chosen)> OnBridgeDevices;
    std::function<void()> OnBridgeEnded;
    // Called at the end of every tick (the window shows the lines of a tick in one go).
    std::function<void()> OnTickDone;

    // Longest tick so far in microseconds (measured for the speed figures and the monitor).
    qint64 LongestTickUs = 0;
    qint64 Ticks = 0; // ticks run since construction

    // The serial path of one tick on bytes already read (tests and the benchmark feed it
    // directly): cut, log, decode.
    void HandleSerialBytes(QByteArrayView bytes);

private:
    void SerialStep();
    void BleStep();
    void BridgeStep();
    void BridgeFailure();
    void HandleLine(QByteArrayView line);
    void Note(const QString& text);

    TFormDongle* dongle_;
    TBridgeClient* bridge_;
    QElapsedTimer bridgeStarted_; // since the bridge program was started (connect retries)
    bool inDongleRead_ = false;
    int bridgeEpoch_ = 0;  // counts "TCP On" and "TCP Off": a waiting bridge step sees a switch
    bool running_ = false; // Start() was called: each tick re-arms the timer
};

// A line as the dongle or the bridge delivered it, with the bytes below 0x20 dropped as on the
// serial path: a module that ends its lines with CR LF leaves the LF in front of the next line,
// which would otherwise shift the channel number out of place.
QByteArray CleanLine(const QString& line);
