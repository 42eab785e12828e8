#include "transfer/SheetXml.h"

#include <cmath>

namespace SheetXml {

QString numberText(const QString& value) {
    bool ok = false;
    const double number = value.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number)) {
        return value;
    }
    if (number == std::floor(number) && std::abs(number) < 1e15) {
        return QString::number(qint64(number));
    }
    return QString::number(number, 'g', 15);
}

} // namespace SheetXml
