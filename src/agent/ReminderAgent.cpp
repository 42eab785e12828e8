#include "agent/ReminderAgent.h"

#include "model/CalendarMath.h"

#include <QHash>

#include <algorithm>

namespace {
constexpr QLatin1String kPolicyPrefix("policy-");

std::optional<Instant> dueInstant(const NotificationRequest& request, const QTimeZone& zone) {
    const qint64 msOfDay = (qint64(request.hour) * 60 + request.minute) * 60'000;
    // A minute skipped by a spring-forward fires at the first instant after the gap; a
    // repeated autumn minute reads as its first occurrence and, once shown, is gone.
    return CalendarMath::fromLocal(QDate(request.year, request.month, request.day), msOfDay, zone,
                                   CalendarMath::Gap::FirstInstantAfter);
}

// Why a valid minute can never be due: in the zone it names no instant of the calendar.
QString outsideCalendar(const NotificationRequest& request, const QTimeZone& zone) {
    const QString minute = QDate(request.year, request.month, request.day).toString(Qt::ISODate) +
                           QLatin1Char(' ') +
                           QTime(request.hour, request.minute).toString(QStringLiteral("HH:mm"));
    return QStringLiteral("The minute ") + minute + QStringLiteral(" in ") +
           QString::fromLatin1(zone.id()) +
           QStringLiteral(" lies outside the calendar, which spans the years 1 to 9999 in UTC");
}
} // namespace

