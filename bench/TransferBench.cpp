#include "AgentWorld.h"
#include "Harness.h"
#include "PolicyWorld.h"
#include "model/Policy.h"
#include "platform/DBusNotificationService.h"
#include "platform/InstallationCheck.h"
#include "platform/NotificationCenter.h"
#include "reminders/NotificationManager.h"
#include "transfer/BookExport.h"
#include "transfer/ImportField.h"
#include "transfer/ImportSession.h"
#include "transfer/TableReader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>

#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

using AgentWorld::Program;
using AgentWorld::waitFor;
using AgentWorld::withAgent;

constexpr int kImportRows = 10'000;
constexpr int kExportPolicies = 100'000;
constexpr int kOneByOnePolicies = 100;

QString seconds(double value) {
    return QString::number(value, 'f', 2);
}

// A book as agency software exports it: a client and a policy per row, three reminder days,
// expiries over the next two years (the agent runs on the real clock).
std::vector<BookExport::Row> madeUpBook(int count) {
    std::mt19937_64 random(23);
    std::vector<BookExport::Row> rows;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (int i = 0; i < count; ++i) {
        BookExport::Row row;
        for (const ImportField field : ImportFields::exported()) {
            switch (field) {
            case ImportField::PolicyName:
                row.cells.append(PolicyWorld::madeUpName(random) + QStringLiteral(" Casa"));
                break;
            case ImportField::PolicyNumber:
                row.cells.append(QStringLiteral("POL-%1").arg(i, 6, 10, QLatin1Char('0')));
                break;
            case ImportField::Provider:
                row.cells.append(QStringLiteral("Generali"));
                break;
            case ImportField::RenewalType:
                row.cells.append(QStringLiteral("annuale"));
                break;
            case ImportField::ReminderDays:
                row.cells.append(QStringLiteral("30, 15, 7"));
                break;
            case ImportField::FirstName:
                row.cells.append(PolicyWorld::madeUpName(random));
                break;
            case ImportField::LastName:
                row.cells.append(PolicyWorld::madeUpName(random));
                break;
            case ImportField::Phone:
                row.cells.append(QStringLiteral("333%1").arg(i, 7, 10, QLatin1Char('0')));
                break;
            default:
                row.cells.append(QString());
            }
        }
        row.expiry = Instant(now + 40 * 86'400'000LL + qint64(random() % (700 * 86'400'000LL)));
        rows.push_back(std::move(row));
    }
    return rows;
}

