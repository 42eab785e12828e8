#include "model/RepeatRuleLog.h"

#include "model/RecurrenceExpansion.h"
#include "platform/LogChannel.h"

RepeatRuleLog::RepeatRuleLog(LogChannel& log)
    : m_log(log) {}

void RepeatRuleLog::refused(const QUuid& event, const QString& rule, const QString& why) {
    {
        const std::lock_guard lock(m_mutex);
        const auto said = m_said.constFind(event);
        if (said != m_said.cend() && *said == rule) {
            return;
        }
        m_said.insert(event, rule);
    }
    m_log.write(QString(RecurrenceExpansion::kErrorPrefix), why);
}
