#include "agenda/AgendaSearchModel.h"

#include "model/CalendarMath.h"
#include "model/Category.h"
#include "model/Event.h"
#include "model/EventRules.h"
#include "model/RecurrenceExpansion.h"
#include "model/Task.h"
#include "platform/BackgroundWork.h"
#include "platform/Clock.h"
#include "store/LiveFetchResults.h"
#include "ui/ItemDataRole.h"
#include "ui/Palette.h"

#include <QHash>
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

// A repeating event as the worker reads it.
struct SearchedRepeat {
    std::optional<QString> rule;
    Instant start;
    bool allDay = false;
};

// Undated last.
bool earlier(const AgendaSearchModel::Match& a, const AgendaSearchModel::Match& b) {
    if (a.date.has_value() != b.date.has_value()) {
        return a.date.has_value();
    }
    return a.date < b.date;
}

// Two lists in date order made one, the matches moved rather than copied.
std::vector<AgendaSearchModel::Match> merged(std::vector<AgendaSearchModel::Match> first,
                                             std::vector<AgendaSearchModel::Match> second) {
    std::vector<AgendaSearchModel::Match> both;
    both.reserve(first.size() + second.size());
    std::merge(std::make_move_iterator(first.begin()), std::make_move_iterator(first.end()),
               std::make_move_iterator(second.begin()), std::make_move_iterator(second.end()),
               std::back_inserter(both), earlier);
    return both;
}

} // namespace

// The occurrences of the repeating events within the window, by event, with the events they
// belong to kept alive for the keys.
struct AgendaSearchModel::Repeats {
    quint64 generation = 0;
    std::vector<std::shared_ptr<ManagedObject>> events;
    QHash<const ManagedObject*, std::vector<Instant>> starts;
};

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
        [this] {
            repeatsChanged();
            scheduleResearch();
        });
    m_tasks = std::make_unique<AgendaSearchKeys>(
        byDate<Task>(context, QStringLiteral("dueDate")),
        [locale](const ManagedObject& object) {
            const auto& task = static_cast<const Task&>(object);
            return FieldSearch::keys(task.title(), QString(), task.notes().value_or(QString()),
                                     locale);
        },
        [this] { scheduleResearch(); });
    m_expandTimer.setSingleShot(true);
    m_expandTimer.setInterval(kTypingPauseMs);
    connect(&m_expandTimer, &QTimer::timeout, this, &AgendaSearchModel::expandRepeats);
    // The window starts today, in the user's zone.
    for (auto signal : {&Clock::dayChanged, &Clock::timeZoneChanged}) {
        connect(&clock, signal, this, &AgendaSearchModel::repeatsChanged);
    }
}

AgendaSearchModel::~AgendaSearchModel() = default;

bool AgendaSearchModel::occurrencesAreCurrent() const {
    return !m_expanding && m_repeats && m_repeats->generation == m_generation;
}

void AgendaSearchModel::repeatsChanged() {
    ++m_generation;
    expandSoon();
}

// Only while there is a search (the agenda's grid has the worker to itself until then), and
// once typing pauses: the worker would take a core from the keystrokes.
void AgendaSearchModel::expandSoon() {
    if (!m_search.admitsAll() && !occurrencesAreCurrent()) {
        m_expandTimer.start();
    }
}

