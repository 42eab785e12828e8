#include "Harness.h"
#include "PolicyWorld.h"
#include "model/Contact.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/LogChannel.h"
#include "store/LiveFetchResults.h"
#include "store/LiveFetchResultsListener.h"
#include "support/ManualClock.h"
#include "support/TimeHelpers.h"

#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using PolicyWorld::kNow;
using TimeHelpers::kDayMs;

using Clock_ = std::chrono::steady_clock;

double secondsSince(Clock_::time_point start) {
    return std::chrono::duration<double>(Clock_::now() - start).count();
}

// What the program's store needs around it: a clock and a log that goes nowhere.
struct Surroundings {
    Surroundings()
        : nullFile(::open("/dev/null", O_WRONLY | O_CLOEXEC))
        , log(nullFile) {}
    ~Surroundings() { ::close(nullFile); }
    ManualClock clock{kNow, QTimeZone("Europe/Rome")};
    int nullFile;
    LogChannel log;
};

// A store as a user would fill it: contacts, and policies each with a contact, reminder days,
// notes on some, and a document of `documentBytes` when that is not 0.
void buildStore(const QString& path, int policies, int contacts, qint64 documentBytes) {
    Surroundings around;
    PersistenceController controller(path, around.clock, around.log);
    ManagedObjectContext& context = controller.container().viewContext();
    std::mt19937_64 random(7);
    static const char* const lastNames[] = {"Rossi",  "Russo",   "Ferrari", "Esposito", "Bianchi",
                                            "Romano", "Colombo", "Ricci",   "Marino",   "Greco"};
    static const char* const firstNames[] = {"Anna",  "Marco", "Giulia", "Luca",   "Sara",
                                             "Paolo", "Elena", "Davide", "Chiara", "Matteo"};
    std::vector<std::shared_ptr<Contact>> people;
    for (int i = 0; i < contacts; ++i) {
        auto contact = context.insert<Contact>();
        contact->setFirstName(QString::fromLatin1(firstNames[random() % 10]));
        contact->setLastName(QString::fromLatin1(lastNames[random() % 10]) +
                             QString::number(i % 997));
        contact->setPhoneNumber(QStringLiteral("+39 333 %1").arg(1'000'000 + i));
        people.push_back(contact);
    }
    const QByteArray document =
        documentBytes > 0
            ? QByteArray("%PDF-1.7 ").repeated(int(documentBytes / 9 + 1)).left(documentBytes)
            : QByteArray();
    for (int i = 0; i < policies; ++i) {
        auto policy = context.insert<Policy>();
        policy->setName(QStringLiteral("Polizza %1").arg(i));
        policy->setPolicyNumber(QStringLiteral("AX-%1").arg(900'000 + i));
        policy->setProvider(QString::fromLatin1(lastNames[random() % 10]) +
                            QStringLiteral(" Assicurazioni"));
        policy->setExpirationDate(
            Instant(kNow.msSinceEpoch() + qint64(random() % (1200 * kDayMs)) - 400 * kDayMs));
        policy->setCustomReminderDays(QStringLiteral("30, 15, 7"));
        if (random() % 3 == 0) {
            policy->setNotes(QStringLiteral("Rinnovo con disdetta entro 60 giorni"));
        }
        if (!people.empty()) {
            policy->setContact(people[random() % people.size()]);
        }
        if (documentBytes > 0) {
            policy->setPdfData(document);
            policy->setPdfFileName(QStringLiteral("polizza-%1.pdf").arg(i));
        }
    }
    QString error;
    if (!context.save(&error)) {
        std::fprintf(stderr, "could not build %s: %s\n", qPrintable(path), qPrintable(error));
        std::exit(1);
    }
}

FetchRequest<Policy> policiesByExpiry() {
    auto request = Policy::fetchRequest();
    request.setSortDescriptors({{QStringLiteral("expirationDate")}});
    return request;
}

// The same columns as the context gives, as plain structs: the document as its size.
struct PlainPolicy {
    qint64 rowid = 0;
    QUuid id;
    QString name;
    QString policyNumber;
    QString provider;
    qint64 expirationDate = 0;
    QString renewalType;
    std::optional<QString> notes;
    qint64 reminderDays = 0;
    std::optional<QString> customReminderDays;
    qint64 createdAt = 0;
    std::optional<qint64> lastNotified;
    std::optional<QString> pdfFileName;
    std::optional<QString> clientPhoneNumber;
    std::optional<QUuid> category;
    std::optional<QUuid> contact;
    std::optional<qint64> pdfSize;
};

QString text(sqlite3_stmt* statement, int column) {
    return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                             sqlite3_column_bytes(statement, column));
}

std::optional<QString> optionalText(sqlite3_stmt* statement, int column) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    return text(statement, column);
}

