#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/LogChannel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <thread>

// The process-wide controller, in a test program of its own: the first access opens the store
// in the data folder that XDG_DATA_HOME names, as the program's start does.

namespace {

int modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

} // namespace

TEST(SharedController, IsMadeOnceEvenWhenFirstAskedFromManyThreadsAndCreatesTheStore) {
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    QCoreApplication::setApplicationName(QStringLiteral("quintaver-scheduler"));

    std::vector<PersistenceController*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i] { seen[i] = &PersistenceController::shared(); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    PersistenceController& shared = PersistenceController::shared();
    for (PersistenceController* controller : seen) {
        EXPECT_EQ(controller, &shared);
    }
    EXPECT_EQ(&PersistenceController::shared().container().viewContext(),
              &shared.container().viewContext());

    const QString folder = home.filePath(QStringLiteral("quintaver-scheduler"));
    const QString file = folder + QStringLiteral("/QuintaverModel.sqlite");
    EXPECT_EQ(modeOf(folder), 0700);
    EXPECT_EQ(modeOf(file), 0600);

    ManagedObjectContext& context = shared.container().viewContext();
    auto policy = context.insert<Policy>();
    policy->setName(QStringLiteral("Casa"));
    policy->setPolicyNumber(QStringLiteral("1"));
    policy->setProvider(QStringLiteral("Generali"));
    policy->setExpirationDate(Instant(1'900'000'000'000));
    ASSERT_TRUE(context.save());

    // A new run of the program finds it.
    QProcess next;
    next.start(QStringLiteral(QS_SHARED_STORE_READER), {});
    ASSERT_TRUE(next.waitForFinished(60000));
    EXPECT_EQ(next.exitCode(), 0);
    EXPECT_EQ(next.readAllStandardOutput().toStdString(),
              policy->id().toString().toStdString() + " Casa\n");
}
