#include "RawSqlite.h"
#include "StoreFixture.h"

#include <QProcess>
#include <QThread>

#include <csignal>
#include <random>

namespace {

// The numbers of the saves that a killed writer reported as done.
std::vector<qint64> reportedSaves(QProcess& writer) {
    std::vector<qint64> saves;
    for (const QByteArray& line : writer.readAllStandardOutput().split('\n')) {
        if (line.startsWith("saved ")) {
            saves.push_back(line.mid(6).toLongLong());
        }
    }
    return saves;
}

} // namespace

using CrashSafety = StoreFixture;

// A writer that saves in a loop is killed at random moments, now and then before it has even
// created its file. After every kill the file is whole and holds every save that had returned.
TEST_F(CrashSafety, AKilledWriterLosesNoSaveThatReturned) {
    constexpr int kKills = 300;
    std::mt19937 random(20261206);
    QString path;
    int savesChecked = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        if (kill % 60 == 0) {
            path = storePath(QStringLiteral("crash-%1.sqlite").arg(kill));
        }
        const QString tag = QStringLiteral("run%1").arg(kill);
        QProcess writer;
        writer.start(QStringLiteral(QS_STORE_WRITER), {path, QStringLiteral("loop"), tag});
        ASSERT_TRUE(writer.waitForStarted());
        const int delayMs = kill % 60 == 0 ? int(random() % 40) : int(random() % 250);
        QThread::msleep(delayMs);
        ::kill(pid_t(writer.processId()), SIGKILL);
        ASSERT_TRUE(writer.waitForFinished(30000));
        const std::vector<qint64> saves = reportedSaves(writer);
        SCOPED_TRACE(QStringLiteral("kill %1 after %2 ms, %3 saves")
                         .arg(kill)
                         .arg(delayMs)
                         .arg(saves.size())
                         .toStdString());

        if (!QFile::exists(path)) {
            ASSERT_TRUE(saves.empty());
            continue;
        }
        {
            RawSqlite raw(path, SQLITE_OPEN_READONLY);
            ASSERT_EQ(raw.value("PRAGMA integrity_check"), u"ok");
        }
        auto controller = open(path);
        ManagedObjectContext& context = controller->container().viewContext();
        ASSERT_NE(context.persistentStore(), nullptr) << logLines().join(u'\n').toStdString();
        QSet<QString> names;
        std::shared_ptr<Contact> counter;
        for (const auto& policy : context.fetch(Policy::fetchRequest())) {
            names.insert(policy->name());
        }
        for (const auto& contact : context.fetch(Contact::fetchRequest())) {
            if (contact->lastName() == u"counter") {
                counter = contact;
            }
        }
        for (qint64 n : saves) {
            ASSERT_TRUE(names.contains(tag + u'-' + QString::number(n))) << n;
        }
        if (!saves.empty()) {
            ASSERT_NE(counter, nullptr);
            // The counter shows the last reported save or one that was done but not yet said.
            const QStringList parts = counter->notes().value_or(QString()).split(u'-');
            ASSERT_EQ(parts.size(), 2);
            EXPECT_EQ(parts[0], tag);
            EXPECT_GE(parts[1].toLongLong(), saves.back());
        }
        savesChecked += int(saves.size());
    }
    EXPECT_GT(savesChecked, kKills) << "the writer was killed too early to test anything";
    EXPECT_TRUE(logLines().isEmpty()) << logLines().join(u'\n').toStdString();
}
