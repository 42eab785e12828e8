#pragma once

#include "platform/NotificationRequest.h"
#include "store/SqliteConnection.h"
#include "store/SqliteQuery.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// The agent's own file of pending requests. Every change is one transaction that is on disk
// (write-ahead log, synchronous FULL) before the call returns, so a request that the agent
// acknowledged survives the agent being killed at any moment.
class ReminderStore final {
public:
    // A pending request and the row that holds it; replacing a request gives it a new row, and
    // no row id is given twice while the store is open, so a row names one version of one
    // request.
    struct Row {
        qint64 rowId = 0;
        NotificationRequest request;
    };

    // Opens or creates the file (mode 0600, and its folder 0700 when the store creates it).
    // No value, and the reason in `error`, when that fails.
    static std::unique_ptr<ReminderStore> open(const QString& path, QString* error);

    // Replaces a pending request with the same identifier.
    std::optional<QString> put(const NotificationRequest& request);
    // Several at once, in one transaction: all held, or none.
    std::optional<QString> putAll(const QList<NotificationRequest>& requests);
    std::optional<QString> remove(const QStringList& identifiers);
    // Removes the row only if it still holds the version that was read.
    std::optional<QString> removeRow(qint64 rowId);
    // Removes several rows at once, in one transaction.
    std::optional<QString> removeRows(const QList<qint64>& rowIds);

    // Every pending request, in the order the requests were added.
    QList<Row> all(QString* error = nullptr) const;
    // The pending requests whose wall-clock minute is at most the given one.
    QList<Row> upTo(qint64 wallKey, QString* error = nullptr) const;
    qint64 count() const;

    // The notifications shown and not yet opened or closed, by the server that shows them, so
    // that one shown before the agent restarted can still be opened. Recording a notification
    // also removes the row it showed and forgets those of any other server.
    std::optional<QString> recordShown(qint64 rowId, const QString& server, quint32 notificationId,
                                       const QString& identifier);
    // The request of a recorded notification, forgotten as it is taken, so it is taken once.
    // No value when none is recorded; `error` tells of a failure to read or to forget.
    std::optional<QString> takeShown(const QString& server, quint32 notificationId, QString* error);
    std::optional<QString> forgetShown(const QString& server, quint32 notificationId);

    bool authorizationRequested() const;
    std::optional<QString> setAuthorizationRequested();

    // A wall-clock minute as one sortable number: 2026-03-29 02:30 is 202603290230.
    static qint64 wallKey(int year, int month, int day, int hour, int minute);

private:
    explicit ReminderStore(std::unique_ptr<SqliteConnection> db);
    std::optional<QString> inTransaction(const std::function<std::optional<QString>()>& work);
    QList<Row> rows(const char* sql, std::optional<qint64> bound, QString* error) const;

    std::unique_ptr<SqliteConnection> m_db;
    std::unique_ptr<SqliteQuery> m_put;
    // The largest row id given out since opening, or found at opening.
    qint64 m_lastRowId = 0;
};
