#include "agenda/AgendaSearchModel.h"

#include "model/Category.h"
#include "model/Event.h"
#include "model/Task.h"
#include "platform/Clock.h"
#include "store/LiveFetchResults.h"
#include "ui/ItemDataRole.h"
#include "ui/Palette.h"

#include <QTimer>

#include <algorithm>

AgendaSearchKeys::AgendaSearchKeys(std::unique_ptr<LiveFetchResults> results, MakeKeys makeKeys,
                                   std::function<void()> changed)
    : m_results(std::move(results))
    , m_makeKeys(std::move(makeKeys))
    , m_changed(std::move(changed)) {
    m_results->performFetch();
    makeAll();
    m_results->addListener(this);
}

AgendaSearchKeys::~AgendaSearchKeys() {
    m_results->removeListener(this);
}

void AgendaSearchKeys::makeAll() {
    m_keys.clear();
    m_keys.reserve(size_t(m_results->count()));
    for (int row = 0; row < m_results->count(); ++row) {
        m_keys.push_back(m_makeKeys(*m_results->objectAt(row)));
    }
}

void AgendaSearchKeys::didInsertRow(int row) {
    m_keys.insert(m_keys.begin() + row, m_makeKeys(*m_results->objectAt(row)));
    m_changed();
}

void AgendaSearchKeys::didRemoveRow(int row) {
    m_keys.erase(m_keys.begin() + row);
    m_changed();
}

void AgendaSearchKeys::didMoveRow(int from, int to) {
    m_keys.erase(m_keys.begin() + from);
    m_keys.insert(m_keys.begin() + to, m_makeKeys(*m_results->objectAt(to)));
    m_changed();
}

void AgendaSearchKeys::didChangeRow(int row) {
    m_keys[size_t(row)] = m_makeKeys(*m_results->objectAt(row));
    m_changed();
}

void AgendaSearchKeys::didResetRows() {
    makeAll();
    m_changed();
}

namespace {

template <typename T>
std::unique_ptr<LiveFetchResults> byDate(ManagedObjectContext& context, const QString& key) {
    FetchRequest<T> request = T::fetchRequest();
    request.setSortDescriptors({SortDescriptor{key, true}});
    return std::make_unique<LiveFetchResults>(context, request);
}

// Undated last.
bool earlier(const AgendaSearchModel::Match& a, const AgendaSearchModel::Match& b) {
    if (a.date.has_value() != b.date.has_value()) {
        return a.date.has_value();
    }
    return a.date < b.date;
}

} // namespace

AgendaSearchModel::AgendaSearchModel(ManagedObjectContext& context, const Clock& clock,
                                     QObject* parent)
    : QAbstractListModel(parent)
    , m_clock(clock)
    , m_search(clock.locale()) {
    const QLocale locale = clock.locale();
    m_events = std::make_unique<AgendaSearchKeys>(
        byDate<Event>(context, QStringLiteral("startDate")),
        [locale](const ManagedObject& object) {
            const auto& event = static_cast<const Event&>(object);
            return FieldSearch::keys(event.title(), event.location().value_or(QString()),
                                     event.notes().value_or(QString()), locale);
        },
        [this] { scheduleResearch(); });
    m_tasks = std::make_unique<AgendaSearchKeys>(
        byDate<Task>(context, QStringLiteral("dueDate")),
        [locale](const ManagedObject& object) {
            const auto& task = static_cast<const Task&>(object);
            return FieldSearch::keys(task.title(), QString(), task.notes().value_or(QString()),
                                     locale);
        },
        [this] { scheduleResearch(); });
}

AgendaSearchModel::~AgendaSearchModel() = default;

void AgendaSearchModel::setSearchText(const QString& text) {
    FieldSearch search = m_search;
    search.setText(text);
    // Rows found before a change not yet looked at may stand elsewhere now.
    const bool narrowing = !m_researchPending && !m_search.admitsAll() && search.narrows(m_search);
    m_search = search;
    beginResetModel();
    if (m_search.admitsAll()) {
        m_matches.clear();
    } else {
        m_matches = findMatches(narrowing ? &m_matches : nullptr);
    }
    endResetModel();
}

