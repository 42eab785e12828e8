#include "model/ClientReminderMessage.h"

#include "../support/TimeHelpers.h"

#include <QUrlQuery>

#include <gtest/gtest.h>

using namespace TimeHelpers;
namespace Message = ClientReminderMessage;

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kItalian(QLocale::Italian, QLocale::Italy);
const QString kHead =
    QStringLiteral("Hello! This is a reminder that your policy 'Casa' (Number: P-1");

Message::Input input(const char* expiry, std::optional<QString> clientPhone) {
    Message::Input in;
    in.name = QStringLiteral("Casa");
    in.policyNumber = QStringLiteral("P-1");
    in.expirationDate = utc(expiry);
    in.clientPhoneNumber = std::move(clientPhone);
    return in;
}

// The text the link carries, decoded as a browser would read the query.
QString textOf(const QUrl& url) {
    return QUrlQuery(url).queryItemValue(QStringLiteral("text"), QUrl::FullyDecoded);
}

TEST(ClientReminderMessage, ThePhoneComesFromTheContactWhenItIsSetEvenToEmpty) {
    Message::Input in = input("2026-01-01T00:00:00Z", QStringLiteral("+39 111"));
    EXPECT_EQ(Message::contactPhone(in), QStringLiteral("+39 111"));
    in.hasContact = true;
    EXPECT_EQ(Message::contactPhone(in), QStringLiteral("+39 111")); // contact has no phone
    in.contactPhoneNumber = QStringLiteral("+39 222");
    EXPECT_EQ(Message::contactPhone(in), QStringLiteral("+39 222"));
    in.contactPhoneNumber = QString();
    EXPECT_EQ(Message::contactPhone(in), QString()); // set to empty: the contact still wins
    in.hasContact = false;
    in.clientPhoneNumber.reset();
    EXPECT_EQ(Message::contactPhone(in), QString());
}

TEST(ClientReminderMessage, NormalisingKeepsDigitsAndPlusSigns) {
    const struct {
        const char16_t* typed;
        const char16_t* expected;
    } cases[] = {
        {u"+39 333 123 4567", u"+393331234567"},
        {u"(333) 123-45.67", u"+3331234567"},
        {u"0039 333 1234567", u"+00393331234567"},
        {u"333+12", u"+333+12"},
        {u"abc", u"+"},
        {u"\u0663\u0664 12", u"+12"}, // only ASCII digits count
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Message::normalisedPhone(QString::fromUtf16(c.typed)),
                  QString::fromUtf16(c.expected));
    }
}

// Only the weekday and what joins it go; what belongs to the date stays, also where it is
// written next to the weekday without a blank.
TEST(ClientReminderMessage, TheLongDateHasDayMonthAndYearWithoutTheWeekday) {
    const struct {
        QLocale locale;
        const char* zone;
        const char* instant;
        const char16_t* expected;
    } cases[] = {
        {kEnglish, "Europe/Rome", "2025-03-01T09:00:00Z", u"March 1, 2025"},
        {kItalian, "Europe/Rome", "2025-03-01T09:00:00Z", u"1 marzo 2025"},
        {QLocale(QLocale::German, QLocale::Germany), "Europe/Rome", "2025-03-01T09:00:00Z",
         u"1. März 2025"},
        {QLocale(QLocale::Chinese, QLocale::China), "Asia/Shanghai", "2025-03-01T09:00:00Z",
         u"2025年3月1日"},
        {QLocale(QLocale::Japanese, QLocale::Japan), "Asia/Tokyo", "2025-03-01T09:00:00Z",
         u"2025年3月1日"},
        {QLocale(QLocale::Korean, QLocale::SouthKorea), "Asia/Seoul", "2025-03-01T09:00:00Z",
         u"2025년 3월 1일"},
        {QLocale(QLocale::Hungarian, QLocale::Hungary), "Europe/Budapest", "2025-03-01T09:00:00Z",
         u"2025. március 1."},
        // The date on the user's wall: 23:30 UTC on 1 March is 2 March in Rome.
        {kItalian, "Europe/Rome", "2025-03-01T23:30:00Z", u"2 marzo 2025"},
        {kEnglish, "America/New_York", "2025-03-01T23:30:00Z", u"March 1, 2025"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Message::longDate(utc(c.instant), QTimeZone(c.zone), c.locale).toStdString(),
                  QString::fromUtf16(c.expected).toStdString())
            << c.locale.dateFormat(QLocale::LongFormat).toStdString();
    }
}

