#include "PopoverScreens.h"

#include "ScreenServices.h"

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

constexpr qint64 kHourMs = 3'600'000;
constexpr qint64 kDayMs = 24 * kHourMs;

struct NoDesktop final : DesktopActions {
    void openUrl(const QUrl&) override {}
    void revealFile(const QString&) override {}
    void bringForward(QWindow*, const QString&) override {}
    void quit() override {}
};

// A working week: a meeting this afternoon and more to come, open tasks, and three policies
// inside their reminder days among others that are not.
void fillBusy(ManagedObjectContext& context, Instant now) {
    const auto at = [now](qint64 ms) { return Instant(now.msSinceEpoch() + ms); };
    auto meetings = context.insert<Category>();
    meetings->setName(QStringLiteral("Clienti"));
    meetings->setColor(QStringLiteral("green"));
    const std::pair<const char*, qint64> events[] = {
        {"Incontro con Giulia Ferraris", 5 * kHourMs},
        {"Perizia sinistro auto", kDayMs + 2 * kHourMs},
        {"Rinnovo flotta Esposito", 3 * kDayMs},
        {"Scadenza adempimenti IVASS", 9 * kDayMs},
    };
    for (const auto& [title, offset] : events) {
        auto event = context.insert<Event>();
        event->setTitle(QString::fromUtf8(title));
        event->setStartDate(at(offset));
        event->setEndDate(at(offset + kHourMs));
        event->setCategory(meetings);
    }
    for (const char* title : {"Richiamare Marco", "Inviare preventivo casa"}) {
        auto task = context.insert<Task>();
        task->setTitle(QString::fromUtf8(title));
        task->setDueDate(at(2 * kDayMs));
    }
    const std::pair<const char*, int> policies[] = {
        {"Casa Ferraris", 6}, {"Auto Esposito", 14}, {"RC Studio", 25}, {"Vita Rossi", 120}};
    for (const auto& [name, days] : policies) {
        auto policy = context.insert<Policy>();
        policy->setName(QString::fromUtf8(name));
        policy->setPolicyNumber(QStringLiteral("POL-%1").arg(days));
        policy->setProvider(QStringLiteral("Generali"));
        policy->setExpirationDate(at(days * kDayMs));
        policy->setReminderDays(30);
    }
    context.save();
}

bool shoot(ManagedObjectContext& context, const Clock& clock, const QString& path) {
    NoDesktop desktop;
    NotificationCenter center;
    auto* view = new MenuBarView({context, clock, desktop, center, {}});
    Popover popover(view);
    popover.show();
    QApplication::processEvents();
    const bool written = savePicture(popover.grab(), path);
    popover.close();
    QApplication::processEvents();
    return written;
}

} // namespace

bool shootPopoverScreens(const QDir& out, const Clock& clock, LogChannel& log) {
    PersistenceController empty(true, clock, log);
    bool ok = shoot(empty.container().viewContext(), clock, out.filePath("popover-empty.png"));
    PersistenceController busy(true, clock, log);
    fillBusy(busy.container().viewContext(), clock.now());
    ok &= shoot(busy.container().viewContext(), clock, out.filePath("popover-busy.png"));
    QApplication::setPalette(Palette::dark());
    ok &= shoot(busy.container().viewContext(), clock, out.filePath("popover-busy-dark.png"));
    QApplication::setPalette(Palette::light());
    return ok;
}
