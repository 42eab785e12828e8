#include "AgendaScreens.h"

#include "ScreenCamera.h"

#include "support/ScreenWorld.h"
#include "support/WaitUntil.h"

#include "agenda/AgendaData.h"
#include "agenda/AgendaView.h"
#include "model/CalendarMath.h"
#include "model/Category.h"
#include "model/Event.h"
#include "model/EventRules.h"
#include "model/PersistenceController.h"
#include "model/Task.h"
#include "platform/Clock.h"
#include "store/ManagedObjectContext.h"
#include "ui/Palette.h"

#include <QApplication>
#include <QLineEdit>

namespace {

struct Booking {
    int day;     // of the screens' month
    int hour;    // -1: all day
    int minutes; // long
    const char* title;
    const char* location;
    int category; // -1: none
    const char* rule;
};

const Booking kBookings[] = {
    {2, 9, 60, "Riunione di agenzia", "Ufficio", 0, "FREQ=WEEKLY"},
    {3, 10, 30, "Chiamata Ferraris", nullptr, 1, nullptr},
    {10, -1, 0, "Fiera assicurativa", "Milano", 2, nullptr},
    {10, 11, 60, "Perizia sinistro auto", "Corso Francia 12, Torino", 1, nullptr},
    {10, 14, 45, "Rinnovo Casa Torino", "Studio Ferraris", 3, nullptr},
    {10, 16, 30, "Chiamata Esposito", nullptr, -1, nullptr},
    {10, 18, 60, "Aperitivo clienti", "Bar Centrale", 4, nullptr},
    {12, 15, 60, "Firma polizza vita", "Ufficio", 2, nullptr},
    {17, 9, 120, "Corso aggiornamento IVASS", "Online", -1, nullptr},
    {19, 11, 60, "Visita cantiere Rossi", "Via Po 3", 1, nullptr},
    {24, 10, 30, "Scadenze del mese", nullptr, 0, "FREQ=MONTHLY"},
    {26, 20, 240, "Cena di fine trimestre", "Ristorante Del Cambio", 4, nullptr},
    {31, 22, 180, "Viaggio notturno", "Roma", -1, nullptr},
};

Instant wall(const Clock& clock, int day, int hour, int minute = 0) {
    return *CalendarMath::fromLocal(QDate(2026, 3, day), (hour * 60 + minute) * 60'000,
                                    clock.timeZone());
}

void fillAgenda(const ScreenCamera& camera, ManagedObjectContext& context, const Clock& clock) {
    std::vector<std::shared_ptr<Category>> categories;
    for (const auto& [name, color] : {std::pair{"Auto", "purple"},
                                      {"Sinistri", "orange"},
                                      {"Vita", "green"},
                                      {"Casa", "teal"},
                                      {"Clienti", "pink"}}) {
        auto category = context.insert<Category>();
        category->setName(camera.text(name));
        category->setColor(QString::fromLatin1(color));
        categories.push_back(category);
    }
    for (const Booking& booking : kBookings) {
        auto event = context.insert<Event>();
        event->setTitle(camera.text(booking.title));
        if (booking.hour < 0) {
            const QDate date(2026, 3, booking.day);
            const auto bounds = EventRules::allDayBounds({date, date}, clock.timeZone());
            event->setStartDate(bounds.start);
            event->setEndDate(bounds.end);
            event->setIsAllDay(true);
        } else {
            const Instant start = wall(clock, booking.day, booking.hour);
            event->setStartDate(start);
            event->setEndDate(Instant(start.msSinceEpoch() + booking.minutes * 60'000));
        }
        if (booking.location) {
            event->setLocation(camera.text(booking.location));
        }
        if (booking.rule) {
            event->setRecurrenceRule(QString::fromLatin1(booking.rule));
        }
        if (booking.category >= 0) {
            event->setCategory(categories[size_t(booking.category)]);
        }
    }
    const std::tuple<const char*, int, int, bool> tasks[] = {
        {"Inviare documenti di rinnovo", 10, 12, false},
        {"Richiamare la carrozzeria", 10, 17, true},
        {"Aggiornare l'anagrafica clienti", 0, 0, false},
        {"Preventivo flotta Esposito", 6, 18, false},
        {"Archiviare polizze scadute", 0, 0, false},
    };
    for (const auto& [title, day, hour, done] : tasks) {
        auto task = context.insert<Task>();
        task->setTitle(camera.text(title));
        if (day > 0) {
            task->setDueDate(wall(clock, day, hour));
        }
        if (done) {
            task->setDone(true, clock.now());
        }
        if (day == 10) {
            task->setCategory(categories[0]);
        }
    }
    context.save();
}

bool save(ScreenCamera& camera, AgendaView* view, const char* name) {
    // The repeating events' occurrences come from a worker.
    waitUntil([view] { return view->data().isSettled(); });
    QApplication::processEvents();
    QWidget* widget = view;
    return camera.take(widget->grab(), QLatin1String(name));
}

} // namespace

bool shootAgendaScreens(ScreenCamera& camera, const Clock& clock, LogChannel& log) {
    ScreenWorld world(clock, log, {.installed = false});
    PersistenceController store(true, clock, log);
    ManagedObjectContext& context = store.container().viewContext();
    fillAgenda(camera, context, clock);
    bool ok = true;
    {
        AgendaView view(world.agenda(context));
        view.resize(1180, 720);
        view.show();
        ok &= save(camera, &view, "agenda-month.png");
        view.selectDay(QDate(2026, 3, 10));
        ok &= save(camera, &view, "agenda-day-tasks.png");
        view.findChild<QLineEdit*>(QStringLiteral("agendaSearchField"))
            ->setText(QStringLiteral("chiamata"));
        ok &= save(camera, &view, "agenda-search.png");
    }
    QApplication::setPalette(Palette::dark());
    {
        AgendaView dark(world.agenda(context));
        dark.resize(1180, 720);
        dark.show();
        dark.selectDay(QDate(2026, 3, 10));
        ok &= save(camera, &dark, "agenda-dark.png");
    }
    QApplication::setPalette(Palette::light());
    return ok;
}
