#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

// The encodings a text table may be written in: what spreadsheets and agency programs write.
enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Windows1252 };

namespace Encodings {

// Every encoding, in the order a picker offers them.
inline constexpr TextEncoding kAll[] = {TextEncoding::Utf8, TextEncoding::Utf16LE,
                                        TextEncoding::Utf16BE, TextEncoding::Windows1252};

// "UTF-8", "UTF-16 LE", "UTF-16 BE", "Windows-1252".
QString name(TextEncoding encoding);

// The encoding of a text file from its first bytes: a byte-order mark when there is one
// (UTF-8, UTF-16 LE or BE); UTF-16 without a mark when every other byte of the start is zero;
// UTF-8 when every byte reads as UTF-8; otherwise Windows-1252, which Excel writes on an
// Italian system.
TextEncoding detect(QByteArrayView bytes);

// The text without the byte-order mark of its encoding. A byte sequence that does not read in
// the encoding becomes U+FFFD, counted in `replaced`, so that nothing vanishes unseen.
struct Decoded {
    QString text;
    qint64 replaced = 0;
};
Decoded decode(QByteArrayView bytes, TextEncoding encoding);

} // namespace Encodings
