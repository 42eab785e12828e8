#include "store/Value.h"

#include <cstring>
#include <optional>

namespace {

// A boolean is the number 0 or 1 wherever numbers meet.
std::optional<qint64> asNumber(const Value& value) {
    if (const bool* b = std::get_if<bool>(&value)) {
        return *b ? 1 : 0;
    }
    if (const qint64* i = std::get_if<qint64>(&value)) {
        return *i;
    }
    return std::nullopt;
}

template <typename T> int threeWay(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

namespace ValueOrder {

int compareText(QStringView a, QStringView b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x == y) {
            continue;
        }
        // Surrogates (U+D800..U+DFFF) stand for code points above U+FFFF: lift them above
        // every other code unit so that the comparison follows code points.
        const bool xs = x >= 0xD800 && x <= 0xDFFF;
        const bool ys = y >= 0xD800 && y <= 0xDFFF;
        if (xs != ys) {
            return xs ? 1 : -1;
        }
        return x < y ? -1 : 1;
    }
    return threeWay(a.size(), b.size());
}

qint64 textPrefixRank(QStringView text) {
    quint64 key = 0;
    for (qsizetype i = 0; i < 4; ++i) {
        quint64 unit = i < text.size() ? text[i].unicode() : 0;
        // Surrogates after every other code unit, as compareText orders them.
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            unit += 0x2000;
        } else if (unit >= 0xE000) {
            unit -= 0x800;
        }
        key = (key << 16) | unit;
    }
    // Unsigned order as signed order.
    return qint64(key ^ (quint64(1) << 63));
}

int compareUuid(const QUuid& a, const QUuid& b) {
    const QByteArray x = a.toRfc4122();
    const QByteArray y = b.toRfc4122();
    const int c = std::memcmp(x.constData(), y.constData(), 16);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int compare(const Value& a, const Value& b) {
    // The sort keys of the screens first: two instants, two texts.
    if (const Instant* x = std::get_if<Instant>(&a)) {
        if (const Instant* y = std::get_if<Instant>(&b)) {
            return threeWay(x->msSinceEpoch(), y->msSinceEpoch());
        }
    } else if (const QString* s = std::get_if<QString>(&a)) {
        if (const QString* t = std::get_if<QString>(&b)) {
            return compareText(*s, *t);
        }
    }
    if (const auto x = asNumber(a), y = asNumber(b); x && y) {
        return threeWay(*x, *y);
    }
    if (a.index() != b.index()) {
        return threeWay(a.index(), b.index());
    }
    return std::visit(
        [&b](const auto& x) -> int {
            using T = std::decay_t<decltype(x)>;
            const T& y = std::get<T>(b);
            if constexpr (std::is_same_v<T, std::monostate>) {
                return 0;
            } else if constexpr (std::is_same_v<T, QString>) {
                return compareText(x, y);
            } else if constexpr (std::is_same_v<T, QUuid>) {
                return compareUuid(x, y);
            } else if constexpr (std::is_same_v<T, QByteArray>) {
                return threeWay(x, y);
            } else {
                return threeWay(x, y);
            }
        },
        a);
}

bool equal(const Value& a, const Value& b) {
    if (const auto x = asNumber(a), y = asNumber(b); x && y) {
        return *x == *y;
    }
    return a == b;
}

} // namespace ValueOrder

QString uuidText(const QUuid& uuid) {
    return uuid.toString(QUuid::WithoutBraces).toUpper();
}
