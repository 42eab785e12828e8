#include "Harness.h"
#include "model/StatusClassifier.h"
#include "support/TimeHelpers.h"

#include <QDateTime>

#include <cstdio>
#include <random>

namespace {

using TimeHelpers::kDayMs;

struct Row {
    Instant expirationDate;
    qint64 horizon;
};

void statusBench() {
    constexpr int kPolicies = 100'000;
    const QTimeZone zone("Europe/Rome");
    const Instant now = Instant::fromDateTime(
        QDateTime::fromString(QStringLiteral("2026-03-28T10:15:00Z"), Qt::ISODate));
    std::mt19937_64 random(42);
    std::uniform_int_distribution<qint64> offsetMs(-400 * kDayMs, 800 * kDayMs);
    const qint64 horizons[] = {0, 7, 15, 30, 45, 60, 90, 120, 365, -1};
    std::vector<Row> rows;
    rows.reserve(kPolicies);
    for (int i = 0; i < kPolicies; ++i) {
        rows.push_back({Instant(now.msSinceEpoch() + offsetMs(random)), horizons[random() % 10]});
    }
    std::vector<PolicyStatus> statuses(kPolicies);

    const auto classified = [&] {
        // A new classifier per pass, as each redraw of a list makes one at its own "now".
        StatusClassifier classifier(now, zone);
        const Row* row = rows.data();
        PolicyStatus* out = statuses.data();
        for (int i = 0; i < kPolicies; ++i) {
            out[i] = classifier.classify(row[i].expirationDate, row[i].horizon);
        }
        Bench::doNotOptimize(statuses.data());
    };
    const qint64 threshold = now.msSinceEpoch();
    const auto plain = [&] {
        const Row* row = rows.data();
        PolicyStatus* out = statuses.data();
        for (int i = 0; i < kPolicies; ++i) {
            out[i] = row[i].expirationDate.msSinceEpoch() < threshold ? PolicyStatus::Expired
                                                                      : PolicyStatus::Active;
        }
        Bench::doNotOptimize(statuses.data());
    };
    const std::vector<double> medians = Bench::medianSeconds({classified, plain}, 41);
    std::fprintf(stderr, "classified %.1f us, plain %.1f us\n", medians[0] * 1e6, medians[1] * 1e6);
    Bench::report(QStringLiteral("classify 100,000 policies vs one comparison each"),
                  QString::number(medians[0] / medians[1], 'f', 2), QStringLiteral("at most 2.0"));
}

} // namespace

QS_BENCH_GROUP("status", statusBench);
