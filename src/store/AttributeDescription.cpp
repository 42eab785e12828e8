#include "store/AttributeDescription.h"

#include <limits>

bool AttributeDescription::accepts(const Value& value) const {
    switch (m_type) {
    case AttributeType::Integer32:
        if (const qint64* i = std::get_if<qint64>(&value)) {
            return *i >= std::numeric_limits<qint32>::min() &&
                   *i <= std::numeric_limits<qint32>::max();
        }
        break;
    case AttributeType::String:
        return ValueOrder::isAbsent(value) || std::holds_alternative<QString>(value);
    case AttributeType::Boolean:
        return ValueOrder::isAbsent(value) || std::holds_alternative<bool>(value);
    case AttributeType::Date:
        return ValueOrder::isAbsent(value) || std::holds_alternative<Instant>(value);
    case AttributeType::Binary:
        return ValueOrder::isAbsent(value) || std::holds_alternative<QByteArray>(value);
    case AttributeType::Uuid:
        return ValueOrder::isAbsent(value) || std::holds_alternative<QUuid>(value);
    }
    return ValueOrder::isAbsent(value);
}
