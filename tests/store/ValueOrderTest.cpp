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

TEST(ValueOrder, TextPrefixRanksNeverContradictTheFullOrder) {
    const QString texts[] = {QString(),
                             QStringLiteral("a"),
                             QStringLiteral("ab"),
                             QStringView(u"ab\u0000", 3).toString(),
                             QStringView(u"ab\u0000x", 4).toString(),
                             QStringLiteral("abcd"),
                             QStringLiteral("abcde"),
                             QStringLiteral("abce"),
                             QStringLiteral("B"),
                             QString(QChar(0x00E9)),
                             QString(QChar(0xE000)),
                             QString(QChar(0xFFFF)),
                             QString::fromUcs4(U"\U0001F600"),
                             QString::fromUcs4(U"a\U0001F600")};
    for (const QString& a : texts) {
        for (const QString& b : texts) {
            const qint64 ra = ValueOrder::textPrefixRank(a);
            const qint64 rb = ValueOrder::textPrefixRank(b);
            const int full = ValueOrder::compareText(a, b);
            if (ra != rb) {
                EXPECT_EQ(ra < rb, full < 0) << a.toStdString() << " / " << b.toStdString();
            }
        }
    }
    // Texts that differ within four characters do not tie.
    EXPECT_LT(ValueOrder::textPrefixRank(u"abcd"), ValueOrder::textPrefixRank(u"abce"));
    EXPECT_EQ(ValueOrder::textPrefixRank(u"abcde"), ValueOrder::textPrefixRank(u"abcdz"));
}
