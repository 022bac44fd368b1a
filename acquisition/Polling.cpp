#include "Polling.h"
#include "acquisition/Decoders.h"
#include "app/Ansi.h"
#include "app/Utils.h"
#include "app/Values.h"
#include "link/Dongle.h"
#include "link/PortMap.h"
#include "link/TcpBtle.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <exception>

namespace {

// Lets the event loop run for about `ms` milliseconds, in short steps.
void WaitWithEvents(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

} // namespace

QByteArray CleanLine(const QString& line) {
    QByteArray bytes = ToAnsi(line);
    bytes.removeIf([](char c) { return static_cast<unsigned char>(c) < 0x20; });
    return bytes;
}

TPolling::TPolling(TFormDongle* dongle, TBridgeClient* bridge, QObject* parent)
    : QObject(parent), Timer1(new QTimer(this)), dongle_(dongle), bridge_(bridge) {
    setObjectName(QStringLiteral("Polling"));
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TPolling::Timer1Timer);
}

TPolling::~TPolling() {
    Link.Close();
}

void TPolling::Start() {
    running_ = true;
    Timer1->start();
}

void TPolling::Note(const QString& text) {
    if (OnNote) OnNote(text);
}

// A step that fails ends only itself: the loop must keep running whatever a device or a
// platform component threw at it.
template <class Step> static void Guarded(TPolling* p, Step&& step, const char* what) {
    try {
        step();
    } catch (const std::exception& e) {
        if (p->OnNote)
            p->OnNote(QStringLiteral("%1: %2").arg(QLatin1String(what),
                                                   QString::fromLocal8Bit(e.what())));
    } catch (...) {
        if (p->OnNote) p->OnNote(QStringLiteral("%1: unknown error").arg(QLatin1String(what)));
    }
}

void TPolling::Timer1Timer() {
    // No tick may start while this one runs, also not while a wait below lets the GUI run.
    Timer1->stop();
    QElapsedTimer clock;
    clock.start();
    ++TickCount;
    ++Ticks;
    // The watch steps on every tick, also with no link open: values of a link that was closed
    // clear after the limit like those of a silent link instead of staying on screen as if live.
    NoDataWatchStep();
    if (BleMode)
        Guarded(
            this, [this] { BleStep(); }, "BLE");
    else if (Link.IsOpen)
        Guarded(
            this, [this] { SerialStep(); }, "RS232");
    if (TcpActive)
        Guarded(
            this, [this] { BridgeStep(); }, "TCP");
    if (OnTickDone)
        Guarded(
            this, [this] { OnTickDone(); }, "Log");
    LongestTickUs = std::max(LongestTickUs, clock.nsecsElapsed() / 1000);
    if (running_) Timer1->start();
}

void TPolling::SerialStep() {
    const int queued = Link.InQueue();
    if (queued <= 0) return;
    char buffer[MaxReadPerTick];
    const int got = Link.Read(buffer, std::min(queued, int(MaxReadPerTick)));
    if (got > 0) HandleSerialBytes(QByteArrayView(buffer, got));
}

void TPolling::HandleSerialBytes(QByteArrayView bytes) {
    const int dropped = LineBuffer.Feed(bytes, [this](QByteArrayView line) { HandleLine(line); });
    if (dropped > 0)
        Note(QStringLiteral("Zeile ohne CR länger als %1 Zeichen verworfen")
                 .arg(LineCutter::MaxLineLength));
}

void TPolling::HandleLine(QByteArrayView line) {
    if (Stop) return;
    if (OnLine) OnLine(line);
    DecodeLine(DeviceType, line);
}

void TPolling::BleStep() {
    if (!dongle_) return;
    inDongleRead_ = true;
    const QString line = dongle_->ReadLine();
    inDongleRead_ = false;
    // The exit button ends the wait for this line only; later lines must still come.
    if (dongle_->Aborted()) dongle_->SetAbort(false);
    if (line.size() > 1 && !Stop) {
        const QByteArray bytes = CleanLine(line);
        if (OnLine) OnLine(bytes);
        DecodeChannelTelegram(bytes);
    }
}

TPolling::OpenResult TPolling::OpenSerial(int port) {
    ResetNoDataTicks();
    if (Link.IsOpen) Link.Close();
    LinePort = port;
    LineBuffer.Clear();
    if (port < 1 || port > MaxComPort) return OpenResult::NoPort;
    Link.Port = uint32_t(port);
    Link.BaudRate = uint32_t(std::max(LineBaud, 1));
    Link.NoErrorChar = true;
    Link.Open();
    OpenResult result = OpenResult::Opened;
    if (Link.Failed) {
        result = OpenResult::OpenFailed;
    } else {
        Link.Configure();
        if (Link.Failed) result = OpenResult::ConfigureFailed;
    }
    if (Link.IsOpen) {
        // Wakes analysers that wait for a byte before they start sending.
        Link.WriteByte(0x20);
        Link.SetDTR(true);
        Link.SetRTS(true);
    }
    return result;
}

