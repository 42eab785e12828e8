#include "model/ClientReminderMessage.h"

#include "model/CalendarMath.h"
#include "model/PolicyRules.h"

#include <QRegularExpression>

namespace ClientReminderMessage {

// The locale's long date format with its weekday field and what joins it to the date taken
// out, leaving day, month name and year ("dddd, MMMM d, yyyy" -> "MMMM d, yyyy"). A weekday
// at the end takes only blanks, commas and hyphens with it: the characters before those belong
// to the date ("yyyy年M月d日dddd", "yyyy. MMMM d., dddd").
QString longDateFormat(const QLocale& locale) {
    QString format = locale.dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekdayFirst(QStringLiteral("^dddd[^A-Za-z']*"));
    static const QRegularExpression weekdayLater(
        QStringLiteral("[\\s,\\-\\x{060C}\\x{1363}\\x{3001}\\x{FF0C}]*dddd"),
        QRegularExpression::UseUnicodePropertiesOption);
    format.remove(weekdayFirst);
    format.remove(weekdayLater);
    return format.trimmed();
}

QString abbreviatedDateFormat(const QLocale& locale) {
    QString format = longDateFormat(locale);
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    return format;
}

QString contactPhone(const Input& input) {
    if (input.hasContact && input.contactPhoneNumber) {
        return *input.contactPhoneNumber;
    }
    return input.clientPhoneNumber.value_or(QString());
}

QString normalisedPhone(const QString& phone) {
    QString digits;
    digits.reserve(phone.size() + 1);
    for (const QChar c : phone) {
        if ((c >= u'0' && c <= u'9') || c == u'+') {
            digits.append(c);
        }
    }
    if (!digits.startsWith(u'+')) {
        digits.prepend(u'+');
    }
    return digits;
}

QString longDate(Instant instant, const QTimeZone& zone, const QLocale& locale) {
    const QDate date = CalendarMath::toLocal(instant, zone).date;
    return locale.toString(date, longDateFormat(locale));
}

QString messageText(const QString& name, const QString& policyNumber, qint64 days,
                    const QString& longExpirationDate) {
    const QString head = QStringLiteral("Hello! This is a reminder that your policy '") + name +
                         QStringLiteral("' (Number: ") + policyNumber;
    if (days < 0) {
        const quint64 ago = 0 - quint64(days);
        return head + QStringLiteral(") expired ") + QString::number(ago) +
               QStringLiteral(" days ago. Please renew it as soon as possible.");
    }
    if (days == 0) {
        return head + QStringLiteral(") expires TODAY. Please renew it immediately.");
    }
    if (days <= 7) {
        return head + QStringLiteral(") will expire in ") + QString::number(days) +
               QStringLiteral(" days. Please renew it soon to avoid any lapse in coverage.");
    }
    return head + QStringLiteral(") will expire on ") + longExpirationDate +
           QStringLiteral(". Please make sure to renew it before the expiration date.");
}

QByteArray encoded(const QString& text) {
    return text.toUtf8().toPercentEncoding("!$'()*,:;", "");
}

std::optional<QUrl> link(const Input& input, Instant now, const QTimeZone& zone,
                         const QLocale& locale) {
    const QString phone = contactPhone(input);
    if (phone.isEmpty()) {
        return std::nullopt;
    }
    const qint64 days = PolicyRules::daysUntilExpiration(now, input.expirationDate, zone);
    const QString date = days >= 8 ? longDate(input.expirationDate, zone, locale) : QString();
    const QString text =
        QString::fromUtf16(kClickToChatEndpoint) + QStringLiteral("?phone=") +
        normalisedPhone(phone) + QStringLiteral("&text=") +
        QString::fromLatin1(encoded(messageText(input.name, input.policyNumber, days, date)));
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) {
        return std::nullopt;
    }
    return url;
}

} // namespace ClientReminderMessage
