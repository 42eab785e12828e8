#pragma once

#include "backup/StoreRestore.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class Clock;
class Confirmation;
class LogChannel;
class ManagedObjectContext;
class QWidget;

// The way from a chosen backup to the store put back, shared by the restore sheet and the page
// of a store that could not be opened: the file is checked whole on a worker thread (a refused
// one says why and goes no further), the user is asked with what will change, and only then is
// the program asked to restore it. One file at a time.
class RestoreFlow final : public QObject {
    Q_OBJECT
public:
    struct RestoreBackup {
        // The program's restore: closes the store, puts `chosen` in its place, opens it again,
        // then `done` with what happened.
        std::function<void(const QString& chosen,
                           std::function<void(const RestoreOutcome& outcome)> done)>
            restore;
        // When set, checks `chosen` in the flow's place and meanwhile gets its restore ready,
        // so that once confirmed only the swap is left; `forget` drops what it got ready.
        std::function<void(const QString& chosen,
                           std::function<void(const StoreFileReport& report)> checked)>
            prepare = nullptr;
        std::function<void()> forget = nullptr;
    };

    struct Services {
        ManagedObjectContext& context;
        const Clock& clock;
        LogChannel& log;
        Confirmation& confirmation;
        RestoreBackup restoreBackup;
    };

    enum class Phase { Idle, Checking, Asking, Restoring };

    // `over` owns the flow, and the question is asked over its window.
    RestoreFlow(Services services, QWidget* over);
    // A check under way is stopped, and a restore made ready dropped; a restore under way
    // finishes, unheard.
    ~RestoreFlow() override;

    Phase phase() const { return m_phase; }
    // Checks `chosen`, asks, and restores; nothing while another file is on its way.
    void start(const QString& chosen);
    // Stops a check; a file already confirmed goes on.
    void stopChecking();

Q_SIGNALS:
    void phaseChanged(RestoreFlow::Phase phase);
    // The file cannot be restored: why, as a sentence for the screen.
    void refused(const QString& why);
    // The restore ran: restored, or why not.
    void finished(const RestoreOutcome& outcome);

private:
    void setPhase(Phase phase);
    void checked(const QString& chosen, const StoreFileReport& report);
    void forget();

    Services m_services;
    QWidget* m_over;
    Phase m_phase = Phase::Idle;
    std::shared_ptr<std::atomic<bool>> m_stop;
};
