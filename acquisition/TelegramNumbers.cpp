// Lenient number readers on telegram bytes. The decoders run inside the polling tick and must
// cost nothing visible, so the common forms are read without building a QString. The rare
// hexadecimal "$" form goes through ReadInt itself, so both always agree.
#include "Decoders.h"
#include "app/Utils.h"
#include <QString>
#include <string_view>
#include <cstdint>

static bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int ReadIntBytes(QByteArrayView text) {
    if (text.contains('$')) return ReadInt(QString::fromLatin1(text));
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p != end && *p != '-' && !IsDigit(*p))
        ++p;
    if (p == end) return 0;
    const bool negative = *p == '-';
    if (negative) ++p;
    std::uint64_t value = 0;
    bool anyDigit = false;
    bool tooLarge = false;
    for (; p != end && IsDigit(*p); ++p) {
        anyDigit = true;
        if (!tooLarge) {
            value = value * 10 + static_cast<std::uint64_t>(*p - '0');
            tooLarge = value > 2147483648ULL;
        }
    }
    if (!anyDigit || tooLarge || (!negative && value > 2147483647ULL)) return 0;
    return negative ? static_cast<int>(-static_cast<std::int64_t>(value)) : static_cast<int>(value);
}

double ReadNumberBytes(QByteArrayView text) {
    return ReadNumberAscii(std::string_view(text.data(), static_cast<std::size_t>(text.size())));
}
