#include "Harness.h"
#include "PolicyWorld.h"
#include "model/Category.h"
#include "model/Policy.h"
#include "policies/PolicyListFilter.h"
#include "policies/PolicyListModel.h"
#include "store/ManagedObjectContext.h"

#include <QElapsedTimer>

#include <random>

namespace {

using PolicyWorld::kNow;

using Bench::elapsedMs;

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
    PolicyWorld::InMemory world(100'000);
    ManagedObjectContext& context = world.store.container().viewContext();
    std::unique_ptr<PolicyListModel> model;
    const double build =
        elapsedMs([&] { model = std::make_unique<PolicyListModel>(context, world.clock); });
    Bench::report(QStringLiteral("policy list: model over 100,000 policies built (ms)"),
                  QString::number(build, 'f', 1), QStringLiteral("printed"));
    // Search keys are made while the program idles after its first paint.
    Bench::idle(300);

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

    // Five categories, each policy filed under one of them but a sixth left without: the
    // filter reads the category each row keeps.
    std::vector<std::shared_ptr<Category>> categories;
    for (const char* name : {"Auto", "Casa", "Vita", "Salute", "Viaggi"}) {
        auto category = context.insert<Category>();
        category->setName(QString::fromLatin1(name));
        category->setColor(QStringLiteral("blue"));
        categories.push_back(category);
    }
    {
        int next = 0;
        for (const auto& policy : context.fetch(Policy::fetchRequest())) {
            if (next % 6 < 5) {
                policy->setCategory(categories[size_t(next % 6)]);
            }
            ++next;
        }
        context.save();
    }
    double categorySwitch = 0;
    for (int round = 0; round < 3; ++round) {
        for (const auto& category : categories) {
            categorySwitch =
                std::max(categorySwitch, elapsedMs([&] { model->setCategory(category.get()); }));
        }
        categorySwitch = std::max(categorySwitch, elapsedMs([&] { model->setCategory(nullptr); }));
        model->setFilter(round == 1 ? PolicyFilter::ExpiringSoon : PolicyFilter::All);
    }
    Bench::report(QStringLiteral("policy list: worst category filter switch, 100,000 policies "
                                 "(ms)"),
                  QString::number(categorySwitch, 'f', 1), QStringLiteral("at most 16 ms"));
    model->setFilter(PolicyFilter::All);
    model->setCategory(categories[2].get());
    double categoryTyping = 0;
    for (const char* word : {"lamedi", "Generali", "pol-12"}) {
        categoryTyping =
            std::max(categoryTyping, worstKeystrokeMs(*model, QString::fromLatin1(word)));
    }
    Bench::report(QStringLiteral("policy list: worst keystroke with a category chosen, "
                                 "100,000 policies (ms)"),
                  QString::number(categoryTyping, 'f', 1), QStringLiteral("at most 16 ms"));
    model->setCategory(nullptr);

    auto unsettled = std::make_unique<PolicyListModel>(context, world.clock);
    const double first = elapsedMs([&] { unsettled->setSearchText(QStringLiteral("l")); });
    Bench::report(QStringLiteral("policy list: a keystroke straight after the model is built, "
                                 "before any idle turn, 100,000 policies (ms)"),
                  QString::number(first, 'f', 1), QStringLiteral("printed"));

    const double minute =
        elapsedMs([&] { world.clock.advanceTo(Instant(kNow.msSinceEpoch() + 60'000)); });
    Bench::report(QStringLiteral("policy list: statuses and counters after a minute, "
                                 "100,000 policies (ms)"),
                  QString::number(minute, 'f', 1), QStringLiteral("at most 16 ms"));
}

// The search keys of one idle turn's worth of policies (4,000) whose names and providers are
// not plain ASCII, composed and decomposed: the slow road of case folding and composing.
void accentedKeysBench() {
    std::mt19937_64 random(29);
    const QString endings[] = {QStringLiteral(" Caff\u00E8"), QStringLiteral(" Caffe\u0300"),
                               QStringLiteral(" STRA\u1E9EE"), QStringLiteral(" \u00D1and\u00FA")};
    std::vector<QString> names;
    for (int i = 0; i < 4000; ++i) {
        names.push_back(PolicyWorld::madeUpName(random) + endings[i % 4]);
    }
    const QString provider = QStringLiteral("Societ\u00E0 Reale");
    const QLocale locale(QLocale::Italian, QLocale::Italy);
    std::vector<double> samples;
    for (int round = 0; round < 15; ++round) {
        samples.push_back(elapsedMs([&] {
            for (const QString& name : names) {
                Bench::doNotOptimize(
                    PolicyListFilter::searchKeys(name, QStringLiteral("POL-1"), provider, locale));
            }
        }));
    }
    Bench::report(QStringLiteral("policy list: search keys of 4,000 policies with accented "
                                 "names, one idle turn (ms, median of 15)"),
                  QString::number(Bench::median(samples), 'f', 1), QStringLiteral("at most 16 ms"));
}

} // namespace

QS_BENCH_GROUP("list", listBench);
QS_BENCH_GROUP("list", accentedKeysBench);