ReminderAgent::ReminderAgent(Clock& clock, ReminderStore& store, NotificationPresenter& presenter,
                             LogChannel& log, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_store(store)
    , m_presenter(presenter)
    , m_log(log) {
    connect(&m_clock, &Clock::minuteChanged, this, &ReminderAgent::deliverDue);
    connect(&m_clock, &Clock::wallClockJumped, this, &ReminderAgent::deliverDue);
    connect(&m_clock, &Clock::timeZoneChanged, this, &ReminderAgent::deliverDue);
    connect(&m_presenter, &NotificationPresenter::serverAppeared, this, &ReminderAgent::deliverDue);
    connect(&m_presenter, &NotificationPresenter::activated, this, &ReminderAgent::onActivated);
    connect(&m_presenter, &NotificationPresenter::closed, this, &ReminderAgent::onClosed);
}

void ReminderAgent::start() {
    m_started = true;
    deliverDue();
}

std::optional<QString> ReminderAgent::refusal(const NotificationRequest& request,
                                              const QTimeZone& zone,
                                              std::optional<Instant>* at) const {
    if (std::optional<QString> invalid = request.validationError()) {
        return invalid;
    }
    *at = dueInstant(request, zone);
    if (!*at) {
        return outsideCalendar(request, zone);
    }
    return std::nullopt;
}

std::optional<QString> ReminderAgent::add(const NotificationRequest& request) {
    std::optional<Instant> at;
    if (std::optional<QString> refused = refusal(request, m_clock.timeZone(), &at)) {
        return refused;
    }
    std::optional<QString> error = m_store.put(request);
    if (!error && *at <= m_clock.now()) {
        // A request due already is shown now; any other waits for its minute, so an add reads
        // no other request.
        deliverDue();
    }
    return error;
}

QList<std::optional<QString>> ReminderAgent::addAll(const QList<NotificationRequest>& requests) {
    QList<std::optional<QString>> errors(requests.size());
    QList<NotificationRequest> accepted;
    QList<qsizetype> positions;
    bool dueNow = false;
    const Instant now = m_clock.now();
    // Read once: the system's zone is read afresh, from its file, at every call.
    const QTimeZone zone = m_clock.timeZone();
    for (qsizetype i = 0; i < requests.size(); ++i) {
        std::optional<Instant> at;
        errors[i] = refusal(requests[i], zone, &at);
        if (!errors[i]) {
            accepted.append(requests[i]);
            positions.append(i);
            dueNow = dueNow || *at <= now;
        }
    }
    if (const std::optional<QString> failure = m_store.putAll(accepted)) {
        for (const qsizetype i : positions) {
            errors[i] = failure;
        }
        return errors;
    }
    if (dueNow) {
        deliverDue();
    }
    return errors;
}

void ReminderAgent::remove(const QStringList& identifiers) {
    if (const std::optional<QString> error = m_store.remove(identifiers)) {
        m_log.write(QStringLiteral("Error removing pending reminders: "), *error);
    }
}

QList<NotificationRequest> ReminderAgent::pending() const {
    QString error;
    const QList<ReminderStore::Row> rows = m_store.all(&error);
    if (!error.isEmpty()) {
        m_log.write(QStringLiteral("Error listing pending reminders: "), error);
    }
    QList<NotificationRequest> requests;
    requests.reserve(rows.size());
    for (const ReminderStore::Row& row : rows) {
        requests.append(row.request);
    }
    return requests;
}

void ReminderAgent::authorizationStatus(
    std::function<void(NotificationService::AuthorizationStatus)> done) {
    using Status = NotificationService::AuthorizationStatus;
    if (!m_store.authorizationRequested()) {
        done(Status::NotDetermined);
        return;
    }
    m_presenter.probe([done = std::move(done)](bool answers) {
        done(answers ? Status::Authorized : Status::Denied);
    });
}

void ReminderAgent::requestAuthorization(
    std::function<void(bool granted, const QString& error)> done) {
    // Linux desktops ask no permission to notify: asking only records that the program asked.
    if (const std::optional<QString> error = m_store.setAuthorizationRequested()) {
        done(false, *error);
        return;
    }
    m_presenter.probe([done = std::move(done)](bool answers) {
        done(answers, answers ? QString() : QStringLiteral("No notification server answers"));
    });
}

QString ReminderAgent::policyKey(const QString& identifier) {
    if (!identifier.startsWith(kPolicyPrefix)) {
        return QString();
    }
    // "policy-" + id + "-" + day, where the day may itself start with "-".
    qsizetype cut = identifier.lastIndexOf(u'-');
    if (cut <= kPolicyPrefix.size()) {
        return QString();
    }
    if (identifier.at(cut - 1) == u'-') {
        --cut;
    }
    return cut > kPolicyPrefix.size() ? identifier.left(cut) : QString();
}

QList<ReminderAgent::Due> ReminderAgent::dueNow() {
    const Instant now = m_clock.now();
    const QTimeZone zone = m_clock.timeZone();
    // Offsets move a wall time by hours at most, so a day of margin finds every candidate;
    // the exact instant of each then decides.
    const CalendarMath::LocalDateTime local = CalendarMath::toLocal(now, zone);
    const QDate horizon = local.date.addDays(1);
    const qint64 minuteOfDay = local.msOfDay / 60'000;
    const qint64 bound = ReminderStore::wallKey(horizon.year(), horizon.month(), horizon.day(),
                                                int(minuteOfDay / 60), int(minuteOfDay % 60));
    QString error;
    const QList<ReminderStore::Row> candidates = m_store.upTo(bound, &error);
    if (!error.isEmpty()) {
        m_log.write(QStringLiteral("Error reading pending reminders: "), error);
    }
    QList<Due> due;
    for (const ReminderStore::Row& row : candidates) {
        std::optional<Instant> at = dueInstant(row.request, zone);
        // A valid minute has no instant only at the ends of the calendar: one accepted in an
        // earlier zone that now falls before the first instant is long past.
        if (!at && row.request.year == 1) {
            at = Instant(Instant::kMinMs);
        }
        if (at && *at <= now) {
            due.append({row, *at});
        }
    }
    return due;
}

void ReminderAgent::deliverDue() {
    if (!m_started) {
        return;
    }
    QList<Due> due = dueNow();
    if (due.isEmpty()) {
        return;
    }
    // Of several reminders of one policy found due together (missed while the agent was not
    // running, during a suspend, or with no server), only the latest still tells the truth.
    std::stable_sort(due.begin(), due.end(),
                     [](const Due& a, const Due& b) { return a.at < b.at; });
    QHash<QString, qsizetype> latestOfPolicy;
    for (qsizetype i = 0; i < due.size(); ++i) {
        const QString key = policyKey(due[i].row.request.identifier);
        if (!key.isEmpty()) {
            latestOfPolicy.insert(key, i);
        }
    }
    QList<qint64> dropped;
    QList<ReminderStore::Row> toShow;
    for (qsizetype i = 0; i < due.size(); ++i) {
        const QString key = policyKey(due[i].row.request.identifier);
        if (!key.isEmpty() && latestOfPolicy.value(key) != i) {
            if (!m_inFlight.contains(due[i].row.rowId)) {
                dropped.append(due[i].row.rowId);
            }
        } else {
            toShow.append(due[i].row);
        }
    }
    if (const std::optional<QString> error = m_store.removeRows(dropped)) {
        m_log.write(QStringLiteral("Error dropping older reminders: "), *error);
    }
    for (const ReminderStore::Row& row : toShow) {
        if (m_inFlight.contains(row.rowId)) {
            continue;
        }
        m_inFlight.insert(row.rowId);
        m_presenter.show(row.request, [this, row](std::optional<quint32> id, const QString& error) {
            onShown(row, id, error);
        });
    }
}

void ReminderAgent::onShown(const ReminderStore::Row& row, std::optional<quint32> id,
                            const QString& error) {
    m_inFlight.remove(row.rowId);
    if (!id) {
        // Kept pending: shown at the next minute or as soon as a server appears.
        if (!m_failureLogged.contains(row.rowId)) {
            m_failureLogged.insert(row.rowId);
            m_log.write(QStringLiteral("Error showing reminder ") + row.request.identifier +
                            QStringLiteral(": "),
                        error);
        }
        return;
    }
    m_failureLogged.remove(row.rowId);
    // Only the version that was shown is removed: a replacement added meanwhile stays. The
    // notification is kept with its server, which may report its opening after a restart.
    if (const std::optional<QString> failure =
            m_store.recordShown(row.rowId, m_presenter.server(), *id, row.request.identifier)) {
        m_log.write(QStringLiteral("Error recording shown reminder ") + row.request.identifier +
                        QStringLiteral(": "),
                    *failure);
    }
}

void ReminderAgent::onActivated(quint32 id, const QString& activationToken) {
    QString error;
    const std::optional<QString> identifier = m_store.takeShown(m_presenter.server(), id, &error);
    if (!error.isEmpty()) {
        m_log.write(QStringLiteral("Error recording shown reminder ") +
                        identifier.value_or(QStringLiteral("#%1").arg(id)) + QStringLiteral(": "),
                    error);
    }
    if (identifier) {
        Q_EMIT openRequested(*identifier, activationToken);
    }
}

void ReminderAgent::onClosed(quint32 id) {
    if (const std::optional<QString> error = m_store.forgetShown(m_presenter.server(), id)) {
        m_log.write(QStringLiteral("Error recording shown reminder #%1: ").arg(id), *error);
    }
}
