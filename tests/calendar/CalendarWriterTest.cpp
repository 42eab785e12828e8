#include "calendar/CalendarWriter.h"
#include "calendar/CalendarBook.h"

#include "CalendarFileReader.h"
#include "support/StoreFixture.h"

#include <algorithm>

namespace {

using TimeHelpers::utc;

class CalendarFile : public StoreFixture {
protected:
    ManagedObjectContext& context() { return m_store->container().viewContext(); }
    QByteArray written() {
        return CalendarWriter::text(CalendarBook::of(context()), m_clock.timeZone());
    }

    std::unique_ptr<PersistenceController> m_store = openInMemory();
};

TEST_F(CalendarFile, HoldsEachSavedPolicyOnceWithItsDateAlarmsAndClientUnderAStableUid) {
    auto client = context().insert<Contact>();
    client->setFirstName(QStringLiteral("Mario"));
    client->setLastName(QStringLiteral("Rossi"));
    client->setPhoneNumber(QStringLiteral("+39 333 1234567"));
    // 23:30 UTC is already the next day in Rome.
    auto home = insertPolicy(context(), QStringLiteral("Casa"), utc("2030-05-31T23:30:00Z"));
    home->setContact(client);
    home->setClientPhoneNumber(QStringLiteral("+39 000"));
    auto car = insertPolicy(context(), QStringLiteral("Auto"), utc("2030-01-15T09:00:00Z"));
    car->setCustomReminderDays(QStringLiteral("30, 7, 7, 0"));
    car->setClientPhoneNumber(QStringLiteral("+39 06 555"));
    ASSERT_TRUE(context().save());
    insertPolicy(context(), QStringLiteral("Non salvata")); // not saved: not in the file

    const QByteArray first = written();
    const CalendarFileReader file(first);
    ASSERT_TRUE(file.isRead());
    EXPECT_TRUE(first.startsWith("BEGIN:VCALENDAR\r\n"));
    EXPECT_TRUE(first.endsWith("END:VCALENDAR\r\n"));
    EXPECT_EQ(CalendarFileReader::raw(file.calendar(), ICAL_VERSION_PROPERTY), "2.0");
    EXPECT_EQ(CalendarFileReader::raw(file.calendar(), ICAL_CALSCALE_PROPERTY), "GREGORIAN");
    EXPECT_FALSE(CalendarFileReader::raw(file.calendar(), ICAL_PRODID_PROPERTY).isEmpty());
    ASSERT_EQ(file.all(ICAL_VEVENT_COMPONENT).size(), 2U);

    icalcomponent* homeEvent = file.withUid(CalendarWriter::policyUid(home->id()));
    icalcomponent* carEvent = file.withUid(CalendarWriter::policyUid(car->id()));
    ASSERT_TRUE(homeEvent && carEvent);
    EXPECT_EQ(QString::fromUtf8(icalcomponent_get_summary(homeEvent)), "Scadenza: Casa (N-Casa)");
    EXPECT_EQ(CalendarFileReader::raw(homeEvent, ICAL_DTSTART_PROPERTY), "20300601");
    EXPECT_EQ(CalendarFileReader::raw(homeEvent, ICAL_DTEND_PROPERTY), "20300602");
    EXPECT_TRUE(icalcomponent_get_dtstart(homeEvent).is_date);
    // The contact's name and phone, before the phone kept on the policy.
    EXPECT_EQ(CalendarFileReader::text(homeEvent, ICAL_DESCRIPTION_PROPERTY),
              "Cliente: Mario Rossi\nTelefono: +39 333 1234567");
    EXPECT_EQ(CalendarFileReader::triggers(homeEvent), QStringList{"-P30D"});
    // No client: only the policy's phone. One alarm per reminder day, repeats dropped.
    EXPECT_EQ(CalendarFileReader::text(carEvent, ICAL_DESCRIPTION_PROPERTY),
              "Telefono: +39 06 555");
    EXPECT_EQ(CalendarFileReader::triggers(carEvent), (QStringList{"-P30D", "-P7D", "PT0S"}));
    for (icalcomponent* alarm = icalcomponent_get_first_component(carEvent, ICAL_VALARM_COMPONENT);
         alarm; alarm = icalcomponent_get_next_component(carEvent, ICAL_VALARM_COMPONENT)) {
        EXPECT_EQ(
            icalproperty_get_action(icalcomponent_get_first_property(alarm, ICAL_ACTION_PROPERTY)),
            ICAL_ACTION_DISPLAY);
    }

    // A change shows under the same UID; an unchanged book gives the same bytes.
    EXPECT_EQ(written(), first);
    context().rollback();
    car->setName(QStringLiteral("Auto nuova"));
    ASSERT_TRUE(context().save());
    const QByteArray second = written();
    const CalendarFileReader changed(second);
    ASSERT_EQ(changed.all(ICAL_VEVENT_COMPONENT).size(), 2U);
    EXPECT_EQ(QString::fromUtf8(
                  icalcomponent_get_summary(changed.withUid(CalendarWriter::policyUid(car->id())))),
              "Scadenza: Auto nuova (N-Auto)");
}

TEST_F(CalendarFile, EscapesAndFoldsHostileTextAndReadsItBackWhole) {
    const QString name = QStringLiteral("Casa, mare; via \\Roma\nsecondo piano — Дом у моря, "
                                        "海辺の家 🏠 e ancora testo per superare una riga intera");
    insertPolicy(context(), name);
    ASSERT_TRUE(context().save());
    const QByteArray text = written();

    // Every line ends with CRLF and holds at most 75 octets; a folded one goes on after a space.
    ASSERT_TRUE(text.endsWith("\r\n"));
    for (QByteArray line : text.chopped(1).split('\n')) {
        ASSERT_TRUE(line.endsWith('\r')) << line.constData();
        line.chop(1);
        EXPECT_LE(line.size(), 75) << line.constData();
        // No character is cut in two by a fold.
        EXPECT_EQ(QString::fromUtf8(line).toUtf8(), line) << line.constData();
    }
    const QByteArray unfolded = QByteArray(text).replace("\r\n ", "");
    EXPECT_TRUE(unfolded.contains("SUMMARY:Scadenza: Casa\\, mare\\; via \\\\Roma\\nsecondo"));
    EXPECT_GT(text.count("\r\n "), 0);

    const CalendarFileReader file(text);
    ASSERT_TRUE(file.isRead());
    ASSERT_EQ(file.all(ICAL_VEVENT_COMPONENT).size(), 1U);
    EXPECT_EQ(QString::fromUtf8(icalcomponent_get_summary(file.all(ICAL_VEVENT_COMPONENT)[0])),
              QStringLiteral("Scadenza: ") + name + QStringLiteral(" (N-") + name + u')');
}

TEST_F(CalendarFile, HoldsTheAgendaEventsWithTheirRulesAndTheTasksAsToDos) {
    auto weekly = context().insert<Event>();
    weekly->setTitle(QStringLiteral("Riunione"));
    weekly->setStartDate(utc("2026-03-12T08:00:00Z"));
    weekly->setEndDate(utc("2026-03-12T09:30:00Z"));
    weekly->setLocation(QStringLiteral("Ufficio"));
    weekly->setRecurrenceRule(QStringLiteral("FREQ=WEEKLY;COUNT=4"));
    weekly->setReminderMinutes(15);
    auto holiday = context().insert<Event>();
    holiday->setTitle(QStringLiteral("Ferie"));
    holiday->setIsAllDay(true);
    holiday->setStartDate(utc("2026-08-09T22:00:00Z")); // Rome's midnights: 10 to 12 August
    holiday->setEndDate(utc("2026-08-12T22:00:00Z"));
    holiday->setRecurrenceRule(QStringLiteral("FREQ=SOMETIMES"));
    holiday->setReminderMinutes(1440);
    auto done = context().insert<Task>();
    done->setTitle(QStringLiteral("Chiamare Rossi"));
    done->setPriority(2);
    done->setDone(true, utc("2026-03-10T09:00:00Z"));
    auto open = context().insert<Task>();
    open->setTitle(QStringLiteral("Rinnovo"));
    open->setPriority(0);
    open->setDueDate(utc("2026-04-01T10:00:00Z"));
    open->setReminderDate(utc("2026-03-31T07:00:00Z"));
    ASSERT_TRUE(context().save());

    const CalendarFileReader file(written());
    ASSERT_TRUE(file.isRead());
    ASSERT_EQ(file.all(ICAL_VEVENT_COMPONENT).size(), 2U);
    ASSERT_EQ(file.all(ICAL_VTODO_COMPONENT).size(), 2U);

    icalcomponent* meeting = file.withUid(CalendarWriter::eventUid(weekly->id()));
    ASSERT_TRUE(meeting);
    EXPECT_EQ(CalendarFileReader::raw(meeting, ICAL_DTSTART_PROPERTY), "20260312T080000Z");
    EXPECT_EQ(CalendarFileReader::raw(meeting, ICAL_DTEND_PROPERTY), "20260312T093000Z");
    EXPECT_EQ(CalendarFileReader::text(meeting, ICAL_LOCATION_PROPERTY), "Ufficio");
    const icalrecurrencetype rule =
        icalproperty_get_rrule(icalcomponent_get_first_property(meeting, ICAL_RRULE_PROPERTY));
    EXPECT_EQ(rule.freq, ICAL_WEEKLY_RECURRENCE);
    EXPECT_EQ(rule.count, 4);
    EXPECT_EQ(CalendarFileReader::triggers(meeting), QStringList{"-PT15M"});

    // A rule libical cannot read is left out; the event stays, as one day's.
    icalcomponent* away = file.withUid(CalendarWriter::eventUid(holiday->id()));
    ASSERT_TRUE(away);
    EXPECT_EQ(icalcomponent_get_first_property(away, ICAL_RRULE_PROPERTY), nullptr);
    EXPECT_EQ(CalendarFileReader::raw(away, ICAL_DTSTART_PROPERTY), "20260810");
    EXPECT_EQ(CalendarFileReader::raw(away, ICAL_DTEND_PROPERTY), "20260813");
    EXPECT_EQ(CalendarFileReader::triggers(away), QStringList{"-P1D"});

    icalcomponent* called = file.withUid(CalendarWriter::taskUid(done->id()));
    ASSERT_TRUE(called);
    EXPECT_EQ(icalcomponent_get_status(called), ICAL_STATUS_COMPLETED);
    EXPECT_EQ(CalendarFileReader::raw(called, ICAL_COMPLETED_PROPERTY), "20260310T090000Z");
    EXPECT_EQ(CalendarFileReader::raw(called, ICAL_PRIORITY_PROPERTY), "1");
    EXPECT_TRUE(CalendarFileReader::triggers(called).isEmpty());
    icalcomponent* renewal = file.withUid(CalendarWriter::taskUid(open->id()));
    ASSERT_TRUE(renewal);
    EXPECT_EQ(icalcomponent_get_status(renewal), ICAL_STATUS_NEEDSACTION);
    EXPECT_EQ(CalendarFileReader::raw(renewal, ICAL_DUE_PROPERTY), "20260401T100000Z");
    EXPECT_EQ(CalendarFileReader::raw(renewal, ICAL_PRIORITY_PROPERTY), "9");
    EXPECT_EQ(CalendarFileReader::triggers(renewal), QStringList{"20260331T070000Z"});
}

TEST_F(CalendarFile, AFileThatCannotBeWrittenLeavesTheOldOneWholeAndNoOtherBehind) {
    const QString path = m_dir.filePath(QStringLiteral("Calendario.ics"));
    ASSERT_EQ(CalendarWriter::writeFile(path, "old"), std::nullopt);
    // A folder that is a file: nothing can be created in it.
    const QString blocked = m_dir.filePath(QStringLiteral("not-a-folder"));
    QFile blocker(blocked);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_NE(CalendarWriter::writeFile(blocked + QStringLiteral("/Calendario.ics"), "new"),
              std::nullopt);
    // The file is replaced whole, and nothing but it is left in its folder.
    ASSERT_EQ(CalendarWriter::writeFile(path, "new"), std::nullopt);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "new");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"Calendario.ics", "not-a-folder"}));
}

} // namespace