void AgendaSearchModel::expandRepeats() {
    if (m_expanding || m_search.admitsAll() ||
        (m_repeats && m_repeats->generation == m_generation)) {
        return; // an answer under way that finds itself stale asks again
    }
    auto repeats = std::make_shared<Repeats>();
    repeats->generation = m_generation;
    std::vector<SearchedRepeat> sources;
    const LiveFetchResults& events = m_events->results();
    for (int row = 0; row < events.count(); ++row) {
        const auto* event = static_cast<const Event*>(events.objectAt(row));
        if (std::optional<QString> rule = event->recurrenceRule()) {
            sources.push_back({std::move(rule), event->startDate(), event->isAllDay()});
            repeats->events.push_back(events.objectAt(row)->shared_from_this());
        }
    }
    const QTimeZone zone = m_clock.timeZone();
    const QDate today = CalendarMath::toLocal(m_clock.now(), zone).date;
    const Instant from = EventRules::localMidnight(today, zone);
    const Instant to =
        CalendarMath::addDays(from, RecurrenceExpansion::kWindowDays, zone).value_or(from);
    m_expanding = true;
    runInBackground<std::vector<std::vector<Instant>>>(
        this,
        [sources = std::move(sources), zone, from, to] {
            std::vector<std::vector<Instant>> starts;
            starts.reserve(sources.size());
            for (const SearchedRepeat& source : sources) {
                starts.push_back(RecurrenceExpansion::occurrences(source.rule, source.start,
                                                                  source.allDay, zone, from, to,
                                                                  kMaxListedOccurrences)
                                     .starts);
            }
            return starts;
        },
        [this, repeats](std::vector<std::vector<Instant>> starts) {
            m_expanding = false;
            for (size_t i = 0; i < starts.size(); ++i) {
                repeats->starts.emplace(repeats->events[i].get(), std::move(starts[i]));
            }
            m_repeats = repeats;
            expandSoon();
            if (!m_search.admitsAll()) {
                scheduleResearch();
            }
        });
}

void AgendaSearchModel::setSearchText(const QString& text) {
    FieldSearch search = m_search;
    search.setText(text);
    // Rows found before a change not yet looked at may stand elsewhere now.
    const bool narrowing = !m_researchPending && !m_search.admitsAll() && search.narrows(m_search);
    m_search = search;
    expandSoon();
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
    // A repeating event's occurrences, merged in by date at the end.
    std::vector<Match> occurring;
    const auto consider = [&](int row) {
        if (!m_search.admits(keyed.keys()[size_t(row)])) {
            return;
        }
        ManagedObject* object = keyed.results().objectAt(row);
        if (isEvent && m_repeats) {
            const auto occurrences = m_repeats->starts.constFind(object);
            if (occurrences != m_repeats->starts.cend() && !occurrences->empty()) {
                for (const Instant start : *occurrences) {
                    occurring.push_back({object->shared_from_this(), true, start, row});
                }
                return;
            }
        }
        const std::optional<Instant> date =
            isEvent ? std::optional(static_cast<const Event*>(object)->startDate())
                    : static_cast<const Task*>(object)->dueDate();
        found.push_back({object->shared_from_this(), isEvent, date, row});
    };
    if (among) {
        // An event listed at several occurrences is looked at once.
        std::vector<bool> seen(size_t(keyed.results().count()), false);
        for (const Match& match : *among) {
            if (match.isEvent == isEvent && !seen[size_t(match.row)]) {
                seen[size_t(match.row)] = true;
                consider(match.row);
            }
        }
    } else {
        for (int row = 0; row < keyed.results().count(); ++row) {
            consider(row);
        }
    }
    if (!isEvent) {
        return found;
    }
    // Events come by start, from the fetch or from the matches before; only a change not yet
    // heard leaves one out of place.
    if (!std::is_sorted(found.begin(), found.end(), earlier)) {
        std::stable_sort(found.begin(), found.end(), earlier);
    }
    if (occurring.empty()) {
        return found;
    }
    std::stable_sort(occurring.begin(), occurring.end(), earlier);
    return merged(std::move(found), std::move(occurring));
}

std::vector<AgendaSearchModel::Match>
AgendaSearchModel::findMatches(const std::vector<Match>* among) const {
    std::vector<Match> events = matchesIn(*m_events, true, among);
    std::vector<Match> tasks = matchesIn(*m_tasks, false, among);
    // The fetch puts tasks without a due date first; here they go last.
    std::stable_partition(tasks.begin(), tasks.end(),
                          [](const Match& match) { return match.date.has_value(); });
    return merged(std::move(events), std::move(tasks));
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
