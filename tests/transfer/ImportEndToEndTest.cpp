// An import of a book of 2,000 policies with the real reminder agent, started by D-Bus
// activation on the session bus that the test command starts.
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/DBusNotificationService.h"
#include "platform/InstallationCheck.h"
#include "platform/LogChannel.h"
#include "platform/NotificationCenter.h"
#include "reminders/NotificationManager.h"
#include "support/ManualClock.h"
#include "support/WaitUntil.h"
#include "transfer/ImportSession.h"

#include <QDBusConnection>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

class Installed final : public InstallationCheck {
public:
    bool isInstalledApplication() const override { return true; }
};

TEST(ImportEndToEnd, AnImportedBookHasEveryReminderPendingInTheAgent) {
    if (qEnvironmentVariableIsEmpty("QS_E2E_DUNST_LOG")) {
        GTEST_SKIP() << "needs the session bus of scripts/test";
    }
    constexpr int kPolicies = 2'000;
    QTemporaryDir dir;
    QByteArray book = "Nome Polizza;Numero Polizza;Compagnia;Scadenza;Giorni Promemoria;Nome;"
                      "Cognome;Telefono\n";
    const QDate first = QDate::currentDate().addDays(60);
    for (int i = 0; i < kPolicies; ++i) {
        book += "Casa " + QByteArray::number(i) + ";E2E-" + QByteArray::number(i) + ";Generali;" +
                first.addDays(i % 300).toString("dd/MM/yyyy").toLatin1() + ";30, 15, 7;Cliente;N" +
                QByteArray::number(i % 700) + ";333" + QByteArray::number(i % 700) + "\n";
    }
    const QString path = dir.filePath(QStringLiteral("libro.csv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(book) == book.size());
    file.close();

    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    LogChannel log(devNull);
    ManualClock clock(Instant(QDateTime::currentMSecsSinceEpoch()), QTimeZone::systemTimeZone(),
                      QLocale(QLocale::Italian, QLocale::Italy));
    PersistenceController store(true, clock, log);
    NotificationRequest::registerDBusTypes();
    DBusNotificationService agent(QDBusConnection::sessionBus(), log);
    Installed installed;
    NotificationCenter center;
    auto manager = NotificationManager::make({agent, installed, clock, log, center});
    ImportSession import({store.container().viewContext(), *manager, clock, log, nullptr});
    import.open(path);
    ASSERT_TRUE(waitUntil([&] { return !import.isBusy(); }, 60'000));
    ASSERT_FALSE(import.error());
    std::optional<ImportResult> result;
    QObject::connect(&import, &ImportSession::finished,
                     [&](const ImportResult& finished) { result = finished; });
    import.run();
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }, 120'000));
    ASSERT_FALSE(result->error);
    EXPECT_EQ(result->policiesImported, kPolicies);
    EXPECT_EQ(result->contactsCreated, 700);
    EXPECT_EQ(result->remindersScheduled, 3 * kPolicies);
    EXPECT_EQ(result->remindersFailed, 0);

    QSet<QString> expected;
    for (const auto& policy : store.container().viewContext().fetch(Policy::fetchRequest())) {
        for (const char* day : {"-30", "-15", "-7"}) {
            expected.insert(QStringLiteral("policy-") +
                            NotificationManager::identifierText(*policy) +
                            QString::fromLatin1(day));
        }
    }
    std::optional<QList<NotificationRequest>> pending;
    agent.pendingRequests([&](const QList<NotificationRequest>& requests) { pending = requests; });
    ASSERT_TRUE(waitUntil([&] { return pending.has_value(); }, 60'000));
    QSet<QString> held;
    QStringList ours;
    for (const NotificationRequest& request : *pending) {
        if (expected.contains(request.identifier)) {
            held.insert(request.identifier);
            ours.append(request.identifier);
            EXPECT_TRUE(request.body.contains(QStringLiteral(") expires in ")));
        }
    }
    EXPECT_EQ(held, expected);
    // Left as the test found the agent.
    agent.removePending(ours);
    std::optional<qsizetype> left;
    agent.pendingRequests([&](const QList<NotificationRequest>& requests) {
        left = std::count_if(requests.begin(), requests.end(), [&](const NotificationRequest& r) {
            return expected.contains(r.identifier);
        });
    });
    ASSERT_TRUE(waitUntil([&] { return left.has_value(); }, 60'000));
    EXPECT_EQ(*left, 0);
    ::close(devNull);
}

} // namespace