void importFigure(const QString& format, const QString& path, Program& program) {
    // Reading alone, the measure of the rest.
    std::vector<double> reads;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        const TableReader::Result result = TableReader::read(path, {});
        reads.push_back(double(timer.nsecsElapsed()) / 1e9);
        Bench::doNotOptimize(result.table.rows.size());
    }
    const double read = Bench::median(reads);

    PersistenceController store(true, program.clock, program.log);
    ImportSession import(
        {store.container().viewContext(), *program.manager, program.clock, program.log, nullptr});
    std::optional<ImportResult> result;
    bool checked = false;
    double saved = 0;
    QElapsedTimer timer;
    QObject::connect(&import, &ImportSession::finished,
                     [&](const ImportResult& finished) { result = finished; });
    QObject::connect(&import, &ImportSession::changed, [&] { checked = true; });
    QObject::connect(&import, &ImportSession::phaseChanged, [&](ImportSession::Phase phase) {
        if (phase == ImportSession::Phase::Scheduling) {
            saved = double(timer.nsecsElapsed()) / 1e9;
        }
    });
    const Bench::StallWatch stalls;
    timer.start();
    import.open(path);
    waitFor([&] { return checked; }, 120'000, 1);
    const double opened = double(timer.nsecsElapsed()) / 1e9;
    import.run();
    waitFor([&] { return result.has_value(); }, 600'000, 1);
    const double total = double(timer.nsecsElapsed()) / 1e9;
    const QString name = QStringLiteral("import of %L1 rows, %2").arg(kImportRows).arg(format);
    if (!result || result->error || result->remindersScheduled != 3 * kImportRows) {
        Bench::report(name,
                      QStringLiteral("failed: %1")
                          .arg(result ? result->error.value_or(QStringLiteral("reminders"))
                                      : QStringLiteral("no answer")),
                      QString());
        return;
    }
    // The file is read and checked once it is chosen, for the sheet's preview; "Importa" then
    // saves and schedules what was read.
    const double pressed = total - opened;
    Bench::report(name + QStringLiteral(" from \"Importa\" pressed, and from the file chosen (s)"),
                  QStringLiteral("%1, %2").arg(seconds(pressed), seconds(total)),
                  QStringLiteral("seconds, not minutes"));
    Bench::report(
        name + QStringLiteral(" from \"Importa\" pressed, and from the file chosen, vs "
                              "reading it alone (ratio)"),
        QStringLiteral("%1, %2").arg(pressed / read, 0, 'f', 1).arg(total / read, 0, 'f', 1),
        QStringLiteral("at most 3"));
    Bench::report(name + QStringLiteral(", longest event-loop stall (ms)"),
                  QString::number(stalls.longestMs(), 'f', 0), QStringLiteral("at most 100"));
    Bench::report(
        name + QStringLiteral(": read alone / open (read, check) / save / schedule (s)"),
        QStringLiteral("%1 / %2 / %3 / %4")
            .arg(seconds(read), seconds(opened), seconds(saved - opened), seconds(total - saved)),
        QStringLiteral("context"));
}

// What a batch saves: the same reminders scheduled one policy at a time.
void oneByOneFigure(Program& program, ManagedObjectContext& context) {
    std::vector<std::shared_ptr<Policy>> policies;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (int i = 0; i < kOneByOnePolicies; ++i) {
        auto policy = context.insert<Policy>();
        policy->setName(QStringLiteral("Uno %1").arg(i));
        policy->setPolicyNumber(QStringLiteral("U-%1").arg(i));
        policy->setProvider(QStringLiteral("Generali"));
        policy->setExpirationDate(Instant(now + (40 + i % 600) * 86'400'000LL));
        policy->setCustomReminderDays(QStringLiteral("30, 15, 7"));
        policies.push_back(policy);
    }
    context.save();
    QTemporaryFile lines;
    lines.open();
    LogChannel counted(lines.handle());
    auto manager = NotificationManager::make(
        {program.agent, program.installed, program.clock, counted, program.center});
    const auto answered = [&] {
        QFile file(lines.fileName());
        file.open(QIODevice::ReadOnly);
        return file.readAll().count("Scheduled policy reminder for ");
    };
    QElapsedTimer timer;
    timer.start();
    for (const auto& policy : policies) {
        manager->schedulePolicyReminder(*policy);
    }
    const bool done = waitFor([&] { return answered() >= 3 * kOneByOnePolicies; }, 120'000, 500);
    const double single = double(timer.nsecsElapsed()) / 1e9;
    bool batchDone = false;
    timer.restart();
    manager->schedulePolicyReminders(policies, [&](int, int) { batchDone = true; });
    waitFor([&] { return batchDone; }, 300'000, 1);
    const double batch = double(timer.nsecsElapsed()) / 1e9;
    Bench::report(
        QStringLiteral("scheduling %L1 policies on the agent, one pass each / one batch (s)")
            .arg(kOneByOnePolicies),
        done ? QStringLiteral("%1 / %2").arg(seconds(single), seconds(batch))
             : QStringLiteral("one pass each did not finish"),
        QStringLiteral("context: why the import batches"));
}

void exportFigures() {
    PolicyWorld::InMemory world(kExportPolicies);
    ManagedObjectContext& context = world.store.container().viewContext();
    QTemporaryDir dir;
    const QTimeZone zone("Europe/Rome");
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    const std::vector<double> medians = Bench::medianSeconds(
        {[&] {
             const auto rows = BookExport::rowsOfBook(context);
             BookExport::writeCsv(dir.filePath(QStringLiteral("libro.csv")), rows, italian, zone);
         },
         [&] {
             const auto rows = BookExport::rowsOfBook(context);
             BookExport::writeXlsx(dir.filePath(QStringLiteral("libro.xlsx")), rows, zone);
         }},
        3);
    Bench::report(QStringLiteral("export of %L1 policies to CSV (s)").arg(kExportPolicies),
                  seconds(medians[0]), QStringLiteral("at most 2"));
    Bench::report(QStringLiteral("export of %L1 policies to XLSX (s)").arg(kExportPolicies),
                  seconds(medians[1]), QStringLiteral("printed"));
}

void transferBench() {
    QTemporaryDir dir;
    const std::vector<BookExport::Row> book = madeUpBook(kImportRows);
    const QString csv = dir.filePath(QStringLiteral("libro.csv"));
    const QString xlsx = dir.filePath(QStringLiteral("libro.xlsx"));
    const QTimeZone zone("Europe/Rome");
    BookExport::writeCsv(csv, book, QLocale(QLocale::Italian, QLocale::Italy), zone);
    BookExport::writeXlsx(xlsx, book, zone);
    withAgent(QStringLiteral("import, CSV"),
              [&](Program& program) { importFigure(QStringLiteral("CSV"), csv, program); });
    withAgent(QStringLiteral("import, XLSX"),
              [&](Program& program) { importFigure(QStringLiteral("XLSX"), xlsx, program); });
    withAgent(QStringLiteral("scheduling one by one"), [](Program& program) {
        PersistenceController store(true, program.clock, program.log);
        oneByOneFigure(program, store.container().viewContext());
    });
    exportFigures();
}

} // namespace

QS_BENCH_GROUP("transfer", transferBench);
