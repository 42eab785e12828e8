#include "transfer/DateReading.h"

#include "transfer/SerialDate.h"
#include "transfer/TextKey.h"

#include <QHash>
#include <QRegularExpression>
#include <QTime>

namespace DateReading {
namespace {

constexpr QLatin1StringView
    kTime("(?:[ T]+(\\d{1,2})[:.](\\d{2})(?::(\\d{2})(?:[.,](\\d{1,3}))?)?)?");

std::optional<qint64> timeOf(const QRegularExpressionMatch& match, int first) {
    if (match.captured(first).isEmpty()) {
        return std::nullopt;
    }
    const QTime time(match.captured(first).toInt(), match.captured(first + 1).toInt(),
                     match.captured(first + 2).toInt(),
                     match.captured(first + 3).leftJustified(3, u'0').toInt());
    return time.isValid() ? std::optional<qint64>(time.msecsSinceStartOfDay()) : std::nullopt;
}

int fullYear(const QString& digits, int currentYear) {
    const int year = digits.toInt();
    if (digits.size() > 2) {
        return year;
    }
    // Within fifty years either side of now: "27" is 2027, "80" is 1980 (in 2026).
    const int century = currentYear - currentYear % 100;
    int candidate = century + year;
    if (candidate > currentYear + 50) {
        candidate -= 100;
    } else if (candidate <= currentYear - 50) {
        candidate += 100;
    }
    return candidate;
}

int monthNamed(const QString& word) {
    static const QHash<QString, int> months = [] {
        QHash<QString, int> map;
        const char* italian[] = {"gennaio",   "febbraio", "marzo",    "aprile",
                                 "maggio",    "giugno",   "luglio",   "agosto",
                                 "settembre", "ottobre",  "novembre", "dicembre"};
        const char* italianShort[] = {"gen", "feb", "mar", "apr", "mag", "giu",
                                      "lug", "ago", "set", "ott", "nov", "dic"};
        const char* english[] = {"january",   "february", "march",    "april",
                                 "may",       "june",     "july",     "august",
                                 "september", "october",  "november", "december"};
        const char* englishShort[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                      "jul", "aug", "sep", "oct", "nov", "dec"};
        for (int i = 0; i < 12; ++i) {
            for (const char* name : {italian[i], italianShort[i], english[i], englishShort[i]}) {
                map.insert(QString::fromLatin1(name), i + 1);
            }
        }
        map.insert(QStringLiteral("sept"), 9);
        return map;
    }();
    return months.value(TextKey::loose(word), 0);
}

std::optional<Value> valid(QDate date, std::optional<qint64> ms) {
    return date.isValid() ? std::optional(Value{date, ms}) : std::nullopt;
}

} // namespace

Order orderOf(const QLocale& locale) {
    const QString format = locale.dateFormat(QLocale::ShortFormat).toLower();
    const qsizetype day = format.indexOf(u'd');
    const qsizetype month = format.indexOf(u'm');
    return month >= 0 && day >= 0 && month < day ? Order::MonthFirst : Order::DayFirst;
}

std::optional<Value> read(QStringView input, Order order, DateSystem system, int currentYear) {
    const QString text = input.trimmed().toString();
    if (text.isEmpty()) {
        return std::nullopt;
    }
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})[-/](\\d{1,2})[-/](\\d{1,2})") +
                                        kTime + QStringLiteral("Z?$"));
    static const QRegularExpression numeric(
        QStringLiteral("^(\\d{1,2})([-/.])(\\d{1,2})\\2(\\d{4}|\\d{2})") + kTime +
        QStringLiteral("$"));
    static const QRegularExpression compact(QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})$"));
    static const QRegularExpression serial(QStringLiteral("^\\d{1,7}(?:[.,]\\d+)?$"));
    static const QRegularExpression dayName(
        QStringLiteral("^(\\d{1,2})[ .\\-/]+(\\p{L}+)\\.?[ .\\-/,]+(\\d{4}|\\d{2})") + kTime +
        QStringLiteral("$"));
    static const QRegularExpression nameDay(
        QStringLiteral("^(\\p{L}+)\\.? +(\\d{1,2}),? +(\\d{4})") + kTime + QStringLiteral("$"));

    if (const QRegularExpressionMatch m = iso.match(text); m.hasMatch()) {
        return valid(QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
                     timeOf(m, 4));
    }
    if (const QRegularExpressionMatch m = numeric.match(text); m.hasMatch()) {
        const int a = m.captured(1).toInt();
        const int b = m.captured(3).toInt();
        const int year = fullYear(m.captured(4), currentYear);
        return order == Order::DayFirst ? valid(QDate(year, b, a), timeOf(m, 5))
                                        : valid(QDate(year, a, b), timeOf(m, 5));
    }
    if (const QRegularExpressionMatch m = compact.match(text); m.hasMatch()) {
        return valid(QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
                     std::nullopt);
    }
    if (serial.match(text).hasMatch()) {
        QString number = text;
        number.replace(u',', u'.');
        const std::optional<SerialDate::LocalDateTime> local =
            SerialDate::toLocal(number.toDouble(), system);
        if (!local) {
            return std::nullopt;
        }
        return Value{local->date,
                     local->hasTime ? std::optional<qint64>(local->msOfDay) : std::nullopt};
    }
    if (const QRegularExpressionMatch m = dayName.match(text); m.hasMatch()) {
        const int month = monthNamed(m.captured(2));
        return month == 0 ? std::nullopt
                          : valid(QDate(fullYear(m.captured(3), currentYear), month,
                                        m.captured(1).toInt()),
                                  timeOf(m, 4));
    }
    if (const QRegularExpressionMatch m = nameDay.match(text); m.hasMatch()) {
        const int month = monthNamed(m.captured(1));
        return month == 0 ? std::nullopt
                          : valid(QDate(m.captured(3).toInt(), month, m.captured(2).toInt()),
                                  timeOf(m, 4));
    }
    return std::nullopt;
}

ColumnFormat detect(const std::vector<QStringView>& values, Order localeOrder, DateSystem system,
                    int currentYear) {
    int dayFirst = 0;
    int monthFirst = 0;
    int filled = 0;
    bool differ = false;
    for (const QStringView value : values) {
        if (value.trimmed().isEmpty()) {
            continue;
        }
        ++filled;
        const std::optional<Value> asDay = read(value, Order::DayFirst, system, currentYear);
        const std::optional<Value> asMonth = read(value, Order::MonthFirst, system, currentYear);
        dayFirst += asDay ? 1 : 0;
        monthFirst += asMonth ? 1 : 0;
        differ = differ || (asDay && asMonth && asDay->date != asMonth->date);
    }
    ColumnFormat format;
    format.ambiguous = dayFirst == filled && monthFirst == filled && differ;
    if (dayFirst != monthFirst) {
        format.order = dayFirst > monthFirst ? Order::DayFirst : Order::MonthFirst;
    } else {
        format.order = localeOrder;
    }
    format.unreadable = filled - (format.order == Order::DayFirst ? dayFirst : monthFirst);
    return format;
}

} // namespace DateReading
