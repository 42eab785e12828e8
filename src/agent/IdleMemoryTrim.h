#pragma once

#include <QObject>
#include <QTimer>

// Gives memory back to the system once the agent has been left alone for a while. A burst of
// calls (many policies scheduled at once) fills the bus's queues; the allocator keeps what they
// freed, so an idle agent would hold it for good.
class IdleMemoryTrim final : public QObject {
    Q_OBJECT
public:
    explicit IdleMemoryTrim(QObject* parent = nullptr);

    // Something was done: trim once nothing more has been done for a second.
    void touch();

private:
    QTimer m_quiet;
};
