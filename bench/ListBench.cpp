#include "Harness.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/LogChannel.h"
#include "platform/ManualClock.h"
#include "policies/PolicyListModel.h"
#include "store/ManagedObjectContext.h"

#include <QElapsedTimer>

#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

const Instant kNow(1'773'136'200'000); // 2026-03-10T09:50:00Z
constexpr qint64 kDayMs = 86'400'000;

const char* const kSyllables[] = {"ba", "ce", "di", "fo", "gu", "la", "me", "ni",
                                  "po", "ra", "si", "to", "va", "ze", "ri", "no",
                                  "ma", "lo", "te", "ca", "sa", "bi", "de", "li"};
const char* const kProviders[] = {
    "Generali", "Allianz", "UnipolSai",  "AXA Italia", "Zurich",     "Reale Mutua", "Cattolica",
    "Groupama", "Sara",    "Vittoria",   "Helvetia",   "Poste Vita", "Genertel",    "Linear",
    "Verti",    "Prima",   "Itas Mutua", "HDI",        "Aviva",      "Intesa Vita"};

QString madeUpName(std::mt19937_64& random) {
    QString text;
    const int syllables = 2 + int(random() % 3);
    for (int i = 0; i < syllables; ++i) {
        text += QLatin1String(kSyllables[random() % std::size(kSyllables)]);
    }
    text[0] = text[0].toUpper();
    return text;
}

// An in-memory store of `count` policies: made-up names of a client and a word, numbers,
// twenty insurers, expiries from a year past to two years ahead.
struct ListWorld {
    explicit ListWorld(int count)
        : nullFile(::open("/dev/null", O_WRONLY | O_CLOEXEC))
        , log(nullFile)
        , store(true, clock, log) {
        ManagedObjectContext& context = store.container().viewContext();
        std::mt19937_64 random(13);
        const char* const reminders[] = {"30", "30, 15, 7", "60, 30", "7"};
        for (int i = 0; i < count; ++i) {
            auto policy = context.insert<Policy>();
            policy->setName(madeUpName(random) + u' ' + madeUpName(random));
            policy->setPolicyNumber(
                QStringLiteral("POL-%1").arg(random() % 1'000'000, 6, 10, QLatin1Char('0')));
            policy->setProvider(QLatin1String(kProviders[random() % std::size(kProviders)]));
            policy->setExpirationDate(Instant(
                kNow.msSinceEpoch() + qint64(random() % (3 * 365 * kDayMs)) - 365 * kDayMs));
            policy->setCustomReminderDays(QLatin1String(reminders[random() % 4]));
        }
        context.save();
    }
    ~ListWorld() { ::close(nullFile); }

    ManualClock clock{kNow, QTimeZone("Europe/Rome")};
    int nullFile;
    LogChannel log;
    PersistenceController store;
};

double elapsedMs(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// The slowest keystroke of typing `word` into the search and erasing it again, letter by
// letter.
double worstKeystrokeMs(PolicyListModel& model, const QString& word) {
    double worst = 0;
    for (qsizetype length = 1; length <= word.size(); ++length) {
        worst = std::max(worst, elapsedMs([&] { model.setSearchText(word.left(length)); }));
    }
    for (qsizetype length = word.size() - 1; length >= 0; --length) {
        worst = std::max(worst, elapsedMs([&] { model.setSearchText(word.left(length)); }));
    }
    return worst;
}

void listBench() {
    ListWorld world(100'000);
    ManagedObjectContext& context = world.store.container().viewContext();
    std::unique_ptr<PolicyListModel> model;
    const double build =
        elapsedMs([&] { model = std::make_unique<PolicyListModel>(context, world.clock); });
    Bench::report(QStringLiteral("policy list: model over 100,000 policies built (ms)"),
                  QString::number(build, 'f', 1), QStringLiteral("printed"));

    double typing = 0;
    for (const PolicyFilter filter : {PolicyFilter::All, PolicyFilter::ExpiringSoon}) {
        model->setFilter(filter);
        for (const char* word : {"lamedi", "Generali", "pol-12"}) {
            typing = std::max(typing, worstKeystrokeMs(*model, QString::fromLatin1(word)));
        }
    }
    model->setFilter(PolicyFilter::All);
    Bench::report(QStringLiteral("policy list: worst keystroke typing and erasing a search, "
                                 "100,000 policies (ms)"),
                  QString::number(typing, 'f', 1), QStringLiteral("at most 16 ms"));

    double switching = 0;
    for (int round = 0; round < 3; ++round) {
        for (const PolicyFilter filter : {PolicyFilter::ExpiringSoon, PolicyFilter::Expired,
                                          PolicyFilter::All, PolicyFilter::Expired}) {
            switching = std::max(switching, elapsedMs([&] { model->setFilter(filter); }));
        }
        model->setSearchText(round == 1 ? QStringLiteral("a") : QString());
    }
    Bench::report(QStringLiteral("policy list: worst filter switch, 100,000 policies (ms)"),
                  QString::number(switching, 'f', 1), QStringLiteral("at most 16 ms"));

    const double minute =
        elapsedMs([&] { world.clock.advanceTo(Instant(kNow.msSinceEpoch() + 60'000)); });
    Bench::report(QStringLiteral("policy list: statuses and counters after a minute, "
                                 "100,000 policies (ms)"),
                  QString::number(minute, 'f', 1), QStringLiteral("at most 16 ms"));
}

} // namespace

QS_BENCH_GROUP("list", listBench);
