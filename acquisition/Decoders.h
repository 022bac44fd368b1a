#pragma once
// The analysers' telegrams and their decoders. Each analyser type of the device list is one row of
// data (name, telegram form, decoder, baud rate, channel map); the acquisition window, kurim-cli
// and the simulator all work from the same rows.
//
// A decoder takes one line as received (Windows-1252 bytes, CR already cut off, bytes below 0x20
// already dropped on the serial path), writes CurrentValues with its present flags and resets the
// no-data counter when the line counts as a sign of life. Decoders accept any bytes: malformed
// numbers read as 0, unknown channels and keywords are ignored, no line is ever rejected.
#include "app/Values.h"
#include <QByteArrayView>
#include <array>
#include <span>

enum class TelegramForm {
    None,
    KeywordLines,     // "CO 17 ppm": one value per line after a keyword
    ChannelTelegrams, // "052G9.8;": 3-digit channel, status letter, value, one closing character
    PlainChannelTelegrams, // as channel telegrams, without unit conversion or O2 reference
    FixedColumns,          // five values in 7-character columns of one line
    VelaRecords,           // a "*" header naming the columns, then ";"-separated data lines
};

// Channel number of each MeasuredValue (index 1..14; 0 = the value has no channel).
using ChannelMap = std::array<int, MeasuredValueCount + 1>;
extern const ChannelMap ChannelTable;
extern const ChannelMap TessaChannelTable;

// MeasuredValue for each column code a QAN Vela header may name (0 = not a live value).
constexpr int VelaCodeCount = 34;
extern const std::array<int, VelaCodeCount> VelaCodeTable;
// The QAN Vela sends at most this many fields per line; further fields are ignored.
constexpr int VelaFieldCount = 16;

using LineDecoder = void (*)(QByteArrayView line);

struct DeviceDescription {
    int deviceType;   // 1..9
    const char* name; // the entry of the device list, exactly ("QAN Pilo " ends in a blank)
    TelegramForm form;
    LineDecoder decode;
    int defaultBaud;
    const ChannelMap* channels; // channel telegrams only, else nullptr
    bool formsNOx;              // NOx is formed from NO and NO2 when NO2 arrives (QAN Lumo)
    bool invertsP;              // the analyser sends draught with the opposite sign (Wren)
};

constexpr int DeviceTypeCount = 9;
// Rows for DeviceType 1..9, in the order of the device list.
std::span<const DeviceDescription> DeviceDescriptions();
// The row of a DeviceType, or nullptr for 0 and numbers beyond the list.
const DeviceDescription* DeviceDescriptionOf(int deviceType);

void DecodeKeywordLine(QByteArrayView line);
void DecodeChannelTelegram(QByteArrayView line);
void DecodePlainChannelTelegram(QByteArrayView line);
void DecodeColumnTelegram(QByteArrayView line);
void DecodeVelaRecord(QByteArrayView line);

// Hands one line to the decoder of `deviceType`; does nothing for 0 or an unknown type.
void DecodeLine(int deviceType, QByteArrayView line);

// The lenient readers ReadInt / ReadNumber on telegram bytes, without building a QString on the
// common path. Every byte is one character (Windows-1252), and only ASCII characters take part
// in a number, so the results are those of ReadInt / ReadNumber of the same text.
int ReadIntBytes(QByteArrayView text);
double ReadNumberBytes(QByteArrayView text);
