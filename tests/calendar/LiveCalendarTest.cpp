#include "calendar/LiveCalendar.h"
#include "calendar/CalendarWriter.h"

#include "CalendarFileReader.h"
#include "support/StoreFixture.h"
#include "support/WaitUntil.h"

#include <QFileInfo>

namespace {

constexpr int kTestDelayMs = 50;

class LiveCalendarFile : public StoreFixture {
protected:
    LiveCalendarFile() {
        // As the program tells it of every save.
        context().setSavedHandler([this] {
            m_live.noteSaved();
            if (m_other) {
                m_other->noteSaved();
            }
        });
        m_policy = insertPolicy(context(), QStringLiteral("Casa"));
        EXPECT_TRUE(context().save());
        QObject::connect(&m_live, &LiveCalendar::updated, [this](bool written) {
            ++m_updates;
            m_writes += written ? 1 : 0;
        });
    }
    ManagedObjectContext& context() { return m_store->container().viewContext(); }
    QByteArray contents() const {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool updatedTo(int updates) {
        return waitUntil([&] { return m_updates >= updates; }) && m_updates == updates;
    }

    std::unique_ptr<PersistenceController> m_store = openInMemory();
    std::shared_ptr<Policy> m_policy;
    QString m_path = m_dir.filePath(QStringLiteral("Quintaver.ics"));
    LiveCalendar m_live{{context(), m_clock, *m_log}, m_path, kTestDelayMs};
    LiveCalendar* m_other = nullptr;
    int m_updates = 0;
    int m_writes = 0;
};

TEST_F(LiveCalendarFile, IsRewrittenAfterASaveThatChangesWhatItShowsAndOnlyThen) {
    m_live.setEnabled(true);
    ASSERT_TRUE(updatedTo(1));
    EXPECT_EQ(m_writes, 1);
    ASSERT_EQ(CalendarFileReader(contents()).all(ICAL_VEVENT_COMPONENT).size(), 1U);

    // A renamed policy is in the file once its save has settled.
    m_policy->setName(QStringLiteral("Casa al mare"));
    ASSERT_TRUE(context().save());
    ASSERT_TRUE(updatedTo(2));
    EXPECT_EQ(m_writes, 2);
    EXPECT_TRUE(contents().contains("SUMMARY:Scadenza: Casa al mare (N-Casa)"));

    // Notes are not in the file: their save neither reads the store nor writes.
    const QByteArray before = contents();
    const QDateTime modified = QFileInfo(m_path).lastModified();
    m_policy->setNotes(QStringLiteral("Chiamare a maggio"));
    ASSERT_TRUE(context().save());
    waitPast(kTestDelayMs * 4);
    EXPECT_EQ(m_updates, 2);

    // A name changed and changed back in a burst of saves: one check, and the file is left.
    m_policy->setName(QStringLiteral("Altro"));
    ASSERT_TRUE(context().save());
    m_policy->setName(QStringLiteral("Casa al mare"));
    ASSERT_TRUE(context().save());
    ASSERT_TRUE(updatedTo(3));
    EXPECT_EQ(m_writes, 2);
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(QFileInfo(m_path).lastModified(), modified);

    // Turned off, the file goes, and later saves write nothing.
    m_live.setEnabled(false);
    EXPECT_FALSE(QFile::exists(m_path));
    m_policy->setName(QStringLiteral("Casa in città"));
    ASSERT_TRUE(context().save());
    waitPast(kTestDelayMs * 4);
    EXPECT_EQ(m_updates, 3);
    EXPECT_FALSE(QFile::exists(m_path));
}

TEST_F(LiveCalendarFile, AFolderThatCannotBeWrittenIsOneLineAndTheProgramSavesOn) {
    // The store's folder replaced by a file.
    const QString blocked = m_dir.filePath(QStringLiteral("blocked"));
    QFile blocker(blocked);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    LiveCalendar live({context(), m_clock, *m_log}, blocked + QStringLiteral("/Quintaver.ics"),
                      kTestDelayMs);
    m_other = &live;
    int failures = 0;
    QObject::connect(&live, &LiveCalendar::updated, [&](bool written) {
        EXPECT_FALSE(written);
        ++failures;
    });
    live.setEnabled(true);
    ASSERT_TRUE(waitUntil([&] { return failures == 1; }));
    ASSERT_TRUE(live.failure());
    m_policy->setName(QStringLiteral("Casa al mare"));
    ASSERT_TRUE(context().save());
    ASSERT_TRUE(waitUntil([&] { return failures == 2; }));

    QStringList lines = logLines();
    ASSERT_EQ(lines.size(), 1) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Error writing calendar: ")))
        << lines[0].toStdString();
    EXPECT_TRUE(live.isEnabled());
    EXPECT_FALSE(context().hasChanges());
    m_other = nullptr;
}

TEST_F(LiveCalendarFile, AChangeStillWaitingWhenTheProgramEndsIsWrittenAsItEnds) {
    {
        LiveCalendar slow({context(), m_clock, *m_log}, m_path, 60'000);
        m_other = &slow;
        slow.setEnabled(true);
        ASSERT_TRUE(waitUntil([&] { return QFile::exists(m_path); }));
        m_policy->setName(QStringLiteral("Casa al lago"));
        ASSERT_TRUE(context().save());
        m_other = nullptr;
    }
    EXPECT_TRUE(contents().contains("SUMMARY:Scadenza: Casa al lago (N-Casa)"));
}

} // namespace
