#pragma once

#include "platform/Instant.h"

#include <QLocale>
#include <QString>
#include <QTimeZone>
#include <QUrl>

#include <optional>

// The reminder the user sends a client through WhatsApp or e-mail: the phone or address to
// write to, the English text about the policy's expiry, and the click-to-chat or mailto: link
// that carries them. Nothing is stored or changed; the detail pane hands the link to the
// desktop.
namespace ClientReminderMessage {

// The messaging service's documented click-to-chat web address.
inline constexpr char16_t kClickToChatEndpoint[] = u"https://api.whatsapp.com/send";

// What the message is made of, read from the policy at the moment of the click.
struct Input {
    QString name;
    QString policyNumber;
    Instant expirationDate;
    std::optional<QString> clientPhoneNumber;
    bool hasContact = false;
    std::optional<QString> contactPhoneNumber; // the contact's phoneNumber, when hasContact
    std::optional<QString> contactEmail;       // the contact's email, when hasContact
};

// The contact's phone when the policy has a contact whose phone is set (even to an empty
// text), else the policy's client phone when set, else the empty text.
QString contactPhone(const Input& input);
// The same rule from the values themselves.
QString contactPhone(bool hasContact, const std::optional<QString>& contactPhoneNumber,
                     const std::optional<QString>& clientPhoneNumber);

// Only ASCII digits and "+" kept, with "+" put in front when it does not already begin so.
QString normalisedPhone(const QString& phone);

// The locale's long date format without its weekday field: "MMMM d, yyyy" in en_US.
QString longDateFormat(const QLocale& locale);

// Day, short month name and year, as the locale writes its long date: QLocale has no
// abbreviated style of its own ("Mar 10, 2026" in en_US, "10 mar 2026" in it_IT).
QString abbreviatedDateFormat(const QLocale& locale);

// The day, the month's name and the year in the locale's long style, without the weekday:
// "March 1, 2025" in en_US, "1 marzo 2025" in it_IT.
QString longDate(Instant instant, const QTimeZone& zone, const QLocale& locale);

// The message for a policy `days` days from its expiry (negative once past).
QString messageText(const QString& name, const QString& policyNumber, qint64 days,
                    const QString& longExpirationDate);

// UTF-8 percent-encoding that leaves only ASCII letters, digits and ! $ ' ( ) * , - . : ; _ ~
// as they are, so that no text can end the query parameter or add one of its own.
QByteArray encoded(const QString& text);

// The link to open, or nothing when there is no phone to write to or no valid link.
std::optional<QUrl> link(const Input& input, Instant now, const QTimeZone& zone,
                         const QLocale& locale);

// The contact's e-mail address, trimmed; empty when there is none.
QString contactEmail(const Input& input);

// Whether the text is one plausible address: one "@" between a local part and a domain, and
// nothing that could end it or start another (white space, control characters, a comma, a
// semicolon, "?", "&", "<", ">" or a quote).
bool isSingleEmailAddress(const QString& address);

// "Promemoria scadenza polizza <name> (<number>)", with line breaks made spaces: a subject is
// one line.
QString emailSubject(const QString& name, const QString& policyNumber);

// The mailto: link (RFC 6068) to the contact's address with the subject and, as the body, the
// same text as the WhatsApp message; every character but the unreserved ones percent-encoded.
// Nothing when the contact has no address or it is not a single plausible one.
std::optional<QUrl> emailLink(const Input& input, Instant now, const QTimeZone& zone,
                              const QLocale& locale);

} // namespace ClientReminderMessage