void TPolling::CloseLink() {
    if (!Link.IsOpen) return;
    // Tells the analyser that the PC stops listening.
    Link.WriteString(QByteArrayLiteral("W904\r"));
    WaitWithEvents(300);
    Link.Close();
}

void TPolling::EndBleMode() {
    BleMode = false;
    if (dongle_) dongle_->CloseDongle();
}

void TPolling::BridgeOn() {
    ++bridgeEpoch_;
    ResetNoDataTicks();
    TcpState = 1;
    TcpActive = true;
}

void TPolling::BridgeOff() {
    ++bridgeEpoch_;
    TcpActive = false;
    if (bridge_) {
        bridge_->BridgeDisconnect();
        bridge_->StopBridge();
    }
}

bool TPolling::ChooseBridgeDevice(const QString& name) {
    if (!TcpActive || TcpState != 4 || !bridge_) return false;
    TickCount = 0;
    bridge_->BridgeSetDevice(name);
    TcpState = 5;
    return true;
}

bool TPolling::LinkConnected() const {
    return Link.IsOpen || (dongle_ && dongle_->Connected) || (bridge_ && bridge_->Connected);
}

void TPolling::BridgeFailure() {
    if (bridge_ && !bridge_->LastError.isEmpty())
        Note(QStringLiteral("TCP: ") + bridge_->LastError);
    TcpActive = false;
    if (bridge_) {
        bridge_->BridgeDisconnect();
        bridge_->StopBridge();
    }
    if (OnBridgeEnded) OnBridgeEnded();
    InfoBox(QStringLiteral("Kann kein Gerät über den Bluetooth Server verbinden"));
}

void TPolling::BridgeStep() {
    if (!bridge_) {
        TcpActive = false;
        return;
    }
    // The bridge test panel may have a command of its own waiting for its reply: this tick's
    // command would be refused, which is no failure of the bridge. The dialogue goes on next tick.
    if (bridge_->Busy()) return;
    // A bridge command lets the GUI run while it waits: the user may switch bridge mode off (or
    // off and on again) meanwhile. What that command then returns belongs to a dialogue that is
    // over and must neither report a failure nor move the new dialogue on.
    const int epoch = bridgeEpoch_;
    const auto overtaken = [&] { return epoch != bridgeEpoch_ || !TcpActive; };
    switch (TcpState) {
    case 1:
        bridge_->BridgeDisconnect();
        bridge_->StopBridge();
        TcpState = 2;
        break;
    case 2: {
        const bool started = bridge_->StartBridge();
        if (overtaken()) break;
        if (started) {
            TcpState = 3;
            bridgeStarted_.start();
        } else {
            // The reason was shown by the program starter; the port field must not stay on "Tcp".
            TcpActive = false;
            if (OnBridgeEnded) OnBridgeEnded();
        }
        break;
    }
    case 3: {
        // The bridge program needs a moment before it listens: retry for a while.
        const bool connected = bridge_->BridgeConnect(BridgeHost, BridgePort);
        if (overtaken()) break;
        if (connected)
            TcpState = 6;
        else if (!bridgeStarted_.isValid() || bridgeStarted_.elapsed() >= BridgeConnectRetryMs)
            BridgeFailure();
        break;
    }
    case 4: // the user chooses a device (ChooseBridgeDevice)
        break;
    case 5: {
        TcpList.clear();
        const bool selected = bridge_->BridgeGetSelection();
        if (overtaken()) break;
        if (selected)
            TcpState = 8;
        else if (!bridge_->Connected || TickCount > BridgeWaitTicks)
            BridgeFailure();
        break;
    }
    case 6: {
        const bool scanning = bridge_->BridgeScan();
        if (overtaken()) break;
        if (!scanning) {
            BridgeFailure();
            break;
        }
        TickCount = 0;
        TcpState = 7;
        break;
    }
    case 7: {
        TcpList.clear();
        const bool reported = bridge_->BridgeGetState(TcpList);
        if (overtaken()) break;
        if (reported) {
            if (TcpList.size() == 1) {
                // The bridge selects a lone device itself.
                if (OnBridgeDevices) OnBridgeDevices(TcpList, 0);
                DeviceType = 9;
                TcpState = 8;
            } else {
                if (OnBridgeDevices) OnBridgeDevices(TcpList, -1);
                TcpState = 4;
                InfoBox(QStringLiteral("Bitte Gerät auswählen."));
            }
        } else if (!bridge_->Connected || TickCount > BridgeWaitTicks) {
            BridgeFailure();
        }
        break;
    }
    case 8: {
        QString line;
        const bool got = bridge_->BridgeGetData(line);
        if (overtaken()) break;
        if (!got) {
            BridgeFailure();
            break;
        }
        if (line.size() >= 2 && !Stop) {
            const QByteArray bytes = CleanLine(line);
            if (OnLine) OnLine(bytes);
            DecodeChannelTelegram(bytes);
        }
        break;
    }
    default:
        TcpState = 1;
        break;
    }
}
