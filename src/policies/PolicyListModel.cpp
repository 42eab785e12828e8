#include "policies/PolicyListModel.h"

#include "model/CalendarMath.h"
#include "model/Category.h"
#include "model/ClientNotice.h"
#include "model/ClientReminderMessage.h"
#include "model/Policy.h"
#include "model/PolicyRules.h"
#include "platform/Clock.h"
#include "store/LiveFetchResults.h"
#include "store/ManagedObjectContext.h"
#include "ui/ItemDataRole.h"

#include <QTimer>

#include <utility>

namespace {

std::unique_ptr<LiveFetchResults> policiesByExpiry(ManagedObjectContext& context) {
    FetchRequest<Policy> request = Policy::fetchRequest();
    request.setSortDescriptors({SortDescriptor{QStringLiteral("expirationDate"), true}});
    return std::make_unique<LiveFetchResults>(context, request);
}

const Policy& policyOf(const ManagedObject* object) {
    return static_cast<const Policy&>(*object);
}

} // namespace

PolicyListModel::PolicyListModel(ManagedObjectContext& context, const Clock& clock, QObject* parent)
    : FilteredResultsModel(policiesByExpiry(context), parent)
    , m_clock(clock)
    , m_searchLocale(clock.locale())
    , m_rule(m_searchLocale) {
    for (auto signal : {&Clock::minuteChanged, &Clock::dayChanged, &Clock::timeZoneChanged,
                        &Clock::wallClockJumped}) {
        connect(&m_clock, signal, this, &PolicyListModel::followClock);
    }
    takeClock();
    beginResetModel();
    fetchRows();
    endResetModel();
    m_filling = true;
    QTimer::singleShot(0, this, &PolicyListModel::fillSomeKeys);
}

void PolicyListModel::setFilter(PolicyFilter filter) {
    PolicyListFilter rule = m_rule;
    rule.setFilter(filter);
    applyRule(rule);
}

void PolicyListModel::setSearchText(const QString& text) {
    PolicyListFilter rule = m_rule;
    rule.setSearchText(text);
    applyRule(rule);
}

void PolicyListModel::setCategory(const ManagedObject* category) {
    PolicyListFilter rule = m_rule;
    rule.setCategory(category);
    applyRule(rule);
}

bool PolicyListModel::admits(const Row& row) const {
    return m_rule.admits(row.status, row.notified, row.keys, [&row] { return row.category; });
}

QVariant PolicyListModel::rowData(const Row& row, int role) const {
    switch (role) {
    case TitleRole:
        return policyOf(row.object).name();
    case SubtitleRole:
        return policyOf(row.object).provider();
    case DetailRole:
        return dateText(row);
    case ColorNameRole:
        return PolicyStatusRules::colorName(row.status);
    case NoteRole:
        if (row.status != PolicyStatus::ExpiringSoon) {
            return QString();
        }
        return PolicyStatusRules::rowRemainingPhrase(PolicyRules::daysUntilExpiration(
            m_classifier->now(), policyOf(row.object).expirationDate(), m_zone));
    case NotifiedRole:
        return row.notified;
    case CategoryColorRole:
        if (const std::shared_ptr<Category> category = policyOf(row.object).category()) {
            return category->color();
        }
        return {};
    case Qt::AccessibleTextRole:
        return accessibleText(row);
    default:
        return {};
    }
}

PolicyListModel::Row PolicyListModel::newRow(ManagedObject* object, bool withKeys) {
    const Policy& policy = policyOf(object);
    const qint64 horizon = policy.reminderHorizon();
    Row row{object,
            horizon,
            m_classifier->classify(policy.expirationDate(), horizon),
            false,
            {},
            false,
            policy.categoryObject()};
    row.notified = notifiedOf(row);
    if (withKeys) {
        giveKeys(row);
    }
    return row;
}

// Worked out for expiring policies alone: the others need no answer, and it costs a calendar
// computation for each policy whose client was ever told.
bool PolicyListModel::notifiedOf(const Row& row) const {
    if (row.status != PolicyStatus::ExpiringSoon) {
        return false;
    }
    const Policy& policy = policyOf(row.object);
    return ClientNotice::toldInWindow(policy.lastNotified(), policy.expirationDate(), row.horizon,
                                      m_zone);
}

void PolicyListModel::giveKeys(Row& row) const {
    row.keys = PolicyListFilter::searchKeys(policyOf(row.object), m_searchLocale);
    row.keyed = true;
}

