#include "Harness.h"
#include "PolicyScreens.h"
#include "PolicyWorld.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/DesktopActions.h"
#include "platform/InstallationCheck.h"
#include "platform/LogChannel.h"
#include "platform/NotificationCenter.h"
#include "policies/DocumentPreview.h"
#include "policies/PolicyDetailView.h"
#include "reminders/NotificationManager.h"
#include "store/ManagedObjectContext.h"
#include "support/InMemoryNotificationService.h"
#include "support/ManualClock.h"
#include "support/TimeHelpers.h"
#include "ui/Confirmation.h"
#include "ui/PdfPageView.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTimer>

#include <random>

namespace {

using PolicyWorld::kNow;
using TimeHelpers::kDayMs;

// A one-page PDF of about 20 MB: a large image of noise, which compresses badly.
QByteArray largePdf() {
    QImage noise(4400, 4300, QImage::Format_RGB888);
    std::mt19937 random(5);
    for (int y = 0; y < noise.height(); ++y) {
        uchar* line = noise.scanLine(y);
        for (int x = 0; x < noise.width() * 3; ++x) {
            line[x] = uchar(random());
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    QPainter painter(&writer);
    painter.drawImage(QRect(0, 0, painter.device()->width(), painter.device()->width()), noise);
    painter.end();
    return bytes;
}

// Two policies, one with a large document, and what a pane needs. The document is in a store
// file, as the program has it: an in-memory store, which no other thread can reach, would be
// read on the screens' thread.
struct DetailWorld : PolicyScreens {
    DetailWorld()
        : onDisk(files.filePath(QStringLiteral("QuintaverModel.sqlite")), clock, log) {
        ManagedObjectContext& context = store.container().viewContext();
        plain = policy(context, QStringLiteral("Casa"));
        context.save();
        ManagedObjectContext& withFile = onDisk.container().viewContext();
        withDocument = policy(withFile, QStringLiteral("Auto"));
        withDocument->setPdfData(largePdf());
        withDocument->setPdfFileName(QStringLiteral("Polizza.pdf"));
        withFile.save();
        documentBytes = *withDocument->pdfDataSize();
    }

    static std::shared_ptr<Policy> policy(ManagedObjectContext& context, const QString& name) {
        auto made = context.insert<Policy>();
        made->setName(name);
        made->setPolicyNumber(name + QStringLiteral("-1"));
        made->setProvider(QStringLiteral("Generali"));
        made->setExpirationDate(Instant(kNow.msSinceEpoch() + 20 * kDayMs));
        made->setCustomReminderDays(QStringLiteral("30, 15, 7"));
        made->setNotes(QStringLiteral("Rinnovo con la polizza casa."));
        return made;
    }

    PolicyDetailView* open(const std::shared_ptr<Policy>& shown) {
        auto* pane = new PolicyDetailView(screens.pane(context()), shown, [] {});
        pane->resize(900, 1300);
        pane->show();
        pane->grab(); // painted once, as the user first sees it
        return pane;
    }

    QTemporaryDir files;
    PersistenceController onDisk;
    std::shared_ptr<Policy> plain;
    std::shared_ptr<Policy> withDocument;
    qint64 documentBytes = 0;
};

// The longest time the event loop went without turning from opening a pane until its
// document's first page is drawn (or five seconds have passed).
double longestStallOpening(DetailWorld& world) {
    QElapsedTimer clock;
    clock.start();
    PolicyDetailView* pane = nullptr;
    QEventLoop loop;
    const Bench::StallWatch stalls;
    QTimer::singleShot(20, [&] { pane = world.open(world.withDocument); });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* preview = pane ? pane->findChild<DocumentPreview*>() : nullptr;
        if (preview && !preview->pageView()->pagesDrawn().empty() && clock.elapsed() > 300) {
            loop.quit();
        }
    });
    poll.start(5);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    const bool shown =
        pane && !pane->findChild<DocumentPreview*>()->pageView()->pagesDrawn().empty();
    delete pane;
    return shown ? stalls.longestMs() : -1;
}

void detailBench() {
    DetailWorld world;
    const auto openAndClose = [&world](const std::shared_ptr<Policy>& policy) {
        return [&world, policy] { delete world.open(policy); };
    };
    const std::vector<double> medians =
        Bench::medianSeconds({openAndClose(world.plain), openAndClose(world.withDocument)}, 31);
    Bench::report(QStringLiteral("detail pane: open and first paint, no document (ms)"),
                  QString::number(medians[0] * 1e3, 'f', 1), QStringLiteral("at most 16"));
    Bench::report(QStringLiteral("detail pane: open and first paint, %1 MB document (ms)")
                      .arg(double(world.documentBytes) / 1e6, 0, 'f', 1),
                  QString::number(medians[1] * 1e3, 'f', 1), QStringLiteral("at most 16"));
    double worst = 0;
    bool shown = true;
    for (int round = 0; round < 5; ++round) {
        const double stall = longestStallOpening(world);
        shown = shown && stall >= 0;
        worst = std::max(worst, stall);
    }
    Bench::report(QStringLiteral("detail pane: longest stall until a 20 MB document shows (ms)"),
                  shown ? QString::number(worst, 'f', 1) : QStringLiteral("not shown"),
                  QStringLiteral("at most 100"));
}

} // namespace

QS_BENCH_GROUP("detail", detailBench);
