#include "EditorScreens.h"

#include "SheetShot.h"

#include "ScreenCamera.h"

#include "agenda/EventEditView.h"
#include "agenda/TaskEditView.h"
#include "model/Category.h"
#include "model/Event.h"
#include "model/Task.h"
#include "platform/Clock.h"
#include "store/ManagedObjectContext.h"
#include "support/ScreenWorld.h"
#include "support/TimeHelpers.h"
#include "ui/Palette.h"

#include <QApplication>

namespace {

using TimeHelpers::kDayMs;
using TimeHelpers::kHourMs;

} // namespace

bool shootEventTaskEditors(ScreenCamera& camera, ManagedObjectContext& context, const Clock& clock,
                           LogChannel& log) {
    ScreenWorld world(clock, log, {.installed = false});
    std::vector<std::shared_ptr<Category>> categories;
    const std::pair<const char*, const char*> lines[] = {
        {"Auto", "red"}, {"Casa", "orange"}, {"Vita", "green"}, {"Salute", "Fucsia"}};
    for (const auto& [name, color] : lines) {
        auto category = context.insert<Category>();
        category->setName(camera.text(name));
        category->setColor(QString::fromLatin1(color));
        categories.push_back(category);
    }

    const Instant now = clock.now();
    auto call = context.insert<Event>();
    call->setTitle(camera.text("Chiamata con Giulia Ferraris"));
    call->setStartDate(Instant(now.msSinceEpoch() + kDayMs + 5 * kHourMs));
    call->setEndDate(Instant(now.msSinceEpoch() + kDayMs + 6 * kHourMs));
    call->setLocation(camera.text("Studio, Via Roma 12"));
    call->setNotes(camera.text("Portare il preventivo per la casa al mare."));
    call->setRecurrenceRule(QStringLiteral("FREQ=WEEKLY;COUNT=6"));
    call->setCategory(categories[1]);
    auto fair = context.insert<Event>();
    fair->setTitle(camera.text("Fiera delle assicurazioni"));
    fair->setIsAllDay(true);
    fair->setStartDate(Instant(now.msSinceEpoch() + 2 * kDayMs));
    fair->setEndDate(Instant(now.msSinceEpoch() + 4 * kDayMs));
    fair->setRecurrenceRule(QStringLiteral("FREQ=YEARLY;BYMONTH=3;BYDAY=2TU"));
    fair->setReminderMinutes(1440);

    auto papers = context.insert<Task>();
    papers->setTitle(camera.text("Inviare i documenti di rinnovo"));
    papers->setDueDate(Instant(now.msSinceEpoch() + 3 * kDayMs));
    papers->setReminderDate(Instant(now.msSinceEpoch() + 2 * kDayMs));
    papers->setPriority(2);
    papers->setCategory(categories[0]);
    papers->setSubtasks(camera.text("[x] Quietanza firmata\n[ ] Carta verde\n[ ] Libretto"));
    papers->setNotes(camera.text("Il cliente preferisce la posta elettronica."));
    context.save();

    const EventEditView::Services events{.context = context,
                                         .reminders = *world.reminders,
                                         .clock = clock,
                                         .log = log,
                                         .confirmation = world.confirmation,
                                         .defaultReminderMinutes = 15};
    const TaskEditView::Services tasks{.context = context,
                                       .reminders = *world.reminders,
                                       .clock = clock,
                                       .log = log,
                                       .confirmation = world.confirmation};
    bool ok = shootSheet(camera, new EventEditView(events, nullptr), "event-editor-new.png");
    ok &= shootSheet(camera, new EventEditView(events, call), "event-editor-repeating.png");
    ok &= shootSheet(camera, new EventEditView(events, fair), "event-editor-all-day-custom.png");
    ok &= shootSheet(camera, new TaskEditView(tasks, nullptr), "task-editor-new.png");
    ok &= shootSheet(camera, new TaskEditView(tasks, papers), "task-editor-checklist.png");
    QApplication::setPalette(Palette::dark());
    ok &= shootSheet(camera, new EventEditView(events, call), "event-editor-dark.png");
    ok &= shootSheet(camera, new TaskEditView(tasks, papers), "task-editor-dark.png");
    QApplication::setPalette(Palette::light());
    return ok;
}
