#include "transfer/TextKey.h"

namespace TextKey {

QString loose(QStringView text) {
    const QString decomposed = text.toString().normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    bool space = false;
    for (const QChar c : decomposed) {
        if (c.isMark()) {
            continue;
        }
        if (c.isLetterOrNumber()) {
            if (space && !out.isEmpty()) {
                out.append(u' ');
            }
            space = false;
            out.append(c);
        } else {
            space = true;
        }
    }
    return out.toCaseFolded();
}

QString name(QStringView text) {
    return text.toString().simplified().toCaseFolded();
}

QString phone(QStringView text) {
    QString digits;
    const QString trimmed = text.trimmed().toString();
    for (const QChar c : trimmed) {
        if (c.isDigit()) {
            digits.append(c);
        }
    }
    if (trimmed.startsWith(u'+') && digits.startsWith(QStringLiteral("39"))) {
        return digits.mid(2);
    }
    if (digits.startsWith(QStringLiteral("0039"))) {
        return digits.mid(4);
    }
    return digits;
}

} // namespace TextKey
