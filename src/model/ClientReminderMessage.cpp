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
    return contactPhone(input.hasContact, input.contactPhoneNumber, input.clientPhoneNumber);
}

QString contactPhone(bool hasContact, const std::optional<QString>& contactPhoneNumber,
                     const std::optional<QString>& clientPhoneNumber) {
    if (hasContact && contactPhoneNumber) {
        return *contactPhoneNumber;
    }
    return clientPhoneNumber.value_or(QString());
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

namespace {

QString messageFor(const Input& input, Instant now, const QTimeZone& zone, const QLocale& locale) {
    const qint64 days = PolicyRules::daysUntilExpiration(now, input.expirationDate, zone);
    const QString date = days >= 8 ? longDate(input.expirationDate, zone, locale) : QString();
    return messageText(input.name, input.policyNumber, days, date);
}

std::optional<QUrl> strictUrl(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) {
        return std::nullopt;
    }
    return url;
}

// A header value: every character but the unreserved ones encoded, line breaks as CRLF as
// RFC 6068 asks.
QString mailtoValue(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return QString::fromLatin1(text.toUtf8().toPercentEncoding());
}

} // namespace

std::optional<QUrl> link(const Input& input, Instant now, const QTimeZone& zone,
                         const QLocale& locale) {
    const QString phone = contactPhone(input);
    if (phone.isEmpty()) {
        return std::nullopt;
    }
    return strictUrl(QString::fromUtf16(kClickToChatEndpoint) + QStringLiteral("?phone=") +
                     normalisedPhone(phone) + QStringLiteral("&text=") +
                     QString::fromLatin1(encoded(messageFor(input, now, zone, locale))));
}

QString contactEmail(const Input& input) {
    return input.hasContact ? input.contactEmail.value_or(QString()).trimmed() : QString();
}

bool isSingleEmailAddress(const QString& address) {
    const qsizetype at = address.indexOf(u'@');
    if (at <= 0 || at != address.lastIndexOf(u'@') || at == address.size() - 1) {
        return false;
    }
    static const QString kEnding = QStringLiteral(",;?&<>\"");
    for (const QChar c : address) {
        if (c.isSpace() || c.category() == QChar::Other_Control ||
            c.category() == QChar::Other_Format || kEnding.contains(c)) {
            return false;
        }
    }
    return true;
}

QString emailSubject(const QString& name, const QString& policyNumber) {
    QString subject = QStringLiteral("Promemoria scadenza polizza ") + name + QStringLiteral(" (") +
                      policyNumber + u')';
    for (QChar& c : subject) {
        if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator) {
            c = u' ';
        }
    }
    return subject;
}

std::optional<QUrl> emailLink(const Input& input, Instant now, const QTimeZone& zone,
                              const QLocale& locale) {
    const QString address = contactEmail(input);
    if (!isSingleEmailAddress(address)) {
        return std::nullopt;
    }
    return strictUrl(
        QStringLiteral("mailto:") + QString::fromLatin1(address.toUtf8().toPercentEncoding("@")) +
        QStringLiteral("?subject=") + mailtoValue(emailSubject(input.name, input.policyNumber)) +
        QStringLiteral("&body=") + mailtoValue(messageFor(input, now, zone, locale)));
}

} // namespace ClientReminderMessage
