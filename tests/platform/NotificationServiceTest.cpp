#include "platform/DBusApplicationObject.h"
#include "platform/DBusNotificationService.h"
#include "support/InMemoryNotificationService.h"

#include <QCoreApplication>
#include <QDBusVariant>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {
void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
    }
}

NotificationRequest request(const QString& identifier, int day = 10) {
    return {
        identifier, "Policy Expiring Soon", "Casa (P-1) expires in 30 days", true, 2026, 7, day, 9,
        0};
}

QStringList identifiersOf(const QList<NotificationRequest>& requests) {
    QStringList identifiers;
    for (const NotificationRequest& r : requests) {
        identifiers.append(r.identifier);
    }
    return identifiers;
}
} // namespace

TEST(InMemoryNotificationService, AnswersLaterAndInTheOrderOfTheCalls) {
    InMemoryNotificationService service;
    QStringList events;
    service.add(request("policy-A-30"),
                [&](const auto& error) { events.append(error ? "add A failed" : "add A"); });
    service.add(request("policy-B-30"), [&](const auto&) { events.append("add B"); });
    service.removePending({"policy-A-30", "policy-UNKNOWN-7"});
    service.add(request("policy-B-30", 20), [&](const auto&) { events.append("replace B"); });
    service.pendingRequests([&](const QList<NotificationRequest>& pending) {
        events.append("list " + identifiersOf(pending).join(","));
        ASSERT_EQ(pending.size(), 1);
        EXPECT_EQ(pending[0].day, 20);
    });
    service.add(request("policy-C-30"), [&](const auto&) { events.append("add C"); });
    // Nothing is answered inside the calls themselves.
    EXPECT_TRUE(events.isEmpty());
    settle();
    EXPECT_EQ(events, QStringList({"add A", "add B", "replace B", "list policy-B-30", "add C"}));
    EXPECT_EQ(identifiersOf(service.pending()), QStringList({"policy-B-30", "policy-C-30"}));
}

TEST(InMemoryNotificationService, ReportsRefusedRequestsAsErrors) {
    InMemoryNotificationService service;
    std::vector<std::optional<QString>> answers;
    NotificationRequest invalid = request("policy-A-30");
    invalid.month = 2;
    invalid.day = 30;
    service.add(invalid, [&](const auto& error) { answers.push_back(error); });
    service.setAddError(QStringLiteral("Service unavailable"));
    service.add(request("policy-B-30"), [&](const auto& error) { answers.push_back(error); });
    settle();
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_TRUE(answers[0].has_value());
    EXPECT_EQ(answers[1], QStringLiteral("Service unavailable"));
    EXPECT_TRUE(service.pending().isEmpty());
}

TEST(InMemoryNotificationService, AuthorizationIsNotDeterminedUntilRequested) {
    using Status = NotificationService::AuthorizationStatus;
    InMemoryNotificationService service;
    std::vector<Status> statuses;
    std::vector<std::pair<bool, std::optional<QString>>> answers;
    service.authorizationStatus([&](Status s) { statuses.push_back(s); });
    service.setAuthorization(false, QStringLiteral("Refused"));
    service.requestAuthorization([&](bool granted, const std::optional<QString>& error) {
        answers.emplace_back(granted, error);
    });
    service.authorizationStatus([&](Status s) { statuses.push_back(s); });
    service.setAuthorization(true);
    service.authorizationStatus([&](Status s) { statuses.push_back(s); });
    settle();
    EXPECT_EQ(statuses,
              std::vector<Status>({Status::NotDetermined, Status::Denied, Status::Authorized}));
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0], std::make_pair(false, std::optional<QString>("Refused")));
}

TEST(InMemoryNotificationService, OpeningANotificationIsReportedWithItsIdentifier) {
    InMemoryNotificationService service;
    QSignalSpy opened(&service, &NotificationService::notificationOpened);
    service.open("policy-A-30", "token");
    EXPECT_EQ(opened.size(), 0);
    settle();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QVariantList({"policy-A-30", "token"}));
}

TEST(DBusApplicationObject, ReadsTheActivationTokenOfWaylandAndX11Launchers) {
    const QVariant wrapped = QVariant::fromValue(QDBusVariant(QStringLiteral("wrapped")));
    const std::pair<QVariantMap, QString> cases[] = {
        {{}, ""},
        {{{"activation-token", "wayland"}}, "wayland"},
        {{{"desktop-startup-id", "x11"}}, "x11"},
        {{{"activation-token", "wayland"}, {"desktop-startup-id", "x11"}}, "wayland"},
        {{{"activation-token", ""}, {"desktop-startup-id", "x11"}}, "x11"},
        {{{"activation-token", wrapped}}, "wrapped"},
    };
    for (const auto& [platformData, token] : cases) {
        EXPECT_EQ(DBusApplicationObject::activationToken(platformData), token)
            << token.toStdString();
    }
}

TEST(DBusNotificationService, TurnsTheOpenReminderActionIntoAnOpenedNotification) {
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    LogChannel log(devNull);
    DBusNotificationService service(QDBusConnection(QStringLiteral("not connected")), log);
    QSignalSpy opened(&service, &NotificationService::notificationOpened);
    DBusApplicationObject& application = *service.applicationObject();
    const QVariantMap token = {{"activation-token", "t1"}};
    application.ActivateAction(
        "open-reminder", {QVariant::fromValue(QDBusVariant(QStringLiteral("policy-A-7")))}, token);
    application.ActivateAction("open-reminder", {QStringLiteral("event-1")}, {});
    application.ActivateAction("other-action", {QStringLiteral("policy-B-7")}, token);
    application.ActivateAction("open-reminder", {}, token);
    application.ActivateAction("open-reminder", {QString()}, token);
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0], QVariantList({"policy-A-7", "t1"}));
    EXPECT_EQ(opened[1], QVariantList({"event-1", QString()}));
    ::close(devNull);
}

TEST(DBusNotificationService, AnUnreachableAgentIsAFailureNotASuccess) {
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    LogChannel log(devNull);
    DBusNotificationService service(QDBusConnection(QStringLiteral("not connected")), log);
    std::optional<std::optional<QString>> added;
    std::optional<QList<NotificationRequest>> listed;
    std::optional<bool> granted;
    std::optional<NotificationService::AuthorizationStatus> status;
    service.add(request("policy-A-30"), [&](const auto& error) { added = error; });
    service.pendingRequests([&](const auto& pending) { listed = pending; });
    service.requestAuthorization([&](bool g, const auto&) { granted = g; });
    service.authorizationStatus([&](auto s) { status = s; });
    settle();
    ASSERT_TRUE(added.has_value());
    EXPECT_TRUE(added->has_value());
    ASSERT_TRUE(listed.has_value());
    EXPECT_TRUE(listed->isEmpty());
    EXPECT_EQ(granted, false);
    EXPECT_EQ(status, NotificationService::AuthorizationStatus::Denied);
    ::close(devNull);
}