void PolicyListModel::fillSomeKeys() {
    constexpr size_t kRowsPerTurn = 4000;
    size_t given = 0;
    std::vector<Row>& kept = rows();
    for (; m_keyCursor < kept.size() && given < kRowsPerTurn; ++m_keyCursor) {
        if (!kept[m_keyCursor].keyed) {
            giveKeys(kept[m_keyCursor]);
            ++given;
        }
    }
    m_filling = m_keyCursor < kept.size();
    if (m_filling) {
        QTimer::singleShot(0, this, &PolicyListModel::fillSomeKeys);
    }
}

void PolicyListModel::rowsRemade() {
    m_keyCursor = 0;
    if (filtering()) {
        ensureKeys();
    } else if (!std::exchange(m_filling, true)) {
        QTimer::singleShot(0, this, &PolicyListModel::fillSomeKeys);
    }
}

void PolicyListModel::ensureKeys() {
    for (Row& row : rows()) {
        if (!row.keyed) {
            giveKeys(row);
        }
    }
}

void PolicyListModel::counted(const Row& row, int delta) {
    m_counts[size_t(row.status)] += delta;
    if (row.status == PolicyStatus::ExpiringSoon && !row.notified) {
        m_counts[kToNotify] += delta;
    }
}

void PolicyListModel::takeClock() {
    m_classifier.emplace(m_clock.now(), m_clock.timeZone());
    m_zone = m_clock.timeZone();
    m_locale = m_clock.locale();
    m_dateFormat = ClientReminderMessage::abbreviatedDateFormat(m_locale);
}

void PolicyListModel::applyRule(const PolicyListFilter& rule) {
    if (!rule.searchText().isEmpty()) {
        ensureKeys();
    }
    const bool narrowing = filtering() && rule.narrows(m_rule);
    beginResetModel();
    m_rule = rule;
    refilter(narrowing);
    endResetModel();
}

void PolicyListModel::followClock() {
    const Counts before = m_counts;
    const QTimeZone zone = m_zone;
    takeClock();
    const bool zoneMoved = m_zone != zone;
    m_counts = {};
    for (Row& row : rows()) {
        const PolicyStatus was = row.status;
        row.status = m_classifier->classify(policyOf(row.object).expirationDate(), row.horizon);
        // Whether the client was told does not depend on now: only a policy that has just
        // become expiring soon, or a new zone, asks again.
        if (row.status != PolicyStatus::ExpiringSoon) {
            row.notified = false;
        } else if (was != PolicyStatus::ExpiringSoon || zoneMoved) {
            row.notified = notifiedOf(row);
        }
        counted(row, 1);
    }
    showAdmitted();
    // Dates, colours and remaining days may all read differently now.
    if (rowCount() > 0) {
        Q_EMIT dataChanged(index(0), index(rowCount() - 1));
    }
    emitCounters(before);
}

QString PolicyListModel::dateText(const Row& row) const {
    const QDate date = CalendarMath::toLocal(policyOf(row.object).expirationDate(), m_zone).date;
    return m_locale.toString(date, m_dateFormat);
}

QString PolicyListModel::accessibleText(const Row& row) const {
    const Policy& policy = policyOf(row.object);
    const QString separator = QStringLiteral(", ");
    QString text = policy.name() + separator + policy.provider() + separator + dateText(row) +
                   separator + PolicyStatusRules::badgeText(row.status);
    // Everything the row paints: an expiring policy's days left too.
    const QString remaining = rowData(row, NoteRole).toString();
    if (!remaining.isEmpty()) {
        text += separator + remaining;
    }
    if (row.notified) {
        text += separator + QStringLiteral("cliente avvisato");
    }
    if (const std::shared_ptr<Category> category = policy.category()) {
        text += separator + category->name();
    }
    return text;
}

void PolicyListModel::emitCounters(const Counts& before) {
    if (before != m_counts) {
        Q_EMIT countersChanged();
    }
}

void PolicyListModel::totalChanged() {
    Q_EMIT countersChanged();
}

// A move or a change may move a policy from one counter to another.

void PolicyListModel::didMoveRow(int from, int to) {
    const Counts before = m_counts;
    FilteredResultsModel::didMoveRow(from, to);
    emitCounters(before);
}

void PolicyListModel::didChangeRow(int row) {
    const Counts before = m_counts;
    FilteredResultsModel::didChangeRow(row);
    emitCounters(before);
}
