#include "calendar/LiveCalendar.h"

#include "backup/DurableFiles.h"
#include "calendar/CalendarBook.h"
#include "calendar/CalendarWriter.h"
#include "model/Contact.h"
#include "model/Event.h"
#include "model/Policy.h"
#include "model/Task.h"
#include "platform/BackgroundWork.h"
#include "platform/Clock.h"
#include "platform/LogChannel.h"
#include "store/ManagedObjectContext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace {

constexpr QLatin1StringView kLiveCalendarFileName("Quintaver.ics");

constexpr quint64 bitOf(int property) {
    return quint64(1) << property;
}

// The properties of each entity that the calendar file shows (attributes by number,
// relationships after them); an insert or a delete of these entities always shows.
quint64 shownProperties(const ManagedObject& object) {
    const QString& entity = object.entity().name();
    const int attributes = int(object.entity().attributes().size());
    if (entity == Policy::entityName()) {
        return bitOf(Policy::kId) | bitOf(Policy::kName) | bitOf(Policy::kPolicyNumber) |
               bitOf(Policy::kExpirationDate) | bitOf(Policy::kReminderDays) |
               bitOf(Policy::kCustomReminderDays) | bitOf(Policy::kCreatedAt) |
               bitOf(Policy::kClientPhoneNumber) | bitOf(attributes + Policy::kContact);
    }
    if (entity == Contact::entityName()) {
        return bitOf(Contact::kFirstName) | bitOf(Contact::kLastName) |
               bitOf(Contact::kPhoneNumber);
    }
    if (entity == Event::entityName()) {
        return bitOf(attributes) - 1; // every attribute, not the category
    }
    if (entity == Task::entityName()) {
        return (bitOf(attributes) - 1) & ~bitOf(Task::kSubtasks);
    }
    return 0;
}

bool fileHolds(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.size() == text.size() && file.open(QIODevice::ReadOnly) && file.readAll() == text;
}

} // namespace

LiveCalendar::LiveCalendar(Services services, QString path, int delayMs, QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_context(&services.context)
    , m_path(std::move(path))
    , m_delay(new QTimer(this)) {
    m_delay->setSingleShot(true);
    m_delay->setInterval(delayMs);
    connect(m_delay, &QTimer::timeout, this, &LiveCalendar::update);
    // Expiries are dates in the user's zone.
    connect(&m_services.clock, &Clock::timeZoneChanged, this, [this] {
        markChanged();
        noteSaved();
    });
    m_context->addObserver(this);
}

LiveCalendar::~LiveCalendar() {
    if (!m_context) {
        return;
    }
    m_context->removeObserver(this);
    // The program is ending within the wait after a save: the file is written now, on this
    // thread, rather than left behind the store until the next start.
    if (m_enabled && m_delay->isActive() && m_context->persistentStore()) {
        const QByteArray text =
            CalendarWriter::text(CalendarBook::of(*m_context), m_services.clock.timeZone());
        if (!fileHolds(m_path, text)) {
            if (const std::optional<QString> error = CalendarWriter::writeFile(m_path, text)) {
                m_services.log.write(QStringLiteral("Error writing calendar: "), *error);
            }
        }
    }
}

QString LiveCalendar::fileBeside(const QString& store) {
    return QFileInfo(store).absoluteDir().filePath(kLiveCalendarFileName);
}

void LiveCalendar::setEnabled(bool on) {
    if (on == m_enabled) {
        return;
    }
    m_enabled = on;
    if (on) {
        m_changed = true;
        update();
        return;
    }
    m_delay->stop();
    m_changed = false;
    setFailure(std::nullopt);
    if (!m_busy) {
        removeFile();
    }
}

void LiveCalendar::noteSaved() {
    if (m_enabled && m_changed) {
        m_delay->start(); // again at each save of a burst
    }
}

void LiveCalendar::objectDidChange(const ObjectChange& change) {
    const quint64 shown = shownProperties(*change.object);
    bool matters = false;
    switch (change.kind) {
    case ObjectChange::Kind::Update:
        matters = (change.properties & shown) != 0;
        break;
    case ObjectChange::Kind::Insert:
        // A new client shows once a policy links to it, which that policy's change says.
        matters = shown != 0 && change.object->entity().name() != Contact::entityName();
        break;
    case ObjectChange::Kind::Delete:
        matters = shown != 0;
        break;
    }
    if (matters) {
        markChanged();
    }
}

void LiveCalendar::contextWillBeDestroyed() {
    m_context = nullptr;
    m_delay->stop();
}

void LiveCalendar::contextDidReload() {
    // A backup put in the store's place: no save follows.
    markChanged();
    noteSaved();
}

void LiveCalendar::markChanged() {
    m_changed = true;
}

void LiveCalendar::update() {
    // A store that could not be opened holds nothing: an empty calendar would be a wrong one.
    if (!m_enabled || !m_context || !m_context->persistentStore()) {
        return;
    }
    if (m_busy) {
        m_again = true;
        return;
    }
    m_changed = false;
    m_busy = true;
    runInBackground<Outcome>(
        this,
        [book = CalendarBook::of(*m_context), zone = m_services.clock.timeZone(), path = m_path] {
            const QByteArray text = CalendarWriter::text(book, zone);
            Outcome outcome;
            if (!fileHolds(path, text)) {
                outcome.error = CalendarWriter::writeFile(path, text);
                outcome.written = !outcome.error;
            }
            return outcome;
        },
        [this](const Outcome& outcome) { finished(outcome); });
}

void LiveCalendar::finished(const Outcome& outcome) {
    m_busy = false;
    if (!m_enabled) {
        removeFile(); // turned off meanwhile
        return;
    }
    if (outcome.error && outcome.error != m_failure) {
        m_services.log.write(QStringLiteral("Error writing calendar: "), *outcome.error);
    }
    setFailure(outcome.error);
    Q_EMIT updated(outcome.written);
    if (m_again) {
        m_again = false;
        update();
    }
}

void LiveCalendar::setFailure(const std::optional<QString>& failure) {
    if (failure != m_failure) {
        m_failure = failure;
        Q_EMIT failureChanged();
    }
}

void LiveCalendar::removeFile() {
    if (const std::optional<QString> error = DurableFiles::removeFile(m_path)) {
        m_services.log.write(QStringLiteral("Error removing calendar: "), *error);
    }
}
