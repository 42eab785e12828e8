#include "store/Value.h"

#include <gtest/gtest.h>

TEST(ValueOrder, TextFollowsCodePointsNotUtf16Units) {
    const QString house = QString::fromUtf8("\xf0\x9f\x8f\xa0"); // U+1F3E0, a surrogate pair
    const QString private_ = QString::fromUtf8("\xee\x80\x80");  // U+E000
    EXPECT_LT(QString::compare(house, private_), 0) << "UTF-16 order puts the pair first";
    EXPECT_GT(ValueOrder::compareText(house, private_), 0);
    EXPECT_LT(ValueOrder::compareText(u"B", u"a"), 0);
    EXPECT_LT(ValueOrder::compareText(u"a", u"ab"), 0);
    EXPECT_EQ(ValueOrder::compareText(u"é", u"é"), 0);
}

TEST(ValueOrder, AbsentSortsFirstAndNumbersMeetBooleans) {
    EXPECT_LT(ValueOrder::compare(Value(), Value(Instant(-5))), 0);
    EXPECT_EQ(ValueOrder::compare(Value(), Value()), 0);
    EXPECT_TRUE(ValueOrder::equal(Value(true), Value(qint64(1))));
    EXPECT_FALSE(ValueOrder::equal(Value(QString()), Value()));
    EXPECT_FALSE(ValueOrder::equal(Value(QByteArray("")), Value()));
    const QUuid low = QUuid::fromString(u"00000000-0000-0000-0000-0000000000FF");
    const QUuid high = QUuid::fromString(u"A0000000-0000-0000-0000-000000000000");
    EXPECT_LT(ValueOrder::compareUuid(low, high), 0);
    EXPECT_EQ(uuidText(high), u"A0000000-0000-0000-0000-000000000000");
}
