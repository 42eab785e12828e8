#include "report/RenewalWeek.h"

#include "model/CalendarMath.h"

#include <QLocale>

QString RenewalWeek::heading() const {
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    const QDate last = sunday();
    const QString firstFormat =
        monday.year() == last.year() ? QStringLiteral("d MMM") : QStringLiteral("d MMM yyyy");
    return QStringLiteral("Settimana dal %1 al %2")
        .arg(italian.toString(monday, firstFormat),
             italian.toString(last, QStringLiteral("d MMM yyyy")));
}

std::vector<RenewalWeek> RenewalWeek::group(const std::vector<RenewalRow>& rows,
                                            const QTimeZone& zone) {
    std::vector<RenewalWeek> weeks;
    for (const RenewalRow& row : rows) {
        const QDate day = CalendarMath::toLocal(row.expiry, zone).date;
        const QDate monday = day.addDays(1 - day.dayOfWeek());
        if (weeks.empty() || weeks.back().monday != monday) {
            weeks.push_back({monday, {}});
        }
        weeks.back().rows.push_back(row);
    }
    return weeks;
}
