#include "transfer/TextEncoding.h"

#include <QStringDecoder>
#include <QSysInfo>

#include <cstdint>
#include <cstring>
#include <iconv.h>

namespace Encodings {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool startsWith(QByteArrayView bytes, const char* mark) {
    return bytes.startsWith(QByteArrayView(mark));
}

// Through glibc's iconv. Five bytes of Windows-1252 name nothing: each becomes U+FFFD.
Decoded windows1252(QByteArrayView bytes) {
    Decoded decoded;
    // One UTF-16 unit for every byte, in the order QString holds them.
    decoded.text.resize(bytes.size());
    char* const start = reinterpret_cast<char*>(decoded.text.data());
    char* out = start;
    size_t outLeft = size_t(bytes.size()) * sizeof(char16_t);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    const char* target = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";
    const iconv_t converter = iconv_open(target, "WINDOWS-1252");
    // iconv_open tells a failure by (iconv_t)-1.
    const bool converting = reinterpret_cast<std::intptr_t>(converter) != -1;
    while (inLeft > 0 && outLeft >= sizeof(char16_t)) {
        if (converting && iconv(converter, &in, &inLeft, &out, &outLeft) != size_t(-1)) {
            break;
        }
        // A byte that names nothing (or, without the converter, every byte past ASCII).
        const auto byte = uchar(*in);
        const char16_t c = !converting && byte < 0x80 ? byte : kReplacement;
        decoded.replaced += c == kReplacement ? 1 : 0;
        std::memcpy(out, &c, sizeof c);
        out += sizeof c;
        outLeft -= sizeof c;
        ++in;
        --inLeft;
    }
    if (converting) {
        iconv_close(converter);
    }
    decoded.text.truncate(qsizetype((out - start) / qsizetype(sizeof(char16_t))));
    return decoded;
}

// Qt passes unpaired surrogates through; here they become U+FFFD, like an odd last byte.
Decoded utf16(QByteArrayView bytes, bool littleEndian) {
    Decoded decoded;
    const qsizetype units = bytes.size() / 2;
    decoded.text.reserve(units + 1);
    const auto unitAt = [&](qsizetype i) {
        const auto a = uchar(bytes[2 * i]);
        const auto b = uchar(bytes[2 * i + 1]);
        return char16_t(littleEndian ? (b << 8 | a) : (a << 8 | b));
    };
    for (qsizetype i = 0; i < units; ++i) {
        const char16_t unit = unitAt(i);
        if (QChar::isHighSurrogate(unit) && i + 1 < units && QChar::isLowSurrogate(unitAt(i + 1))) {
            decoded.text.append(QChar(unit));
            decoded.text.append(QChar(unitAt(++i)));
        } else if (QChar::isSurrogate(unit)) {
            decoded.text.append(QChar(kReplacement));
            ++decoded.replaced;
        } else {
            decoded.text.append(QChar(unit));
        }
    }
    if (bytes.size() % 2 != 0) {
        decoded.text.append(QChar(kReplacement));
        ++decoded.replaced;
    }
    return decoded;
}

// Well-formed UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing beyond U+10FFFF.
// Checked without decoding, so a large file is not held twice.
bool isUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        const uchar lead = *p++;
        if (lead < 0x80) {
            continue;
        }
        int more = 0;
        uchar low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (end - p < more || *p < low || *p > high) {
            return false;
        }
        ++p;
        for (int i = 1; i < more; ++i, ++p) {
            if ((*p & 0xC0) != 0x80) {
                return false;
            }
        }
    }
    return true;
}

Decoded utf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    Decoded decoded{decoder.decode(bytes), 0};
    // The decoder writes U+FFFD for every sequence that does not read; those the file itself
    // holds (EF BF BD) are not replacements.
    const qsizetype written = decoded.text.count(QChar(kReplacement));
    const qsizetype held = bytes.isEmpty() ? 0 : QByteArrayView(bytes).count("\xEF\xBF\xBD");
    decoded.replaced = written - held;
    return decoded;
}

} // namespace

QString name(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Utf16LE:
        return QStringLiteral("UTF-16 LE");
    case TextEncoding::Utf16BE:
        return QStringLiteral("UTF-16 BE");
    case TextEncoding::Windows1252:
        return QStringLiteral("Windows-1252");
    }
    return QString();
}

TextEncoding detect(QByteArrayView bytes) {
    if (startsWith(bytes, "\xEF\xBB\xBF")) {
        return TextEncoding::Utf8;
    }
    if (startsWith(bytes, "\xFF\xFE")) {
        return TextEncoding::Utf16LE;
    }
    if (startsWith(bytes, "\xFE\xFF")) {
        return TextEncoding::Utf16BE;
    }
    // Latin text in UTF-16 without a mark: one byte of every pair is zero.
    const QByteArrayView start = bytes.first(std::min<qsizetype>(bytes.size(), 4096) & ~1);
    if (start.size() >= 4) {
        qsizetype zeroEven = 0, zeroOdd = 0;
        for (qsizetype i = 0; i < start.size(); i += 2) {
            zeroEven += start[i] == 0 ? 1 : 0;
            zeroOdd += start[i + 1] == 0 ? 1 : 0;
        }
        const qsizetype pairs = start.size() / 2;
        if (zeroOdd * 10 >= pairs * 9 && zeroEven == 0) {
            return TextEncoding::Utf16LE;
        }
        if (zeroEven * 10 >= pairs * 9 && zeroOdd == 0) {
            return TextEncoding::Utf16BE;
        }
    }
    return isUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

Decoded decode(QByteArrayView bytes, TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return utf8(startsWith(bytes, "\xEF\xBB\xBF") ? bytes.sliced(3) : bytes);
    case TextEncoding::Utf16LE:
        return utf16(startsWith(bytes, "\xFF\xFE") ? bytes.sliced(2) : bytes, true);
    case TextEncoding::Utf16BE:
        return utf16(startsWith(bytes, "\xFE\xFF") ? bytes.sliced(2) : bytes, false);
    case TextEncoding::Windows1252:
        return windows1252(bytes);
    }
    return {};
}

} // namespace Encodings
