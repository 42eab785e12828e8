#include "model/ZoneOffsetTable.h"

#include <gtest/gtest.h>

#include <random>

namespace {

qint64 zoneSays(const QTimeZone& zone, qint64 utcMs) {
    return qint64(zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(utcMs, Qt::UTC))) * 1000;
}

// Around the transitions of 1980 to 2045 (a millisecond before, at, after), across 2038, and at
// random instants from 1850 to 2300, the table gives what the zone itself says.
TEST(ZoneOffsetTable, GivesTheZonesOwnOffsetAtAndAroundEveryTransition) {
    const qint64 from = QDateTime(QDate(1850, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    const qint64 until = QDateTime(QDate(2300, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    std::mt19937_64 random(7);
    for (const QTimeZone& zone :
         {QTimeZone("Europe/Rome"), QTimeZone("Australia/Lord_Howe"), QTimeZone(5400)}) {
        ASSERT_TRUE(zone.isValid());
        const ZoneOffsetTable& table = ZoneOffsetTable::of(zone);
        std::vector<qint64> instants;
        for (const QTimeZone::OffsetData& transition :
             zone.transitions(QDateTime(QDate(1980, 1, 1), QTime(0, 0), Qt::UTC),
                              QDateTime(QDate(2045, 1, 1), QTime(0, 0), Qt::UTC))) {
            const qint64 at = transition.atUtc.toMSecsSinceEpoch();
            instants.insert(instants.end(), {at - 1, at, at + 1});
        }
        const qint64 from2037 =
            QDateTime(QDate(2037, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
        for (qint64 day = 0; day < 3 * 365; day += 5) {
            instants.push_back(from2037 + day * 86'400'000);
        }
        for (int i = 0; i < 120; ++i) {
            instants.push_back(from + qint64(random() % quint64(until - from)));
        }
        int wrong = 0;
        for (const qint64 at : instants) {
            if (table.offsetMsAt(at) != zoneSays(zone, at) && ++wrong <= 3) {
                ADD_FAILURE() << zone.id().toStdString() << " at "
                              << QDateTime::fromMSecsSinceEpoch(at, Qt::UTC)
                                     .toString(Qt::ISODateWithMs)
                                     .toStdString();
            }
        }
    }
}

} // namespace