std::vector<AgendaSearchModel::Match>
AgendaSearchModel::matchesIn(const AgendaSearchKeys& keyed, bool isEvent,
                             const std::vector<Match>* among) const {
    std::vector<Match> found;
    const auto consider = [&](int row) {
        if (m_search.admits(keyed.keys()[size_t(row)])) {
            ManagedObject* object = keyed.results().objectAt(row);
            const std::optional<Instant> date =
                isEvent ? std::optional(static_cast<const Event*>(object)->startDate())
                        : static_cast<const Task*>(object)->dueDate();
            found.push_back({object->shared_from_this(), isEvent, date, row});
        }
    };
    if (among) {
        for (const Match& match : *among) {
            if (match.isEvent == isEvent) {
                consider(match.row);
            }
        }
    } else {
        for (int row = 0; row < keyed.results().count(); ++row) {
            consider(row);
        }
    }
    return found;
}

std::vector<AgendaSearchModel::Match>
AgendaSearchModel::findMatches(const std::vector<Match>* among) const {
    std::vector<Match> events = matchesIn(*m_events, true, among);
    std::vector<Match> tasks = matchesIn(*m_tasks, false, among);
    // The fetch puts tasks without a due date first; here they go last.
    std::stable_partition(tasks.begin(), tasks.end(),
                          [](const Match& match) { return match.date.has_value(); });
    std::vector<Match> merged;
    merged.reserve(events.size() + tasks.size());
    std::merge(events.begin(), events.end(), tasks.begin(), tasks.end(), std::back_inserter(merged),
               earlier);
    return merged;
}

void AgendaSearchModel::scheduleResearch() {
    if (m_researchPending) {
        return;
    }
    m_researchPending = true;
    // The rows kept for narrowing no longer stand where they did.
    QTimer::singleShot(0, this, &AgendaSearchModel::research);
}

void AgendaSearchModel::research() {
    m_researchPending = false;
    beginResetModel();
    m_matches = m_search.admitsAll() ? std::vector<Match>() : findMatches(nullptr);
    endResetModel();
}

int AgendaSearchModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_matches.size());
}

const AgendaSearchModel::Match* AgendaSearchModel::matchAt(int row) const {
    return row >= 0 && row < int(m_matches.size()) ? &m_matches[size_t(row)] : nullptr;
}

QVariant AgendaSearchModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const Match& match = m_matches[size_t(index.row())];
    const auto* event = match.isEvent ? static_cast<const Event*>(match.object.get()) : nullptr;
    const auto* task = match.isEvent ? nullptr : static_cast<const Task*>(match.object.get());
    const QString title = event ? event->title() : task->title();
    switch (role) {
    case ObjectRole:
        return QVariant::fromValue(match.object.get());
    case Qt::DisplayRole:
    case TitleRole:
        return title;
    case SubtitleRole:
        return event ? event->location().value_or(QString()) : QStringLiteral("Compito");
    case DetailRole: {
        if (!match.date) {
            return QString();
        }
        const QDateTime local = match.date->toUtcDateTime().toTimeZone(m_clock.timeZone());
        if (event && event->isAllDay()) {
            return m_clock.locale().toString(local.date(), QLocale::ShortFormat);
        }
        return m_clock.locale().toString(local, QLocale::ShortFormat);
    }
    case ColorNameRole: {
        const auto category = event ? event->category() : task->category();
        return QVariant::fromValue(
            Palette::categoryColor(category ? category->color() : QStringLiteral("blue")));
    }
    case Qt::AccessibleTextRole:
        return title + QStringLiteral(", ") + data(index, DetailRole).toString();
    default:
        return {};
    }
}
