#include "policies/PolicyDetailView.h"

#include "model/ClientNotice.h"
#include "platform/NotificationCenter.h"
#include "policies/DetailItem.h"
#include "policies/DocumentPreview.h"
#include "policies/PDFAttachmentView.h"
#include "policies/StatusBadge.h"
#include "reminders/NotificationManager.h"
#include "support/Child.h"
#include "support/FakeConfirmation.h"
#include "support/FakeDesktopActions.h"
#include "support/PolicyScreenFixture.h"
#include "support/QtPrinters.h"
#include "support/RawSqlite.h"
#include "support/TestRenderer.h"
#include "support/WaitUntil.h"
#include "ui/Palette.h"
#include "ui/PdfPageView.h"

#include <QBuffer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPdfWriter>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

namespace {

using TimeHelpers::kDayMs;
using TimeHelpers::kHourMs;
using TimeHelpers::utc;

QByteArray onePagePdf() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    QPainter painter(&writer);
    painter.drawText(100, 100, QStringLiteral("Polizza"));
    painter.end();
    return bytes;
}

// A window showing the pane of one policy over an in-memory store, with the reminders kept in
// memory and the confirmation and desktop answered by the test. "Now" is 2026-03-10 10:30 in
// Rome; each policy expires at that time of day, `days` days away.
class PolicyDetailViewTest : public PolicyScreenFixture {
protected:
    void SetUp() override {
        m_window.resize(1000, 1400);
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }
    void TearDown() override { delete m_pane; }

    std::shared_ptr<Policy> policy(qint64 days,
                                   const QString& reminderDays = QStringLiteral("30")) {
        auto made = insertPolicy(context(), QStringLiteral("Casa"),
                                 Instant(m_clock.now().msSinceEpoch() + days * kDayMs));
        made->setCustomReminderDays(reminderDays);
        EXPECT_TRUE(context().save());
        return made;
    }
    std::shared_ptr<Contact> contact(std::optional<QString> phone) {
        auto person = context().insert<Contact>();
        person->setFirstName(QStringLiteral("Anna"));
        person->setLastName(QStringLiteral("Rossi"));
        person->setPhoneNumber(phone);
        return person;
    }
    void show(const std::shared_ptr<Policy>& shown) {
        m_pane = new PolicyDetailView(
            m_world.pane(context()), shown, [this] { ++m_deletesRequested; }, &m_window);
        m_pane->resize(m_window.size());
        m_pane->show();
        QApplication::processEvents();
    }
    QString text(const char* name) const {
        QLabel* label = child<QLabel>(m_pane, name);
        return label ? label->text() : QStringLiteral("<none>");
    }
    // The colour the label is drawn in: on the pane's text background that is not WindowText.
    QColor textColor(const char* name) const {
        QLabel* label = child<QLabel>(m_pane, name);
        return label->palette().color(label->foregroundRole());
    }
    QColor named(ColorName name) const { return Palette::color(name, m_pane->palette()); }
    void click(const char* button) {
        QTest::mouseClick(child<QPushButton>(m_pane, button), Qt::LeftButton);
    }

    QWidget m_window;
    QPointer<PolicyDetailView> m_pane;
    int m_deletesRequested = 0;
};

struct StatusCase {
    qint64 days;
    const char* badge;
    ColorName color;
    const char* phrase;
};
void PrintTo(const StatusCase& c, std::ostream* out) {
    *out << c.days << " days";
}

class PolicyDetailStatus : public PolicyDetailViewTest,
                           public ::testing::WithParamInterface<StatusCase> {};

TEST_P(PolicyDetailStatus, TheBadgeTheExpiryColourAndThePhraseFollowTheDaysAndTheClock) {
    const StatusCase& expected = GetParam();
    show(policy(expected.days, QStringLiteral("7, 30, 15")));
    EXPECT_EQ(child<StatusBadge>(m_pane, "statusBadge")->text(), QLatin1String(expected.badge));
    EXPECT_EQ(m_pane->statusColor(), named(expected.color));
    EXPECT_EQ(textColor("expirationDateLabel"), named(expected.color));
    EXPECT_EQ(text("remainingDaysLabel"), QLatin1String(expected.phrase));

    // A day later the pane has moved on by itself.
    m_clock.advanceTo(Instant(m_clock.now().msSinceEpoch() + kDayMs));
    EXPECT_EQ(text("remainingDaysLabel"),
              PolicyStatusRules::detailRemainingPhrase(expected.days - 1));
    EXPECT_EQ(child<StatusBadge>(m_pane, "statusBadge")->text(),
              PolicyStatusRules::badgeText(m_pane->policy()->status()));
}

