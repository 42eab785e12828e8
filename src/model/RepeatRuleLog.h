#pragma once

#include <QHash>
#include <QString>
#include <QUuid>

#include <mutex>

class LogChannel;

// Says why an event's repeat rule cannot be read, once per event and rule text: the agenda and
// the reminders expand the same rules for every month shown and every day, and one line tells
// the user all there is. A changed rule is said again. Safe from any thread.
class RepeatRuleLog final {
public:
    explicit RepeatRuleLog(LogChannel& log);

    // Writes "Error reading repeat rule: <why>" unless this event's `rule` was said already.
    void refused(const QUuid& event, const QString& rule, const QString& why);

    RepeatRuleLog(const RepeatRuleLog&) = delete;
    RepeatRuleLog& operator=(const RepeatRuleLog&) = delete;

private:
    LogChannel& m_log;
    std::mutex m_mutex;
    // The last refused rule said of each event.
    QHash<QUuid, QString> m_said;
};
