#include "reminders/NotificationManager.h"

#include "model/Event.h"
#include "model/PersistenceController.h"
#include "model/Task.h"
#include "platform/InstallationCheck.h"
#include "platform/LogChannel.h"
#include "platform/NotificationCenter.h"
#include "store/ManagedObjectContext.h"
#include "support/CapturedLog.h"
#include "support/InMemoryNotificationService.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/TimeHelpers.h"
#include "support/WaitUntil.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

using namespace TimeHelpers;

namespace {

class Installed final : public InstallationCheck {
public:
    bool isInstalledApplication() const override { return true; }
};

// Events and tasks in a store in memory, their reminders on an in-memory agent, on 10 March
// 2026 at 10:30 in Rome, read in Italian.
class AgendaReminders : public ::testing::Test {
protected:
    std::shared_ptr<Event> event(const QString& title, Instant start, qint64 lengthMs) {
        auto event = context().insert<Event>();
        event->setTitle(title);
        event->setStartDate(start);
        event->setEndDate(Instant(start.msSinceEpoch() + lengthMs));
        return event;
    }
    std::shared_ptr<Task> task(const QString& title, std::optional<Instant> remind) {
        auto task = context().insert<Task>();
        task->setTitle(title);
        task->setReminderDate(remind);
        return task;
    }
    ManagedObjectContext& context() { return m_store.container().viewContext(); }

    static void settle() {
        for (int i = 0; i < 10; ++i) {
            QCoreApplication::processEvents();
        }
    }

    // Identifier, title, body and minute of every pending request, sorted.
    static QStringList held(const InMemoryNotificationService& service) {
        QStringList list;
        for (const NotificationRequest& r : service.pending()) {
            list.append(QStringLiteral("%1|%2|%3|%4-%5 %6:%7")
                            .arg(r.identifier, r.title, r.body)
                            .arg(r.month)
                            .arg(r.day)
                            .arg(r.hour)
                            .arg(r.minute));
        }
        list.sort();
        return list;
    }
    QStringList heldIdentifiers() const {
        QStringList list;
        for (const NotificationRequest& r : m_service.pending()) {
            list.append(r.identifier);
        }
        list.sort();
        return list;
    }
    static QString eventId(const Event& event, const char* start) {
        return QStringLiteral("event-") + NotificationManager::identifierText(event) + u'-' +
               QString::fromLatin1(start);
    }

    NotificationManager::MatchResult match() {
        std::optional<NotificationManager::MatchResult> result;
        m_manager->matchPendingToStore(context(), [&](const auto& r) { result = r; });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        settle();
        return result.value_or(NotificationManager::MatchResult{});
    }