INSTANTIATE_TEST_SUITE_P(
    AroundTheHorizon, PolicyDetailStatus,
    ::testing::Values(StatusCase{31, "ATTIVA", ColorName::Green, "31 giorni rimanenti"},
                      StatusCase{30, "IN SCADENZA", ColorName::Orange, "30 giorni rimanenti"},
                      StatusCase{0, "IN SCADENZA", ColorName::Orange, "0 giorni rimanenti"},
                      StatusCase{-1, "SCADUTA", ColorName::Red, "Scaduta 1 giorni fa"}));

TEST_F(PolicyDetailViewTest, TheHeaderAndKeyFactsShowTheStoredValuesAndFollowSaves) {
    m_clock.setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    auto shown = policy(8, QStringLiteral("30, 15, 7"));
    shown->setRenewalType(QStringLiteral("quarterly"));
    show(shown);
    EXPECT_EQ(text("policyNameLabel"), QStringLiteral("Casa"));
    EXPECT_EQ(child<DetailItem>(m_pane, "policyNumberItem")->value(), QStringLiteral("N-Casa"));
    EXPECT_EQ(child<DetailItem>(m_pane, "providerItem")->value(), QStringLiteral("Generali"));
    EXPECT_EQ(text("expirationDateLabel"), QStringLiteral("18 marzo 2026"));
    EXPECT_EQ(text("renewalTypeLabel"), QStringLiteral("Quarterly"));
    EXPECT_EQ(text("reminderDaysLabel"), QStringLiteral("30, 15, 7 giorni prima"));

    // Notes: absent and empty hide the section.
    EXPECT_TRUE(child<QWidget>(m_pane, "notesSection")->isHidden());
    shown->setNotes(QString());
    EXPECT_TRUE(child<QWidget>(m_pane, "notesSection")->isHidden());
    shown->setNotes(QStringLiteral("Chiamare a marzo"));
    shown->setRenewalType(QStringLiteral("semi ANNUAL"));
    shown->setCustomReminderDays(QStringLiteral("mai"));
    ASSERT_TRUE(context().save());
    EXPECT_FALSE(child<QWidget>(m_pane, "notesSection")->isHidden());
    EXPECT_EQ(text("notesLabel"), QStringLiteral("Chiamare a marzo"));
    EXPECT_EQ(text("renewalTypeLabel"), QStringLiteral("Semi Annual"));
    EXPECT_EQ(text("reminderDaysLabel"), QStringLiteral(" giorni prima"));
}