TEST(ClientReminderMessage, TheMessageHasOneCaseForEachStretchOfDays) {
    const QString date = QStringLiteral("March 1, 2025");
    const struct {
        qint64 days;
        QString tail;
    } cases[] = {
        {-3, QStringLiteral(") expired 3 days ago. Please renew it as soon as possible.")},
        {-1, QStringLiteral(") expired 1 days ago. Please renew it as soon as possible.")},
        {0, QStringLiteral(") expires TODAY. Please renew it immediately.")},
        {1, QStringLiteral(") will expire in 1 days. Please renew it soon to avoid any lapse "
                           "in coverage.")},
        {7, QStringLiteral(") will expire in 7 days. Please renew it soon to avoid any lapse "
                           "in coverage.")},
        {8, QStringLiteral(") will expire on March 1, 2025. Please make sure to renew it "
                           "before the expiration date.")},
        {std::numeric_limits<qint64>::min(),
         QStringLiteral(") expired 9223372036854775808 days ago. Please renew it as soon as "
                        "possible.")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Message::messageText(QStringLiteral("Casa"), QStringLiteral("P-1"), c.days, date),
                  kHead + c.tail)
            << c.days;
    }
}

TEST(ClientReminderMessage, EncodingLeavesOnlyCharactersThatCannotBreakTheQuery) {
    EXPECT_EQ(Message::encoded(QStringLiteral("Az09!$'()*,-.:;_~")),
              QByteArray("Az09!$'()*,-.:;_~"));
    EXPECT_EQ(Message::encoded(QStringLiteral("a b&c=d+e[f]g#h%i?j/k\"l")),
              QByteArray("a%20b%26c%3Dd%2Be%5Bf%5Dg%23h%25i%3Fj%2Fk%22l"));
    EXPECT_EQ(Message::encoded(QStringLiteral("Città è 🏠")),
              QByteArray("Citt%C3%A0%20%C3%A8%20%F0%9F%8F%A0"));
}

TEST(ClientReminderMessage, TheLinkCarriesThePhoneAndTheWholeMessage) {
    const QTimeZone rome("Europe/Rome");
    const Instant now = utc("2026-05-10T08:00:00Z");
    Message::Input in = input("2026-05-10T20:00:00Z", QStringLiteral("+39 333-123"));
    const std::optional<QUrl> url = Message::link(in, now, rome, kEnglish);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->toString(QUrl::FullyEncoded),
              QStringLiteral("https://api.whatsapp.com/send?phone=+39333123&text=Hello!%20This%20"
                             "is%20a%20reminder%20that%20your%20policy%20'Casa'%20(Number:%20P-1)"
                             "%20expires%20TODAY.%20Please%20renew%20it%20immediately."));

    // Eight days ahead: the long date of the expiry in the user's locale.
    in.expirationDate = utc("2026-05-18T09:00:00Z");
    EXPECT_EQ(textOf(*Message::link(in, now, rome, kItalian)),
              kHead + QStringLiteral(") will expire on 18 maggio 2026. Please make sure to renew "
                                     "it before the expiration date."));
    // A phone made only of letters still gives a link, to "+".
    in.clientPhoneNumber = QStringLiteral("abc");
    EXPECT_TRUE(Message::link(in, now, rome, kEnglish)->toString().contains(u"phone=+&text="));
}

TEST(ClientReminderMessage, NamesThatLookLikeQuerySyntaxStayInsideTheText) {
    const QTimeZone rome("Europe/Rome");
    const Instant now = utc("2026-05-10T08:00:00Z");
    for (const QString& name :
         {QStringLiteral("Casa & Auto"), QStringLiteral("a=b&phone=000"),
          QStringLiteral("1+1 [Premium]"), QStringLiteral("L'Assicurazione Città"),
          QStringLiteral("50% #1 /?x"), QStringLiteral("Vita  Intera")}) {
        Message::Input in = input("2026-05-12T10:00:00Z", QStringLiteral("+39 333"));
        in.name = name;
        const std::optional<QUrl> url = Message::link(in, now, rome, kEnglish);
        ASSERT_TRUE(url) << name.toStdString();
        EXPECT_TRUE(url->isValid());
        const QUrlQuery query(*url);
        EXPECT_EQ(query.queryItems().size(), 2) << name.toStdString();
        EXPECT_EQ(query.queryItemValue(QStringLiteral("phone")), QStringLiteral("+39333"));
        EXPECT_EQ(textOf(*url),
                  QStringLiteral("Hello! This is a reminder that your policy '") + name +
                      QStringLiteral("' (Number: P-1) will expire in 2 days. Please renew it "
                                     "soon to avoid any lapse in coverage."));
    }
    // The apostrophe is not encoded; blanks and accents are.
    Message::Input in = input("2026-05-12T10:00:00Z", QStringLiteral("1"));
    in.name = QStringLiteral("L'Unità");
    EXPECT_TRUE(Message::link(in, now, rome, kEnglish)
                    ->toString(QUrl::FullyEncoded)
                    .contains(u"policy%20'L'Unit%C3%A0'"));
}

