#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <memory>

TEST(NotificationCenter, AnObserverHearsOnlyItsNameAndOnlyWhileItsContextLives) {
    NotificationCenter center;
    int newPolicy = 0;
    int newTask = 0;
    auto window = std::make_unique<QObject>();
    center.addObserver(NotificationName::newPolicy, window.get(), [&] { ++newPolicy; });
    center.addObserver(NotificationName::newTask, window.get(), [&] { ++newTask; });

    center.post(QStringLiteral("newPolicy"));
    center.post(NotificationName::newEvent);
    center.post(NotificationName::showSharing);
    EXPECT_EQ(newPolicy, 1);
    EXPECT_EQ(newTask, 0);

    window.reset();
    center.post(NotificationName::newPolicy);
    EXPECT_EQ(newPolicy, 1);
}

TEST(NotificationCenter, NamesAreTheirRawStringsAndTheDefaultCenterIsOne) {
    EXPECT_EQ(NotificationName::newPolicy, QStringLiteral("newPolicy"));
    EXPECT_EQ(NotificationName::newEvent, QStringLiteral("newEvent"));
    EXPECT_EQ(NotificationName::newTask, QStringLiteral("newTask"));
    EXPECT_EQ(NotificationName::showSharing, QStringLiteral("showSharing"));
    EXPECT_EQ(&NotificationCenter::defaultCenter(), &NotificationCenter::defaultCenter());

    QObject context;
    int heard = 0;
    const QMetaObject::Connection connection = NotificationCenter::defaultCenter().addObserver(
        NotificationName::newEvent, &context, [&] { ++heard; });
    NotificationCenter::defaultCenter().post(NotificationName::newEvent);
    QObject::disconnect(connection);
    NotificationCenter::defaultCenter().post(NotificationName::newEvent);
    EXPECT_EQ(heard, 1);
}
