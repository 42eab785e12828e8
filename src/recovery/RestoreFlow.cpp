#include "recovery/RestoreFlow.h"

#include "backup/StoreFileCheck.h"
#include "model/Contact.h"
#include "model/Policy.h"
#include "platform/BackgroundWork.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"
#include "recovery/RestoreTexts.h"
#include "store/ManagedObjectContext.h"
#include "ui/Confirmation.h"

#include <QFileInfo>
#include <QPointer>
#include <QWidget>

RestoreFlow::RestoreFlow(Services services, QWidget* over)
    : QObject(over)
    , m_services(std::move(services))
    , m_over(over) {}

RestoreFlow::~RestoreFlow() {
    if (m_stop) {
        *m_stop = true;
    }
    // Never to be confirmed now.
    if (m_phase == Phase::Checking || m_phase == Phase::Asking) {
        forget();
    }
}

void RestoreFlow::setPhase(Phase phase) {
    if (m_phase != phase) {
        m_phase = phase;
        Q_EMIT phaseChanged(phase);
    }
}

void RestoreFlow::start(const QString& chosen) {
    if (m_phase != Phase::Idle) {
        return;
    }
    auto stop = std::make_shared<std::atomic<bool>>(false);
    m_stop = stop;
    setPhase(Phase::Checking);
    if (const auto& prepare = m_services.restoreBackup.prepare) {
        prepare(chosen, [self = QPointer(this), chosen](const StoreFileReport& report) {
            if (self) {
                self->checked(chosen, report);
            }
        });
        return;
    }
    runInBackground<StoreFileReport>(
        this, [chosen, stop] { return StoreFileCheck::check(chosen, stop.get()); },
        [this, chosen](const StoreFileReport& report) { checked(chosen, report); });
}

void RestoreFlow::stopChecking() {
    if (m_stop) {
        *m_stop = true;
    }
    // The program's own check is not heard from again once stopped.
    if (m_phase == Phase::Checking && m_services.restoreBackup.prepare) {
        forget();
        setPhase(Phase::Idle);
    }
}

void RestoreFlow::forget() {
    if (m_services.restoreBackup.forget) {
        m_services.restoreBackup.forget();
    }
}

void RestoreFlow::checked(const QString& chosen, const StoreFileReport& report) {
    m_stop.reset();
    if (report.problem == StoreFileReport::Problem::Stopped) {
        setPhase(Phase::Idle);
        return;
    }
    if (!report.isWhole()) {
        m_services.log.write(QStringLiteral("Error restoring backup: "),
                             chosen + QStringLiteral(": ") + report.why);
        setPhase(Phase::Idle);
        Q_EMIT refused(QStringLiteral("«%1» non si può ripristinare: %2")
                           .arg(QFileInfo(chosen).fileName(), RestoreTexts::refusal(report)));
        return;
    }
    // What the user has now: the objects the screens show, nothing at all when the store
    // could not be opened.
    ManagedObjectContext& context = m_services.context;
    const auto policiesNow = qint64(context.fetch(Policy::fetchRequest()).size());
    const auto contactsNow = qint64(context.fetch(Contact::fetchRequest()).size());
    const QLocale locale = m_services.clock.locale();
    const QString date = RestoreTexts::dateOf(chosen, m_services.clock.timeZone(), locale);
    setPhase(Phase::Asking);
    m_services.confirmation.ask(
        m_over, RestoreTexts::question(date, report, policiesNow, contactsNow, locale),
        [self = QPointer(this), chosen](bool confirmed) {
            if (!self) {
                return;
            }
            if (!confirmed) {
                self->forget();
                self->setPhase(Phase::Idle);
                return;
            }
            self->setPhase(Phase::Restoring);
            self->m_services.restoreBackup.restore(chosen, [self](const RestoreOutcome& outcome) {
                if (self) {
                    self->setPhase(Phase::Idle);
                    Q_EMIT self->finished(outcome);
                }
            });
        });
}