TEST_F(PolicyDetailViewTest,
       InANarrowPaneTheButtonsShowTheirIconsAloneAndNothingIsCutOrScrolledSideways) {
    auto shown = policy(20);
    shown->setName(QStringLiteral("Multirischio Abitazione"));
    shown->setCustomReminderDays(QStringLiteral("90, 60, 30, 15, 7, 1"));
    ASSERT_TRUE(context().save());
    show(shown);
    const auto buttons = [this] {
        std::vector<QPushButton*> found;
        for (const char* name : {"deleteButton", "editButton", "renewButton", "moreButton"}) {
            found.push_back(child<QPushButton>(m_pane, name));
        }
        return found;
    };
    const auto fitted = [&](int width) {
        m_window.resize(width, 800);
        m_pane->resize(width, 800);
        QApplication::processEvents();
        // The buttons' new names lay the header out again on the next turn.
        QApplication::processEvents();
        for (QPushButton* button : buttons()) {
            EXPECT_GE(button->width(), button->minimumSizeHint().width())
                << width << " " << qPrintable(button->objectName());
            EXPECT_FALSE(button->accessibleName().isEmpty());
        }
    };
    fitted(520);
    // Nor do the key facts make the pane scroll sideways.
    EXPECT_FALSE(child<QScrollArea>(m_pane, "detailScroll")->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(buttons()[0]->text().isEmpty());
    EXPECT_EQ(buttons()[0]->toolTip(), QStringLiteral("Elimina"));
    EXPECT_EQ(buttons()[2]->accessibleName(), QStringLiteral("Rinnova"));
    fitted(1000);
    EXPECT_EQ(buttons()[0]->text(), QStringLiteral("Elimina"));
    EXPECT_EQ(buttons()[1]->text(), QStringLiteral("Modifica"));
    EXPECT_TRUE(buttons()[1]->toolTip().isEmpty());
}

TEST_F(PolicyDetailViewTest, TheEditSheetOpensOnThePolicyAndThePaneShowsTheSavedValues) {
    show(policy(40));
    click("editButton");
    ASSERT_TRUE(m_pane->isShowingEditSheet());
    auto* sheet = m_pane->findChild<PolicyEditView*>();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
    QLineEdit* name = sheet->findChild<QLineEdit*>(QStringLiteral("nameField"));
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Casa al mare"));
    sheet->saveButton()->click();
    ASSERT_TRUE(waitUntil([this] { return !m_pane->isShowingEditSheet(); }));
    EXPECT_EQ(text("policyNameLabel"), QStringLiteral("Casa al mare"));
    EXPECT_EQ(m_service.pending().size(), 1);
}

enum class Owner { ContactWithEmptyPhone, ContactWithPhone, ClientPhoneOnly, Nobody };

struct ContactCase {
    Owner owner;
    const char* name;  // null: no name shown
    const char* phone; // null: no phone and no button
};
void PrintTo(const ContactCase& c, std::ostream* out) {
    const char* const owners[] = {"contact with an empty phone", "contact with a phone",
                                  "client phone only", "nobody"};
    *out << owners[int(c.owner)];
}

class PolicyDetailContact : public PolicyDetailViewTest,
                            public ::testing::WithParamInterface<ContactCase> {};

TEST_P(PolicyDetailContact, TheCardShowsWhatThePhoneRuleChoosesAndFollowsTheContact) {
    const ContactCase& expected = GetParam();
    auto shown = policy(40);
    if (expected.owner != Owner::Nobody) {
        shown->setClientPhoneNumber(QStringLiteral("+39 333 1"));
    }
    if (expected.owner == Owner::ContactWithEmptyPhone) {
        shown->setContact(contact(QString()));
    } else if (expected.owner == Owner::ContactWithPhone) {
        shown->setContact(contact(QStringLiteral("+39 06 2")));
    }
    ASSERT_TRUE(context().save());
    show(shown);
    EXPECT_EQ(text("contactNameLabel"),
              expected.name ? QLatin1String(expected.name) : QLatin1String("<none>"));
    EXPECT_EQ(text("contactPhoneLabel"),
              expected.phone ? QLatin1String(expected.phone) : QLatin1String("<none>"));
    EXPECT_EQ(child<QPushButton>(m_pane, "whatsAppButton") != nullptr, expected.phone != nullptr);
    EXPECT_EQ(child<QLabel>(m_pane, "noContactLabel") != nullptr, expected.owner == Owner::Nobody);
    if (expected.phone) {
        // Primary and prominent without a contact, secondary beside the contact's name.
        EXPECT_EQ(textColor("contactPhoneLabel"),
                  named(expected.name ? ColorName::Secondary : ColorName::Primary));
    }

    // The contact's own changes show at once, without any change to the policy.
    if (auto person = shown->contact()) {
        person->setLastName(QStringLiteral("Verdi"));
        person->setPhoneNumber(QStringLiteral("+39 06 9"));
        ASSERT_TRUE(context().save());
        EXPECT_EQ(text("contactNameLabel"), QStringLiteral("Anna Verdi"));
        EXPECT_EQ(text("contactPhoneLabel"), QStringLiteral("+39 06 9"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    PhoneRule, PolicyDetailContact,
    ::testing::Values(ContactCase{Owner::ContactWithEmptyPhone, "Anna Rossi", nullptr},
                      ContactCase{Owner::ContactWithPhone, "Anna Rossi", "+39 06 2"},
                      ContactCase{Owner::ClientPhoneOnly, nullptr, "+39 333 1"},
                      ContactCase{Owner::Nobody, nullptr, nullptr}));

struct DocumentCase {
    bool data;
    bool name;
};
void PrintTo(const DocumentCase& c, std::ostream* out) {
    *out << (c.data ? "bytes" : "no bytes") << (c.name ? ", name" : ", no name");
}

class PolicyDetailDocument : public PolicyDetailViewTest,
                             public ::testing::WithParamInterface<DocumentCase> {};

TEST_P(PolicyDetailDocument, BytesAndANameShowTheBarAndThePagesAnythingElseThePlaceholder) {
    const DocumentCase& given = GetParam();
    auto shown = policy(40);
    const QByteArray pdf = onePagePdf();
    if (given.data) {
        shown->setPdfData(pdf);
    }
    if (given.name) {
        shown->setPdfFileName(QStringLiteral("Polizza.pdf"));
    }
    ASSERT_TRUE(context().save());
    show(shown);
    const bool both = given.data && given.name;
    EXPECT_EQ(child<QWidget>(m_pane, "noDocumentPlaceholder") != nullptr, !both);
    if (!both) {
        return;
    }
    EXPECT_EQ(text("documentNameLabel"), QStringLiteral("Polizza.pdf"));
    EXPECT_EQ(text("documentSizeLabel"), PDFAttachmentView::sizeText(pdf.size(), m_clock.locale()));
    PdfPageView* pages = child<DocumentPreview>(m_pane, "documentPreview")->pageView();
    ASSERT_TRUE(waitUntil([&] { return !pages->pagesDrawn().empty(); }, 15000));
    EXPECT_EQ(pages->pagesLaidOut(), 1);
    EXPECT_EQ(pages->height(), DocumentPreview::kPreviewHeight);
    EXPECT_EQ(child<QWidget>(m_pane, "documentFrame")->accessibleName(),
              QStringLiteral("Documento allegato: Polizza.pdf, 1 pagine"));

    // Removing the document elsewhere brings the placeholder back.
    shown->setPdfData(std::nullopt);
    ASSERT_TRUE(context().save());
    EXPECT_NE(child<QWidget>(m_pane, "noDocumentPlaceholder"), nullptr);
    EXPECT_EQ(child<PdfPageView>(m_pane, "documentPages"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Variants, PolicyDetailDocument,
                         ::testing::Values(DocumentCase{true, true}, DocumentCase{true, false},
                                           DocumentCase{false, true}));

TEST_F(PolicyDetailViewTest, RenewingMovesTheExpiryRedrawsAndReschedulesTheReminders) {
    auto shown = policy(5, QStringLiteral("7, 3"));
    shown->setRenewalType(QStringLiteral("monthly"));
    shown->setLastNotified(m_clock.now());
    ASSERT_TRUE(context().save());
    m_reminders->schedulePolicyReminder(*shown);
    ASSERT_TRUE(waitUntil([this] { return m_service.pending().size() == 1; })); // only 3 days
    show(shown);
    EXPECT_EQ(child<StatusBadge>(m_pane, "statusBadge")->text(), QStringLiteral("IN SCADENZA"));

    click("renewButton");
    EXPECT_EQ(shown->expirationDate(), utc("2026-04-15T08:30:00Z"));
    EXPECT_EQ(shown->lastNotified(), std::nullopt);
    EXPECT_FALSE(context().hasChanges());
    EXPECT_EQ(child<StatusBadge>(m_pane, "statusBadge")->text(), QStringLiteral("ATTIVA"));
    EXPECT_EQ(textColor("expirationDateLabel"), named(ColorName::Green));
    EXPECT_EQ(text("remainingDaysLabel"), QStringLiteral("36 giorni rimanenti"));
    EXPECT_EQ(text("expirationDateLabel"), QStringLiteral("April 15, 2026"));

    // The old expiry's reminder is gone; the new one's 7 and 3 days are pending.
    ASSERT_TRUE(waitUntil([this] { return m_service.hasAnsweredAll(); }));
    QStringList days;
    for (const NotificationRequest& request : m_service.pending()) {
        days << QStringLiteral("%1-%2 %3").arg(request.month).arg(request.day).arg(request.hour);
    }
    days.sort();
    EXPECT_EQ(days, (QStringList{QStringLiteral("4-12 10"), QStringLiteral("4-8 10")}));
}

TEST_F(PolicyDetailViewTest, DeletingAsksFirstAndOnlyAConfirmationRunsOnDelete) {
    auto shown = policy(40);
    show(shown);
    click("deleteButton");
    ASSERT_TRUE(m_confirmation.hasPending());
    ASSERT_EQ(m_confirmation.asked.size(), 1);
    const Confirmation::Question& question = m_confirmation.asked.first();
    EXPECT_EQ(question.title, QStringLiteral("Elimina Polizza"));
    EXPECT_EQ(
        question.message,
        QStringLiteral("Are you sure you want to delete 'Casa'? This action cannot be undone."));
    EXPECT_EQ(question.confirmText, QStringLiteral("Elimina"));
    EXPECT_EQ(question.cancelText, QStringLiteral("Annulla"));
    EXPECT_TRUE(question.destructive);
    EXPECT_TRUE(m_pane->isShowingDeleteConfirmation());

    m_confirmation.answer(false);
    EXPECT_FALSE(m_pane->isShowingDeleteConfirmation());
    EXPECT_EQ(m_deletesRequested, 0);
    EXPECT_FALSE(shown->isDeleted());
    EXPECT_FALSE(context().hasChanges());

    click("deleteButton");
    m_confirmation.answer(true);
    EXPECT_EQ(m_deletesRequested, 1);
    EXPECT_FALSE(shown->isDeleted()); // the owner deletes, later
}

TEST_F(PolicyDetailViewTest, APolicyDeletedElsewhereEmptiesThePaneAndIsNeverDeletedTwice) {
    auto shown = policy(40);
    show(shown);
    QSignalSpy deleted(m_pane, &PolicyDetailView::policyDeleted);
    click("deleteButton");
    click("editButton");
    context().deleteObject(shown.get());
    ASSERT_TRUE(context().save());
    EXPECT_EQ(deleted.count(), 1);
    EXPECT_FALSE(child<QWidget>(m_pane, "detailHeader")->isVisibleTo(m_pane));
    EXPECT_TRUE(waitUntil([this] { return !m_pane->isShowingEditSheet(); }));
    m_confirmation.answer(true);
    EXPECT_EQ(m_deletesRequested, 0);
}

struct WhatsAppCase {
    qint64 days;
    const char* name;
    const char* continuation;
};
void PrintTo(const WhatsAppCase& c, std::ostream* out) {
    *out << c.days << " days";
}

class PolicyDetailWhatsApp : public PolicyDetailViewTest,
                             public ::testing::WithParamInterface<WhatsAppCase> {};

TEST_P(PolicyDetailWhatsApp, TheButtonHandsTheDesktopTheLinkWithThePhoneAndTheWholeMessage) {
    const WhatsAppCase& given = GetParam();
    auto shown = policy(given.days);
    shown->setName(QString::fromUtf8(given.name));
    shown->setContact(contact(QStringLiteral("0039 (333) 123-45.67")));
    shown->setClientPhoneNumber(QStringLiteral("+39 06 1"));
    ASSERT_TRUE(context().save());
    show(shown);
    click("whatsAppButton");
    ASSERT_EQ(m_desktop.openedUrls.size(), 1);
    const QUrl url = m_desktop.openedUrls.first();
    EXPECT_EQ(url.toString(QUrl::RemoveQuery), QStringLiteral("https://api.whatsapp.com/send"));
    const QUrlQuery query(url);
    ASSERT_EQ(query.queryItems().size(), 2);
    EXPECT_EQ(query.queryItemValue(QStringLiteral("phone")), QStringLiteral("+00393331234567"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("text"), QUrl::FullyDecoded),
              QStringLiteral("Hello! This is a reminder that your policy '") +
                  QString::fromUtf8(given.name) + QStringLiteral("' (Number: N-Casa") +
                  QString::fromUtf8(given.continuation));
}

INSTANTIATE_TEST_SUITE_P(
    DaysAndNames, PolicyDetailWhatsApp,
    ::testing::Values(
        WhatsAppCase{-3, "Casa", ") expired 3 days ago. Please renew it as soon as possible."},
        WhatsAppCase{0, "Casa", ") expires TODAY. Please renew it immediately."},
        WhatsAppCase{7, "Casa & Auto=1+2",
                     ") will expire in 7 days. Please renew it soon to avoid any lapse in "
                     "coverage."},
        WhatsAppCase{8, "L'Assicurazione Caffè #1?x",
                     ") will expire on March 18, 2026. Please make sure to renew it before the "
                     "expiration date."}));

// The client's reminders record who was told, how and when; the menu marks it by hand.
class PolicyDetailNotice : public PolicyDetailViewTest {
protected:
    std::shared_ptr<Policy> expiringWithClient(const char* email) {
        auto shown = policy(5);
        auto person = contact(QStringLiteral("+39 333 1"));
        person->setEmail(QString::fromUtf8(email));
        shown->setContact(person);
        EXPECT_TRUE(context().save());
        return shown;
    }
    void trigger(const char* action) {
        auto* menu = child<QMenu>(m_pane, "policyMoreMenu");
        child<QAction>(menu, action)->trigger();
    }
    ClientNotice::Channel channel(const std::shared_ptr<Policy>& p) const {
        return ClientNotice::channelOf(p->lastNotified().value_or(Instant(999)));
    }
};

TEST_F(PolicyDetailNotice, EachReminderAndTheMenuSetOrClearWhenTheClientWasTold) {
    auto shown = expiringWithClient("anna@esempio.it");
    show(shown);
    EXPECT_EQ(text("clientNoticeLabel"), QStringLiteral("Cliente non ancora avvisato"));
    EXPECT_FALSE(child<QAction>(m_pane, "markNotNotifiedAction")->isEnabled());

    click("whatsAppButton");
    EXPECT_EQ(channel(shown), ClientNotice::Channel::WhatsApp);
    EXPECT_FALSE(context().hasChanges());
    EXPECT_EQ(text("clientNoticeLabel"), QStringLiteral("Cliente avvisato il Mar 10, 2026, 10:30 "
                                                        "AM via WhatsApp"));

    m_clock.advanceTo(Instant(m_clock.now().msSinceEpoch() + kHourMs));
    click("emailButton");
    ASSERT_EQ(m_desktop.openedUrls.size(), 2);
    EXPECT_EQ(m_desktop.openedUrls.last().scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(channel(shown), ClientNotice::Channel::Email);
    EXPECT_TRUE(text("clientNoticeLabel").endsWith(u"11:30 AM via e-mail"));

    trigger("markNotNotifiedAction");
    EXPECT_EQ(shown->lastNotified(), std::nullopt);
    EXPECT_EQ(text("clientNoticeLabel"), QStringLiteral("Cliente non ancora avvisato"));
    trigger("markNotifiedAction");
    EXPECT_EQ(channel(shown), ClientNotice::Channel::Unknown);
    EXPECT_EQ(text("clientNoticeLabel"),
              QStringLiteral("Cliente avvisato il Mar 10, 2026, 11:30 AM"));
    EXPECT_FALSE(context().hasChanges());
}

TEST_F(PolicyDetailNotice, ARefusedSaveStillOpensTheReminderAndABadAddressOpensNothing) {
    m_controller = open(storePath());
    auto shown = expiringWithClient("anna@esempio.it, bruno@esempio.it");
    show(shown);
    click("emailButton");
    EXPECT_TRUE(m_desktop.openedUrls.isEmpty());
    EXPECT_EQ(shown->lastNotified(), std::nullopt);
    EXPECT_TRUE(logLines().last().startsWith(u"Error composing e-mail: "));

    {
        RawSqlite raw(storePath());
        ASSERT_TRUE(raw.exec("CREATE TRIGGER refuse BEFORE UPDATE ON Policy "
                             "BEGIN SELECT RAISE(ABORT, 'disk refuses'); END;"));
    }
    click("whatsAppButton");
    EXPECT_EQ(m_desktop.openedUrls.size(), 1);
    EXPECT_EQ(shown->lastNotified(), std::nullopt);
    EXPECT_FALSE(context().hasChanges());
    EXPECT_TRUE(logLines().last().startsWith(u"Error saving policy: "));
    EXPECT_EQ(text("clientNoticeLabel"), QStringLiteral("Cliente non ancora avvisato"));
}

} // namespace