TEST(ClientReminderMessage, NothingIsOpenedWithoutAPhone) {
    const QTimeZone rome("Europe/Rome");
    const Instant now = utc("2026-05-10T08:00:00Z");
    Message::Input in = input("2026-05-12T10:00:00Z", std::nullopt);
    EXPECT_FALSE(Message::link(in, now, rome, kEnglish));
    in.clientPhoneNumber = QString();
    EXPECT_FALSE(Message::link(in, now, rome, kEnglish));
    // The contact's empty phone wins over the policy's own.
    in.clientPhoneNumber = QStringLiteral("+39 333");
    in.hasContact = true;
    in.contactPhoneNumber = QString();
    EXPECT_FALSE(Message::link(in, now, rome, kEnglish));
}

// What a mail program reads from a mailto: link (RFC 6068): the address before "?", then
// each header's value percent-decoded.
struct Mail {
    QString to;
    QString subject;
    QString body;
};
Mail mailOf(const QUrl& url) {
    const QString whole = url.toString(QUrl::FullyEncoded);
    const QString query = whole.section(u'?', 1);
    Mail mail{QUrl::fromPercentEncoding(url.path(QUrl::FullyEncoded).toUtf8()), {}, {}};
    for (const QString& field : query.split(u'&')) {
        const QString value = QUrl::fromPercentEncoding(field.section(u'=', 1).toUtf8());
        (field.startsWith(u"subject=") ? mail.subject : mail.body) = value;
    }
    return mail;
}

TEST(ClientReminderMessage, TheMailLinkEncodesEveryReservedCharacterAndCarriesTheWholeText) {
    const QTimeZone rome("Europe/Rome");
    const Instant now = utc("2026-05-10T08:00:00Z");
    Message::Input in = input("2026-05-12T10:00:00Z", std::nullopt);
    in.hasContact = true;
    in.contactEmail = QStringLiteral(" o'brien+polizze@esempio.it ");
    for (const QString& name :
         {QStringLiteral("Casa & Auto?x=1#top"), QStringLiteral("50% Vita"),
          QStringLiteral("Страхование 保険 €"), QStringLiteral("Riga\nDue")}) {
        in.name = name;
        const std::optional<QUrl> url = Message::emailLink(in, now, rome, kEnglish);
        ASSERT_TRUE(url) << name.toStdString();
        const QString encoded = url->toString(QUrl::FullyEncoded);
        // One "?" and one "&", the link's own; nothing of the name reads as syntax.
        EXPECT_EQ(encoded.count(u'?'), 1) << encoded.toStdString();
        EXPECT_EQ(encoded.count(u'&'), 1) << encoded.toStdString();
        EXPECT_FALSE(encoded.contains(u'#'));
        const Mail mail = mailOf(*url);
        EXPECT_EQ(mail.to, QStringLiteral("o'brien+polizze@esempio.it"));
        QString oneLine = name;
        oneLine.replace(u'\n', u' ');
        EXPECT_EQ(mail.subject, QStringLiteral("Promemoria scadenza polizza ") + oneLine +
                                    QStringLiteral(" (P-1)"));
        QString body = name;
        body.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
        EXPECT_EQ(mail.body, QStringLiteral("Hello! This is a reminder that your policy '") + body +
                                 QStringLiteral("' (Number: P-1) will expire in 2 days. Please "
                                                "renew it soon to avoid any lapse in coverage."));
    }
}

TEST(ClientReminderMessage, AnAddressThatIsNotOneAddressOpensNothing) {
    const QTimeZone rome("Europe/Rome");
    const Instant now = utc("2026-05-10T08:00:00Z");
    Message::Input in = input("2026-05-12T10:00:00Z", std::nullopt);
    in.hasContact = true;
    for (const char* address :
         {"a@b.it, c@d.it", "a@b.it\nBcc: x@y.it", "a@b.it?cc=x@y.it", "a@b.it&body=x", "a@@b.it",
          "@b.it", "a@", "anna rossi@b.it", "", "   ", "<a@b.it>"}) {
        in.contactEmail = QString::fromUtf8(address);
        EXPECT_FALSE(Message::emailLink(in, now, rome, kEnglish)) << address;
    }
    // Only the contact's address counts: without a contact there is none.
    in.contactEmail = QStringLiteral("a@b.it");
    EXPECT_TRUE(Message::emailLink(in, now, rome, kEnglish));
    in.hasContact = false;
    EXPECT_FALSE(Message::emailLink(in, now, rome, kEnglish));
}

} // namespace