    ManualClock m_clock{utc("2026-03-10T09:30:00Z"), QTimeZone("Europe/Rome"),
                        QLocale(QLocale::Italian, QLocale::Italy)};
    CapturedLog m_log;
    PersistenceController m_store{true, m_clock, m_log.channel()};
    InMemoryNotificationService m_service;
    Installed m_installation;
    NotificationCenter m_center;
    std::unique_ptr<NotificationManager> m_manager =
        NotificationManager::make({m_service, m_installation, m_clock, m_log.channel(), m_center});
};

TEST_F(AgendaReminders, AnEventRemindsPerOccurrenceAndASaveReplacesItsRequests) {
    auto call =
        event(QStringLiteral("Chiamata con Rossi"), utc("2026-03-12T14:00:00Z"), 90 * 60'000);
    call->setLocation(QStringLiteral("Via Roma 1"));
    auto other = event(QStringLiteral("Altro"), utc("2026-03-20T08:00:00Z"), kHourMs);
    ASSERT_TRUE(context().save());
    m_manager->scheduleEventReminder(*call);
    m_manager->scheduleEventReminder(*other);
    settle();
    const QString otherHeld = eventId(*other, "20260320T0800") +
                              QStringLiteral("|Altro|20/03/26, 09:00 – 10:00|3-20 8:45");
    // Sorted as held() sorts: the identifiers hold random ids.
    QStringList both{eventId(*call, "20260312T1400") +
                         QStringLiteral("|Chiamata con Rossi|12/03/26, 15:00 – 16:30 · "
                                        "Via Roma 1|3-12 14:45"),
                     otherHeld};
    both.sort();
    EXPECT_EQ(held(m_service), both);
    EXPECT_EQ(m_log.lines().first(), QStringLiteral("Scheduled event reminder for Chiamata con "
                                                    "Rossi on 2026-03-12 13:45:00 +0000"));

    // Weekly from Friday 13 March, 10:00 on the wall: nine occurrences in the next 60 days, an
    // hour earlier in UTC after the spring change, a day before each.
    call->setStartDate(utc("2026-03-13T09:00:00Z"));
    call->setEndDate(utc("2026-03-13T10:00:00Z"));
    call->setRecurrenceRule(QStringLiteral("FREQ=WEEKLY"));
    call->setReminderMinutes(1440);
    ASSERT_TRUE(context().save());
    m_manager->scheduleEventReminder(*call);
    settle();
    QStringList ids = heldIdentifiers();
    ids.removeOne(eventId(*other, "20260320T0800"));
    ASSERT_EQ(ids.size(), 9);
    EXPECT_EQ(ids.first(), eventId(*call, "20260313T0900"));
    EXPECT_EQ(ids[3], eventId(*call, "20260403T0800"));
    EXPECT_EQ(ids.last(), eventId(*call, "20260508T0800"));

    // No reminder, and deletion: nothing left of it; the other event keeps its own.
    call->setReminderMinutes(-1);
    m_manager->scheduleEventReminder(*call);
    settle();
    EXPECT_EQ(held(m_service), QStringList{otherHeld});
    call->setReminderMinutes(0);
    m_manager->scheduleEventReminder(*call);
    m_manager->cancelEventNotifications(NotificationManager::identifierText(*call));
    settle();
    EXPECT_EQ(held(m_service), QStringList{otherHeld});
}

TEST_F(AgendaReminders, AMinuteAlreadyBegunIsSkipped) {
    // Starts at 10:44; fifteen minutes before is 10:29, a minute before now.
    auto soon = event(QStringLiteral("Subito"), utc("2026-03-10T09:44:00Z"), kHourMs);
    auto sooner = event(QStringLiteral("Ora"), utc("2026-03-10T09:45:00Z"), kHourMs);
    ASSERT_TRUE(context().save());
    m_manager->scheduleEventReminder(*soon);
    m_manager->scheduleEventReminder(*sooner);
    settle();
    EXPECT_EQ(heldIdentifiers(), QStringList{eventId(*sooner, "20260310T0945")});
}

TEST_F(AgendaReminders, ATaskRemindsUntilItIsDoneOrDeleted) {
    auto papers = task(QStringLiteral("Inviare i documenti"), utc("2026-03-11T07:00:00Z"));
    papers->setDueDate(utc("2026-03-15T17:00:00Z"));
    auto undated = task(QStringLiteral("Senza data"), std::nullopt);
    ASSERT_TRUE(context().save());
    const QString id = QStringLiteral("task-") + NotificationManager::identifierText(*papers);
    const QString expected = id + QStringLiteral("|Inviare i documenti|Scade 15/03/26|3-11 8:0");
    m_manager->scheduleTaskReminder(*papers);
    m_manager->scheduleTaskReminder(*undated);
    settle();
    EXPECT_EQ(held(m_service), QStringList{expected});

    papers->setDone(true, m_clock.now());
    m_manager->scheduleTaskReminder(*papers);
    settle();
    EXPECT_TRUE(m_service.pending().isEmpty());
    papers->setDone(false, m_clock.now());
    m_manager->scheduleTaskReminder(*papers);
    settle();
    EXPECT_EQ(held(m_service), QStringList{expected});
    m_manager->cancelTaskNotifications(NotificationManager::identifierText(*papers));
    settle();
    EXPECT_TRUE(m_service.pending().isEmpty());
}

// A title pasted whole is cut to 100 characters with "…", never between the halves of a
// surrogate pair; one of 100 stays as it is. The event's place is cut the same way.
TEST_F(AgendaReminders, LongTitlesAreShortenedForTheDesktop) {
    auto huge = event(QString(100'000, u'x'), utc("2026-03-12T14:00:00Z"), kHourMs);
    huge->setLocation(QString(100'000, u'y'));
    const QString emoji = QStringLiteral("\U0001F600");
    auto split =
        task(QString(98, u'a') + emoji + QStringLiteral("coda"), utc("2026-03-11T07:00:00Z"));
    auto exact = task(QString(100, u'b'), utc("2026-03-11T08:00:00Z"));
    ASSERT_TRUE(context().save());
    m_manager->scheduleEventReminder(*huge);
    m_manager->scheduleTaskReminder(*split);
    m_manager->scheduleTaskReminder(*exact);
    settle();
    QStringList titles;
    for (const NotificationRequest& request : m_service.pending()) {
        titles << request.title;
        if (request.title.startsWith(u'x')) {
            EXPECT_EQ(request.body, QStringLiteral("12/03/26, 15:00 – 16:00 · ") +
                                        QString(99, u'y') + QChar(0x2026));
        }
    }
    titles.sort();
    EXPECT_EQ(titles, (QStringList{QString(98, u'a') + QChar(0x2026), QString(100, u'b'),
                                   QString(99, u'x') + QChar(0x2026)}));
    EXPECT_LT(m_log.lines().join(u'\n').size(), 2'000);
}

// A rule that cannot be read reminds once, at the event's start, and is said once however
// often it is saved or matched; a new rule that cannot be read either is said again.
TEST_F(AgendaReminders, ARefusedRuleIsSaidOncePerRule) {
    auto odd = event(QStringLiteral("Strana"), utc("2026-03-12T08:00:00Z"), kHourMs);
    odd->setRecurrenceRule(QStringLiteral("FREQ=SOMETIMES"));
    ASSERT_TRUE(context().save());
    const auto refusals = [this] {
        return m_log.lines().filter(QStringLiteral("Error reading repeat rule: ")).size();
    };
    m_manager->scheduleEventReminder(*odd);
    m_manager->scheduleEventReminder(*odd);
    match();
    m_clock.advanceTo(utc("2026-03-11T09:30:00Z"));
    match();
    EXPECT_EQ(heldIdentifiers(), QStringList{eventId(*odd, "20260312T0800")});
    EXPECT_EQ(refusals(), 1);

    odd->setRecurrenceRule(QStringLiteral("FREQ=WEEKLY;BYDAY=XX"));
    ASSERT_TRUE(context().save());
    m_manager->scheduleEventReminder(*odd);
    match();
    EXPECT_EQ(refusals(), 2);
}

// Events and tasks changed behind the agent's back: the match leaves what saving each would,
// and a day later tops up the window of a repeating event.
TEST_F(AgendaReminders, TheMatchCoversEventsAndTasksAndTopsUpRepeatingOnesEachDay) {
    auto daily = event(QStringLiteral("Giro"), utc("2026-03-09T08:00:00Z"), kHourMs);
    daily->setRecurrenceRule(QStringLiteral("FREQ=DAILY"));
    auto once = event(QStringLiteral("Visita"), utc("2026-09-01T08:00:00Z"), kHourMs);
    auto gone = event(QStringLiteral("Annullato"), utc("2026-03-20T08:00:00Z"), kHourMs);
    auto papers = task(QStringLiteral("Documenti"), utc("2026-03-12T08:00:00Z"));
    auto done = task(QStringLiteral("Fatto"), utc("2026-03-12T08:00:00Z"));
    ASSERT_TRUE(context().save());
    for (const auto& each : {daily, once, gone}) {
        m_manager->scheduleEventReminder(*each);
    }
    m_manager->scheduleTaskReminder(*papers);
    m_manager->scheduleTaskReminder(*done);
    settle();
    context().deleteObject(gone.get());
    done->setDone(true, m_clock.now());
    once->setStartDate(utc("2026-09-02T08:00:00Z"));
    once->setEndDate(utc("2026-09-02T09:00:00Z"));
    auto added = task(QStringLiteral("Nuovo"), utc("2026-04-01T08:00:00Z"));
    ASSERT_TRUE(context().save());
    m_service.removePending({eventId(*daily, "20260312T0800")});

    // Gone, done and moved out; moved, added and lost in.
    NotificationManager::MatchResult result = match();
    EXPECT_TRUE(result.matched);
    EXPECT_EQ(std::tuple(result.removed, result.scheduled), std::tuple(3, 3));
    InMemoryNotificationService fresh;
    auto saving =
        NotificationManager::make({fresh, m_installation, m_clock, m_log.channel(), m_center});
    saving->scheduleEventReminder(*daily);
    saving->scheduleEventReminder(*once);
    saving->scheduleTaskReminder(*papers);
    saving->scheduleTaskReminder(*added);
    settle();
    EXPECT_EQ(held(m_service), held(fresh));

    // The next day: today's occurrence has gone by, one more day enters the window.
    m_clock.advanceTo(utc("2026-03-11T09:30:00Z"));
    result = match();
    EXPECT_EQ(std::tuple(result.removed, result.scheduled), std::tuple(1, 1));
    EXPECT_FALSE(heldIdentifiers().contains(eventId(*daily, "20260310T0800")));
    EXPECT_TRUE(heldIdentifiers().contains(eventId(*daily, "20260510T0700")));
}

} // namespace
