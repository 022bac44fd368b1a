#pragma once
// The two services of the CP210x bridge chip that the dongle needs: its part number and its GPIO
// latch. The Linux implementation sends the chip maker's vendor requests through libusb to the
// USB device behind the tty; tests put a fake in its place.
#include <QString>
#include <cstdint>
#include <memory>

class TCp210x {
public:
    virtual ~TCp210x() = default;
    // The chip's part number (1 CP2101, 2 CP2102, 3 CP2103, ...); false when it cannot be asked.
    virtual bool GetPartNumber(const QString& devicePath, int& partNumber) = 0;
    // Sets the GPIO latch bits selected by mask to the bits of latch.
    virtual bool WriteLatch(const QString& devicePath, uint16_t mask, uint16_t latch) = 0;
};

// The vendor requests over libusb-1.0. Without permission or without the device every call
// reports failure.
class TCp210xUsb : public TCp210x {
public:
    bool GetPartNumber(const QString& devicePath, int& partNumber) override;
    bool WriteLatch(const QString& devicePath, uint16_t mask, uint16_t latch) override;
};

// The implementation in use (TCp210xUsb unless replaced); an empty pointer restores it.
TCp210x& Cp210x();
void SetCp210x(std::shared_ptr<TCp210x> impl);
