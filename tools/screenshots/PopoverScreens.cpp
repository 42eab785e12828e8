#include "PopoverScreens.h"

#include "ScreenCamera.h"

#include "support/ScreenWorld.h"
#include "support/TimeHelpers.h"
#include "support/WaitUntil.h"
#include "ui/DialogConfirmation.h"

#include "app/MenuBarView.h"
#include "app/Popover.h"
#include "model/Category.h"
#include "model/Event.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "model/Task.h"
#include "platform/Clock.h"
#include "platform/DesktopActions.h"
#include "platform/NotificationCenter.h"
#include "ui/Palette.h"

#include <QApplication>

#include <cstdio>

namespace {

using TimeHelpers::kDayMs;
using TimeHelpers::kHourMs;

// A working week: a meeting this afternoon and more to come, open tasks, and three policies
// inside their reminder days among others that are not.
void fillBusy(const ScreenCamera& camera, ManagedObjectContext& context, Instant now) {
    const auto at = [now](qint64 ms) { return Instant(now.msSinceEpoch() + ms); };
    auto meetings = context.insert<Category>();
    meetings->setName(camera.text("Clienti"));
    meetings->setColor(QStringLiteral("green"));
    const std::pair<const char*, qint64> events[] = {
        {"Incontro con Giulia Ferraris", 5 * kHourMs},
        {"Perizia sinistro auto", kDayMs + 2 * kHourMs},
        {"Rinnovo flotta Esposito", 3 * kDayMs},
        {"Scadenza adempimenti IVASS", 9 * kDayMs},
    };
    for (const auto& [title, offset] : events) {
        auto event = context.insert<Event>();
        event->setTitle(camera.text(title));
        event->setStartDate(at(offset));
        event->setEndDate(at(offset + kHourMs));
        event->setCategory(meetings);
    }
    for (const char* title : {"Richiamare Marco", "Inviare preventivo casa"}) {
        auto task = context.insert<Task>();
        task->setTitle(camera.text(title));
        task->setDueDate(at(2 * kDayMs));
    }
    const std::pair<const char*, int> policies[] = {
        {"Casa Ferraris", 6}, {"Auto Esposito", 14}, {"RC Studio", 25}, {"Vita Rossi", 120}};
    for (const auto& [name, days] : policies) {
        auto policy = context.insert<Policy>();
        policy->setName(camera.text(name));
        policy->setPolicyNumber(QStringLiteral("POL-%1").arg(days));
        policy->setProvider(camera.text("Generali"));
        policy->setExpirationDate(at(days * kDayMs));
        policy->setReminderDays(30);
    }
    context.save();
}

bool shoot(ScreenCamera& camera, ManagedObjectContext& context, ScreenWorld& world,
           const char* name) {
    auto* view = new MenuBarView(world.popover(context));
    Popover popover(view);
    popover.show();
    QApplication::processEvents();
    const bool written = camera.take(popover.grab(), QLatin1String(name));
    popover.close();
    QApplication::processEvents();
    return written;
}

} // namespace

bool shootPopoverScreens(ScreenCamera& camera, const Clock& clock, LogChannel& log) {
    ScreenWorld world(clock, log, {.installed = false});
    PersistenceController empty(true, clock, log);
    bool ok = shoot(camera, empty.container().viewContext(), world, "popover-empty.png");
    PersistenceController busy(true, clock, log);
    fillBusy(camera, busy.container().viewContext(), clock.now());
    ok &= shoot(camera, busy.container().viewContext(), world, "popover-busy.png");
    QApplication::setPalette(Palette::dark());
    ok &= shoot(camera, busy.container().viewContext(), world, "popover-busy-dark.png");
    QApplication::setPalette(Palette::light());
    return ok;
}
