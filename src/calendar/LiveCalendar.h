#pragma once

#include "store/ContextObserver.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

class Clock;
class LogChannel;
class ManagedObjectContext;
class QTimer;

// The calendar file kept beside the store while the user wants it, for GNOME Calendar,
// Evolution or Thunderbird to subscribe to. After a save that changed something the file shows
// (a policy's name, number, expiry, reminder days or client; any event; a task but for its
// checklist), and a moment after the last of a burst of such saves, the store is read here and
// the text is made and written on a worker thread, atomically. A text the file already holds
// is not written again. Turned off, the file is removed, so that no calendar shows a stale one.
//
// A file that cannot be written is one line, "Error writing calendar: " and why, once until
// the next success; the program runs on, and the next save tries again.
class LiveCalendar final : public QObject, private ContextObserver {
    Q_OBJECT
public:
    struct Services {
        ManagedObjectContext& context;
        const Clock& clock;
        LogChannel& log;
    };

    static constexpr int kDefaultDelayMs = 2000;

    LiveCalendar(Services services, QString path, int delayMs = kDefaultDelayMs,
                 QObject* parent = nullptr);
    // A change still waiting for its delay is written before this returns.
    ~LiveCalendar() override;

    // "Quintaver.ics" in the store's own folder.
    static QString fileBeside(const QString& store);

    const QString& path() const { return m_path; }
    // The address a calendar program subscribes to: file:///…
    QUrl url() const { return QUrl::fromLocalFile(m_path); }

    bool isEnabled() const { return m_enabled; }
    // On: the file is brought up to date at once (off this thread). Off: it is removed.
    void setEnabled(bool on);
    // After every save that succeeded.
    void noteSaved();

    // Why the file could not be written the last time, until it is.
    const std::optional<QString>& failure() const { return m_failure; }
    bool isBusy() const { return m_busy; }

Q_SIGNALS:
    // A check of the file finished: written anew, or left as it was (it held the text
    // already, or it could not be written: see failure()).
    void updated(bool written);
    void failureChanged();

private:
    struct Outcome {
        bool written = false;
        std::optional<QString> error;
    };

    void objectWillChange(const ObjectChange&) override {}
    void objectDidChange(const ObjectChange& change) override;
    void contextWillBeDestroyed() override;
    void contextWillReload() override {}
    void contextDidReload() override;

    // Something the file shows changed: written after the delay.
    void markChanged();
    void update();
    void finished(const Outcome& outcome);
    void setFailure(const std::optional<QString>& failure);
    void removeFile();

    Services m_services;
    ManagedObjectContext* m_context;
    QString m_path;
    QTimer* m_delay;
    bool m_enabled = false;
    // Changed since the file was last brought up to date.
    bool m_changed = false;
    bool m_busy = false;
    // An update asked for while one runs.
    bool m_again = false;
    std::optional<QString> m_failure;
};
