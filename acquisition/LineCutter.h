#pragma once
// Cuts the analyser's byte stream into lines the way the serial polling path does: a CR (0x0D)
// ends a line, every other byte below 0x20 (LF included) is dropped, everything else is kept.
// A line may arrive split over any number of reads; it is handed on once, when its CR arrives.
//
// A device that never sends CR must not make the buffer grow without end: a run of more than
// MaxLineLength kept bytes is dropped whole (up to and including its CR) and counted, so the
// caller can report it.
#include <QByteArrayView>
#include <array>
#include <cstddef>

class LineCutter {
public:
    static constexpr qsizetype MaxLineLength = 4096;

    // Feeds received bytes. `onLine(QByteArrayView line)` is called for every completed line,
    // without its CR; the view is valid only during the call. Returns the number of overlong
    // runs that were dropped while handling these bytes (a run is counted when it overflows).
    template <class OnLine> int Feed(QByteArrayView data, OnLine&& onLine) {
        int dropped = 0;
        const char* p = data.data();
        const char* const end = p + data.size();
        for (; p != end; ++p) {
            const unsigned char c = static_cast<unsigned char>(*p);
            if (c == 0x0D) {
                if (!discarding_) onLine(QByteArrayView(buffer_.data(), length_));
                length_ = 0;
                discarding_ = false;
            } else if (c >= 0x20 && !discarding_) {
                if (length_ == MaxLineLength) {
                    length_ = 0;
                    discarding_ = true;
                    ++dropped;
                } else {
                    buffer_[static_cast<std::size_t>(length_++)] = static_cast<char>(c);
                }
            }
        }
        droppedTotal_ += dropped;
        return dropped;
    }

    // The bytes of the line not yet ended by a CR (empty while an overlong run is dropped).
    QByteArrayView Pending() const { return QByteArrayView(buffer_.data(), length_); }
    // True while the rest of an overlong run is being skipped up to its CR.
    bool Discarding() const { return discarding_; }
    // Overlong runs dropped since construction or the last Clear.
    int DroppedRuns() const { return droppedTotal_; }
    // Forgets a partial line, as when the link is closed and opened again.
    void Clear() {
        length_ = 0;
        discarding_ = false;
        droppedTotal_ = 0;
    }

private:
    std::array<char, MaxLineLength> buffer_{};
    qsizetype length_ = 0;
    bool discarding_ = false;
    int droppedTotal_ = 0;
};
