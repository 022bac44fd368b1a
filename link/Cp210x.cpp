#include "Cp210x.h"
#include "UsbDiscovery.h"
#include <QFile>
#include <libusb.h>

namespace {

// From the chip maker's description of the CP210x virtual COM port interface.
constexpr uint8_t kReqTypeHostToDevice = 0x40; // vendor request to the device
constexpr uint8_t kReqTypeDeviceToHost = 0xC0;
constexpr uint8_t kVendorSpecific = 0xFF;
constexpr uint16_t kGetPartNumber = 0x370B;
constexpr uint16_t kWriteLatch = 0x37E1;
constexpr unsigned kTimeoutMs = 300;

int Number(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    bool ok = false;
    const int n = f.read(32).trimmed().toInt(&ok);
    return ok ? n : -1;
}

// An open handle to the USB device behind a tty, closed with the object.
class UsbDevice {
public:
    explicit UsbDevice(const QString& ttyPath) {
        const QString folder = UsbDeviceFolderOfTty(ttyPath);
        if (folder.isEmpty()) return;
        const int bus = Number(folder + QStringLiteral("/busnum"));
        const int address = Number(folder + QStringLiteral("/devnum"));
        if (bus < 0 || address < 0 || libusb_init(&ctx_) != 0) {
            ctx_ = nullptr;
            return;
        }
        libusb_device** list = nullptr;
        const ssize_t n = libusb_get_device_list(ctx_, &list);
        for (ssize_t i = 0; i < n; ++i) {
            if (libusb_get_bus_number(list[i]) == bus &&
                libusb_get_device_address(list[i]) == address) {
                if (libusb_open(list[i], &handle_) != 0) handle_ = nullptr;
                break;
            }
        }
        if (n >= 0) libusb_free_device_list(list, 1);
    }
    ~UsbDevice() {
        if (handle_) libusb_close(handle_);
        if (ctx_) libusb_exit(ctx_);
    }
    UsbDevice(const UsbDevice&) = delete;
    UsbDevice& operator=(const UsbDevice&) = delete;
    libusb_device_handle* handle() const { return handle_; }

private:
    libusb_context* ctx_ = nullptr;
    libusb_device_handle* handle_ = nullptr;
};

std::shared_ptr<TCp210x>& Current() {
    static std::shared_ptr<TCp210x> impl = std::make_shared<TCp210xUsb>();
    return impl;
}

} // namespace

bool TCp210xUsb::GetPartNumber(const QString& devicePath, int& partNumber) {
    UsbDevice dev(devicePath);
    if (!dev.handle()) return false;
    unsigned char part = 0;
    const int r = libusb_control_transfer(dev.handle(), kReqTypeDeviceToHost, kVendorSpecific,
                                          kGetPartNumber, 0, &part, 1, kTimeoutMs);
    if (r != 1) return false;
    partNumber = part;
    return true;
}

bool TCp210xUsb::WriteLatch(const QString& devicePath, uint16_t mask, uint16_t latch) {
    UsbDevice dev(devicePath);
    if (!dev.handle()) return false;
    const uint16_t index = uint16_t(((latch & 0xFF) << 8) | (mask & 0xFF));
    return libusb_control_transfer(dev.handle(), kReqTypeHostToDevice, kVendorSpecific, kWriteLatch,
                                   index, nullptr, 0, kTimeoutMs) == 0;
}

TCp210x& Cp210x() {
    return *Current();
}

void SetCp210x(std::shared_ptr<TCp210x> impl) {
    Current() = impl ? std::move(impl) : std::make_shared<TCp210xUsb>();
}