std::optional<QUuid> optionalUuid(sqlite3_stmt* statement, int column) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    return QUuid::fromString(
        QLatin1StringView(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)),
                          sqlite3_column_bytes(statement, column)));
}

std::optional<qint64> optionalInt(sqlite3_stmt* statement, int column) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    return sqlite3_column_int64(statement, column);
}

// The fastest plain loop: either a table scan sorted in memory, or ORDER BY through the index.
std::vector<PlainPolicy> plainFetch(const QString& path, bool sortInMemory) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                    SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    QByteArray sql("SELECT rowid, id, name, policyNumber, provider, expirationDate, renewalType, "
                   "notes, reminderDays, customReminderDays, createdAt, lastNotified, "
                   "pdfFileName, clientPhoneNumber, category, contact, length(pdfData) "
                   "FROM Policy");
    if (!sortInMemory) {
        sql += " ORDER BY expirationDate, rowid";
    }
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr);
    std::vector<PlainPolicy> rows;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        PlainPolicy& row = rows.emplace_back();
        row.rowid = sqlite3_column_int64(statement, 0);
        row.id = *optionalUuid(statement, 1);
        row.name = text(statement, 2);
        row.policyNumber = text(statement, 3);
        row.provider = text(statement, 4);
        row.expirationDate = sqlite3_column_int64(statement, 5);
        row.renewalType = text(statement, 6);
        row.notes = optionalText(statement, 7);
        row.reminderDays = sqlite3_column_int64(statement, 8);
        row.customReminderDays = optionalText(statement, 9);
        row.createdAt = sqlite3_column_int64(statement, 10);
        row.lastNotified = optionalInt(statement, 11);
        row.pdfFileName = optionalText(statement, 12);
        row.clientPhoneNumber = optionalText(statement, 13);
        row.category = optionalUuid(statement, 14);
        row.contact = optionalUuid(statement, 15);
        row.pdfSize = optionalInt(statement, 16);
    }
    sqlite3_finalize(statement);
    sqlite3_close_v2(db);
    if (sortInMemory) {
        std::sort(rows.begin(), rows.end(), [](const PlainPolicy& a, const PlainPolicy& b) {
            return a.expirationDate != b.expirationDate ? a.expirationDate < b.expirationDate
                                                        : a.rowid < b.rowid;
        });
    }
    return rows;
}

void openAndFetchFigure(const QString& path) {
    constexpr int kRounds = 7;
    std::vector<double> ours;
    std::vector<double> scan;
    std::vector<double> ordered;
    // The first round warms the page cache and is not counted.
    for (int round = 0; round <= kRounds; ++round) {
        {
            Surroundings around;
            const auto start = Clock_::now();
            auto controller =
                std::make_unique<PersistenceController>(path, around.clock, around.log);
            auto policies = controller->container().viewContext().fetch(policiesByExpiry());
            const double elapsed = secondsSince(start);
            if (policies.size() != 100'000) {
                std::fprintf(stderr, "fetched %zu policies\n", policies.size());
            }
            if (round > 0) {
                ours.push_back(elapsed);
            }
        }
        for (const bool inMemory : {true, false}) {
            const auto start = Clock_::now();
            std::vector<PlainPolicy> rows = plainFetch(path, inMemory);
            const double elapsed = secondsSince(start);
            Bench::doNotOptimize(rows.data());
            if (round > 0) {
                (inMemory ? scan : ordered).push_back(elapsed);
            }
        }
    }
    const double plain = std::min(Bench::median(scan), Bench::median(ordered));
    std::fprintf(
        stderr, "open and fetch: store %.1f ms; plain scan+sort %.1f ms, ORDER BY %.1f ms\n",
        Bench::median(ours) * 1e3, Bench::median(scan) * 1e3, Bench::median(ordered) * 1e3);
    Bench::report(QStringLiteral("open the store and fetch 100,000 policies sorted (20,000 "
                                 "contacts) vs the fastest plain sqlite3 loop"),
                  QString::number(Bench::median(ours) / plain, 'f', 2),
                  QStringLiteral("at most 1.5"));
}

