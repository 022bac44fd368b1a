#pragma once
// One serial or USB-serial link (an analyser, the BLE dongle). No framing, no buffering policy and
// no timing of its own: callers poll InQueue and read at most that many bytes. The COM number is
// turned into a device path by the port map (PortMap.h).
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>

class QObject;
class QSerialPort;

// The port state last applied, laid out as the analysers' original platform kept it, so that
// SetDTR/SetRTS work on the same flag bits.
struct TDcb {
    uint32_t DCBlength = 0;
    uint32_t BaudRate = 0;
    uint32_t Flags = 0;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 0;
    uint8_t Parity = 0;
    uint8_t StopBits = 0;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
};

// Flag bits of TDcb::Flags.
enum : uint32_t {
    DcbBinary = 0x0001,
    DcbParity = 0x0002,
    DcbOutxCtsFlow = 0x0004,
    DcbOutxDsrFlow = 0x0008,
    DcbDtrEnable = 0x0010,
    DcbDtrHandshake = 0x0020,
    DcbDsrSensitivity = 0x0040,
    DcbTxContinueOnXoff = 0x0080,
    DcbOutX = 0x0100,
    DcbInX = 0x0200,
    DcbErrorChar = 0x0400,
    DcbNull = 0x0800,
    DcbRtsEnable = 0x1000,
    DcbRtsHandshake = 0x2000,
    DcbAbortOnError = 0x4000,
};

class TSerial {
public:
    TSerial();
    ~TSerial();
    TSerial(const TSerial&) = delete;
    TSerial& operator=(const TSerial&) = delete;

    bool IsOpen = false; // opened and configured
    bool Failed = false; // outcome of the last Open, Configure or SetRTS
    int Handle = -1;     // file descriptor of the open device, -1 when none
    uint32_t Port = 1;
    uint32_t BaudRate = 9600;
    uint16_t ByteSize = 8;
    uint16_t Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint16_t StopBits = 0; // 0 one, 1 one and a half, 2 two
    uint8_t Handshake = 0; // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 DTR/DSR
    uint32_t InQueueSize = 2048;
    uint32_t OutQueueSize = 2048;
    bool NoErrorChar = true;
    uint32_t FlowBase = 0;
    TDcb Dcb;

    bool PortExists();
    void Open();
    void Configure();
    void SetRTS(bool on);
    void SetDTR(bool on);
    void Write(const char* bytes, int count);
    void WriteString(const QByteArray& s);
    void WriteByte(uint8_t b);
    int InQueue();
    bool DataAvailable() { return InQueue() > 0; }
    int Read(char* buffer, int count);
    uint8_t ReadByte();
    void Close();

    // The device path the port was opened by (empty while closed); the USB helpers look up the
    // chip behind it.
    QString DevicePath() const { return path_; }

    // True while some TSerial of this program holds the device (by any path leading to it).
    static bool DeviceHeld(const QString& path);

private:
    void Release();
    bool ApplyModemLines();

    std::unique_ptr<QObject> guard_; // context of deferred work; dies with this object
    std::unique_ptr<QSerialPort> port_;
    QString path_;
    QString canonical_;
};
