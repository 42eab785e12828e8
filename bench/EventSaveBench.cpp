#include "Harness.h"
#include "PolicyWorld.h"
#include "agenda/EventEditView.h"
#include "model/Event.h"
#include "store/ManagedObjectContext.h"
#include "support/ScreenWorld.h"

#include <QElapsedTimer>
#include <QLineEdit>

#include <random>

namespace {

// A store of 10,000 events (a tenth repeating weekly) beside 1,000 policies; an event that
// repeats every day, with a reminder 15 minutes before, is changed in its editor and saved:
// from the press of the save button to every reminder of its next 60 days answered by the
// in-memory agent (the program's side of the work: the store's save, the expansion, the
// listing, the removal and the adds).
void eventSaveBench() {
    PolicyWorld::InMemory world(1'000);
    ScreenWorld screens(world.clock, world.log, {.installed = true});
    ManagedObjectContext& context = world.store.container().viewContext();
    std::mt19937_64 random(5);
    for (int i = 0; i < 10'000; ++i) {
        auto event = context.insert<Event>();
        event->setTitle(PolicyWorld::madeUpName(random, 3));
        const Instant start(PolicyWorld::kNow.msSinceEpoch() +
                            qint64(random() % (180LL * 86'400'000)));
        event->setStartDate(start);
        event->setEndDate(Instant(start.msSinceEpoch() + 3'600'000));
        if (i % 10 == 0) {
            event->setRecurrenceRule(QStringLiteral("FREQ=WEEKLY"));
        }
    }
    auto daily = context.insert<Event>();
    daily->setTitle(QStringLiteral("Giro clienti"));
    daily->setStartDate(Instant(PolicyWorld::kNow.msSinceEpoch() + 3'600'000));
    daily->setEndDate(Instant(PolicyWorld::kNow.msSinceEpoch() + 7'200'000));
    daily->setRecurrenceRule(QStringLiteral("FREQ=DAILY"));
    context.save();

    const EventEditView::Services services{.context = context,
                                           .reminders = *screens.reminders,
                                           .clock = world.clock,
                                           .log = world.log,
                                           .confirmation = screens.confirmation};
    std::vector<double> samples;
    for (int round = 0; round < 15; ++round) {
        auto* view = new EventEditView(services, daily);
        view->findChild<QLineEdit*>(QStringLiteral("eventTitleField"))
            ->setText(QStringLiteral("Giro clienti %1").arg(round));
        QElapsedTimer timer;
        timer.start();
        const bool saved = view->saveEvent();
        screens.pendingReminders();
        samples.push_back(double(timer.nsecsElapsed()) / 1e6);
        delete view;
        if (!saved) {
            Bench::report(QStringLiteral("event editor: save failed"), QStringLiteral("-"),
                          QStringLiteral("printed"));
            return;
        }
    }
    Bench::report(QStringLiteral("event editor: save a daily event and schedule its 60 days of "
                                 "reminders, 10,000 events (ms, median of 15)"),
                  QString::number(Bench::median(samples), 'f', 1), QStringLiteral("printed"));
    Bench::report(QStringLiteral("event editor: reminders pending after the save"),
                  QString::number(screens.notifications.pending().size()),
                  QStringLiteral("printed"));
}

} // namespace

QS_BENCH_GROUP("editor", eventSaveBench);