// Opens the store and lists every policy as the list does (name, expiry, whether it has a
// document and its size), in a child process of its own; gives the resident memory it added.
qint64 listingMemory(const QString& path) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        const qint64 before = Bench::residentBytes();
        qint64 added = 0;
        {
            Surroundings around;
            PersistenceController controller(path, around.clock, around.log);
            qint64 shown = 0;
            for (const auto& policy :
                 controller.container().viewContext().fetch(policiesByExpiry())) {
                shown += policy->name().size() + policy->expirationDate().msSinceEpoch() % 7 +
                         policy->pdfDataSize().value_or(0) + (policy->hasPdfData() ? 1 : 0);
            }
            Bench::doNotOptimize(shown);
            added = Bench::residentBytes() - before;
        }
        const ssize_t written = ::write(pipeEnds[1], &added, sizeof added);
        ::_exit(written == sizeof added ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    qint64 added = -1;
    if (::read(pipeEnds[0], &added, sizeof added) != sizeof added) {
        added = -1;
    }
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return added;
}

void memoryFigure(const QString& withDocuments, const QString& without) {
    std::vector<double> withSamples;
    std::vector<double> withoutSamples;
    for (int round = 0; round < 5; ++round) {
        withSamples.push_back(double(listingMemory(withDocuments)));
        withoutSamples.push_back(double(listingMemory(without)));
    }
    const double extra =
        (Bench::median(withSamples) - Bench::median(withoutSamples)) / (1024.0 * 1024.0);
    std::fprintf(stderr, "listing memory: with documents %.1f MB, without %.1f MB\n",
                 Bench::median(withSamples) / (1024.0 * 1024.0),
                 Bench::median(withoutSamples) / (1024.0 * 1024.0));
    Bench::report(QStringLiteral("extra resident memory listing 1,000 policies with 1 MB "
                                 "documents vs without"),
                  QString::number(extra, 'f', 1) + QStringLiteral(" MB"),
                  QStringLiteral("at most 30 MB"));
}

// One store kept open for the figures that change it.
struct OpenStore {
    explicit OpenStore(const QString& path)
        : controller(path, around.clock, around.log)
        , context(controller.container().viewContext())
        , policies(context.fetch(Policy::fetchRequest())) {}
    Surroundings around;
    PersistenceController controller;
    ManagedObjectContext& context;
    std::vector<std::shared_ptr<Policy>> policies;
};

void saveFigure(OpenStore& large, OpenStore& small) {
    std::mt19937_64 random(11);
    int round = 0;
    auto saveOne = [&](OpenStore& store) {
        const auto& policy = store.policies[random() % store.policies.size()];
        policy->setNotes(QStringLiteral("Chiamato il cliente, giro %1").arg(++round));
        if (!store.context.save()) {
            std::fprintf(stderr, "save failed\n");
        }
    };
    saveOne(large);
    saveOne(small);
    const std::vector<double> medians =
        Bench::medianSeconds({[&] { saveOne(large); }, [&] { saveOne(small); }}, 31);
    std::fprintf(stderr, "save one policy: 100,000 %.2f ms, 1,000 %.2f ms\n", medians[0] * 1e3,
                 medians[1] * 1e3);
    Bench::report(QStringLiteral("save one changed policy in 100,000 vs in 1,000"),
                  QString::number(medians[0] / medians[1], 'f', 2), QStringLiteral("at most 1.5"));
}

