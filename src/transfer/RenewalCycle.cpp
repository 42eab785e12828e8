#include "transfer/RenewalCycle.h"

#include "transfer/TextKey.h"

#include <QHash>

namespace RenewalCycle {
namespace {
constexpr QLatin1StringView kYearly("yearly");
constexpr QLatin1StringView kQuarterly("quarterly");
constexpr QLatin1StringView kMonthly("monthly");
} // namespace

std::optional<QString> fromWord(QStringView word) {
    static const QHash<QString, QString> words = [] {
        QHash<QString, QString> map;
        for (const char* w : {"annuale", "annuo", "annua", "annualmente", "anno", "1 anno",
                              "12 mesi", "yearly", "annual", "annually", "year", "12 months"}) {
            map.insert(QString::fromLatin1(w), kYearly);
        }
        for (const char* w : {"trimestrale", "trimestre", "trimestralmente", "3 mesi", "quarterly",
                              "quarter", "3 months"}) {
            map.insert(QString::fromLatin1(w), kQuarterly);
        }
        for (const char* w :
             {"mensile", "mese", "mensilmente", "1 mese", "monthly", "month", "1 month"}) {
            map.insert(QString::fromLatin1(w), kMonthly);
        }
        return map;
    }();
    const auto it = words.constFind(TextKey::loose(word));
    return it == words.cend() ? std::nullopt : std::optional(*it);
}

QString word(const QString& renewalType) {
    if (renewalType == kYearly) {
        return QStringLiteral("annuale");
    }
    if (renewalType == kQuarterly) {
        return QStringLiteral("trimestrale");
    }
    if (renewalType == kMonthly) {
        return QStringLiteral("mensile");
    }
    return renewalType;
}

QString label(const QString& renewalType) {
    if (renewalType == kQuarterly) {
        return QStringLiteral("Trimestrale");
    }
    if (renewalType == kMonthly) {
        return QStringLiteral("Mensile");
    }
    return QStringLiteral("Annuale");
}

} // namespace RenewalCycle
