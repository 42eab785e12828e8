#pragma once

#include "platform/Instant.h"

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <variant>

// One attribute value as the object store holds it. The empty alternative is "absent" (nil),
// which is never the same as an empty text or an empty byte string. Integers of every width
// are held as 64 bits so that predicate arguments and stored values compare alike.
using Value = std::variant<std::monostate, bool, qint64, Instant, QString, QUuid, QByteArray>;

namespace ValueOrder {

inline bool isAbsent(const Value& value) {
    return std::holds_alternative<std::monostate>(value);
}

// Text in plain Unicode code-point order, case-sensitive: the order of SQLite's BINARY
// collation over UTF-8, which UTF-16 code-unit order is not (it puts U+10000 and above before
// U+E000..U+FFFF).
int compareText(QStringView a, QStringView b);

// An integer whose order agrees with compareText on the first four characters: a text that
// ranks lower sorts before one that ranks higher, and equal ranks must be compared in full.
// The empty text ranks lowest.
qint64 textPrefixRank(QStringView text);

// UUIDs in the order of their canonical upper-case text, as the store's column sorts them.
int compareUuid(const QUuid& a, const QUuid& b);

// The order of sort keys: absent first, then by value. Values of different kinds (which the
// store never holds in one attribute) order by kind.
int compare(const Value& a, const Value& b);

// Whether two values are equal as a predicate sees them: integers and booleans by number.
bool equal(const Value& a, const Value& b);

} // namespace ValueOrder

// The canonical text of a UUID: upper-case, without braces.
QString uuidText(const QUuid& uuid);