// Counts what a list model over the results would be told.
struct CountingListener final : LiveFetchResultsListener {
    int heard = 0;
    void willInsertRow(int) override { ++heard; }
    void didInsertRow(int) override { ++heard; }
    void willRemoveRow(int) override { ++heard; }
    void didRemoveRow(int) override { ++heard; }
    void willMoveRow(int, int) override { ++heard; }
    void didMoveRow(int, int) override { ++heard; }
    void didChangeRow(int) override { ++heard; }
    void willResetRows() override { ++heard; }
    void didResetRows() override { ++heard; }
};

void liveFetchFigure(OpenStore& large, OpenStore& small) {
    std::mt19937_64 random(13);
    struct Live {
        OpenStore& store;
        LiveFetchResults results;
        CountingListener listener;
        std::vector<double> untilSaved;
        std::vector<double> update;
    };
    Live lives[] = {{large, LiveFetchResults(large.context, policiesByExpiry()), {}, {}, {}},
                    {small, LiveFetchResults(small.context, policiesByExpiry()), {}, {}, {}}};
    for (Live& live : lives) {
        live.results.performFetch();
        live.results.addListener(&live.listener);
    }
    constexpr int kRounds = 41;
    for (int round = 0; round <= kRounds; ++round) {
        for (Live& live : lives) {
            const auto& policy = live.store.policies[random() % live.store.policies.size()];
            const Instant expiry(kNow.msSinceEpoch() + qint64(random() % (1200 * kDayMs)) -
                                 400 * kDayMs);
            const int before = live.listener.heard;
            const auto start = Clock_::now();
            // The results follow the change at once; the save makes it last.
            policy->setExpirationDate(expiry);
            const double update = secondsSince(start);
            live.store.context.save();
            const double untilSaved = secondsSince(start);
            if (live.listener.heard == before) {
                std::fprintf(stderr, "the live results heard nothing\n");
            }
            if (round > 0) {
                live.untilSaved.push_back(untilSaved);
                live.update.push_back(update);
            }
        }
    }
    const double largeMs = Bench::median(lives[0].untilSaved) * 1e3;
    const double ratio = Bench::median(lives[0].untilSaved) / Bench::median(lives[1].untilSaved);
    std::fprintf(stderr,
                 "live fetch: change and save 100,000 %.2f ms, 1,000 %.2f ms; the results' "
                 "update alone 100,000 %.1f us, 1,000 %.1f us (%.1f x)\n",
                 largeMs, Bench::median(lives[1].untilSaved) * 1e3,
                 Bench::median(lives[0].update) * 1e6, Bench::median(lives[1].update) * 1e6,
                 Bench::median(lives[0].update) / Bench::median(lives[1].update));
    Bench::report(QStringLiteral("live fetch of 100,000 policies up to date after a save that "
                                 "moves one, and vs the same over 1,000"),
                  QStringLiteral("%1 ms, %2").arg(largeMs, 0, 'f', 2).arg(ratio, 0, 'f', 2),
                  QStringLiteral("at most 20 ms, at most 3"));
}

void storeBench() {
    QTemporaryDir dir;
    const QString large = dir.filePath(QStringLiteral("large.sqlite"));
    const QString small = dir.filePath(QStringLiteral("small.sqlite"));
    const QString withDocuments = dir.filePath(QStringLiteral("documents.sqlite"));
    const QString withoutDocuments = dir.filePath(QStringLiteral("plain.sqlite"));
    const auto start = Clock_::now();
    buildStore(large, 100'000, 20'000, 0);
    buildStore(small, 1'000, 200, 0);
    buildStore(withDocuments, 1'000, 200, 1 << 20);
    buildStore(withoutDocuments, 1'000, 200, 0);
    std::fprintf(stderr, "stores built in %.1f s\n", secondsSince(start));

    memoryFigure(withDocuments, withoutDocuments);
    openAndFetchFigure(large);
    OpenStore largeStore(large);
    OpenStore smallStore(small);
    saveFigure(largeStore, smallStore);
    liveFetchFigure(largeStore, smallStore);
}

} // namespace

QS_BENCH_GROUP("store", storeBench);
