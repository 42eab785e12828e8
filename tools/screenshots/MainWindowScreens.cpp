#include "MainWindowScreens.h"

#include "ScreenCamera.h"

#include "support/ScreenWorld.h"
#include "support/TimeHelpers.h"
#include "support/WaitUntil.h"
#include "ui/DialogConfirmation.h"

#include "app/ContentView.h"
#include "model/Category.h"
#include "model/ClientNotice.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/Clock.h"
#include "store/ManagedObjectContext.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolButton>

#include <cstdio>

namespace {

using TimeHelpers::kDayMs;

struct Sample {
    const char* name;
    const char* number;
    const char* provider;
    int days;
    const char* reminders;
    int category;    // into the categories below, -1 for none
    int toldDaysAgo; // when the client was told by WhatsApp, -1 for never
};

// Policies around "now": expired, expiring within their reminders, and active.
void addSamples(const ScreenCamera& camera, ManagedObjectContext& context, Instant now) {
    const Sample samples[] = {
        {"RC Auto Fiat Panda", "AU-2291", "UnipolSai", -12, "30", 0, -1},
        {"Infortuni Marco", "INF-4410", "Allianz", -1, "30", -1, -1},
        {"Casa Via Roma 12", "CA-7781", "Generali", 0, "30, 15, 7", 1, -1},
        {"Flotta Esposito Trasporti", "FL-0042", "AXA Italia", 6, "30, 15, 7", 0, 2},
        {"Studio Ferraris RC", "RC-1187", "Reale Mutua", 27, "30", -1, -1},
        {"Vita Giulia Ferraris", "VI-3302", "Poste Vita", 45, "30", 2, -1},
        {"Casa al mare", "CA-9120", "Zurich", 96, "60, 30", 1, -1},
        {"Salute famiglia Rossi", "SA-5561", "Cattolica", 180, "30", 3, -1},
        {"Moto Ducati Monster", "MO-8834", "Genertel", 240, "30, 7", 0, -1},
    };
    const std::pair<const char*, const char*> lines[] = {
        {"Auto", "red"}, {"Casa", "orange"}, {"Vita", "green"}, {"Salute", "purple"}};
    std::vector<std::shared_ptr<Category>> categories;
    for (const auto& [name, color] : lines) {
        auto category = context.insert<Category>();
        category->setName(camera.text(name));
        category->setColor(QString::fromLatin1(color));
        categories.push_back(category);
    }
    for (const Sample& sample : samples) {
        auto policy = context.insert<Policy>();
        policy->setName(camera.text(sample.name));
        policy->setPolicyNumber(camera.text(sample.number));
        policy->setProvider(camera.text(sample.provider));
        // An hour past the day count's boundary, so that a day past is a whole day past.
        const qint64 hour = sample.days < 0 ? -3'600'000 : 3'600'000;
        policy->setExpirationDate(Instant(now.msSinceEpoch() + sample.days * kDayMs + hour));
        policy->setCustomReminderDays(QString::fromUtf8(sample.reminders));
        if (sample.category >= 0) {
            policy->setCategory(categories[size_t(sample.category)]);
        }
        if (sample.toldDaysAgo >= 0) {
            policy->setLastNotified(
                ClientNotice::stamped(Instant(now.msSinceEpoch() - sample.toldDaysAgo * kDayMs),
                                      ClientNotice::Channel::WhatsApp));
        }
    }
    context.save();
}

QPixmap settled(QWidget* window) {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
    return window->grab();
}

// The window with the menu of one row drawn where it opens.
QPixmap withContextMenu(ContentView& window, int row) {
    auto* list = window.findChild<QListView*>(QStringLiteral("policyList"));
    const QPoint at = list->visualRect(list->model()->index(row, 0)).center();
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &request);
    QPixmap picture = settled(&window);
    if (auto* menu = window.findChild<QMenu*>(QStringLiteral("policyContextMenu"))) {
        QPainter painter(&picture);
        painter.drawPixmap(window.mapFromGlobal(menu->pos()), menu->grab());
        menu->close();
    }
    return picture;
}

} // namespace

bool shootMainWindowScreens(ScreenCamera& camera, const Clock& clock, LogChannel& log) {
    PersistenceController store(true, clock, log);
    ManagedObjectContext& context = store.container().viewContext();
    DialogConfirmation confirmation;
    ScreenWorld world(clock, log, {.installed = false, .confirmation = &confirmation});
    QSettings settings(world.exports.filePath(QStringLiteral("settings.ini")),
                       QSettings::IniFormat);
    ContentView window(world.window(context, settings));
    window.resize(1180, 720);
    window.show();

    bool ok = camera.take(settled(&window), QStringLiteral("main-window-empty.png"));
    addSamples(camera, context, clock.now());
    auto* list = window.findChild<QListView*>(QStringLiteral("policyList"));
    list->setCurrentIndex(list->model()->index(2, 0));
    ok &= camera.take(settled(&window), QStringLiteral("main-window-list.png"));
    ok &= camera.take(withContextMenu(window, 4), QStringLiteral("main-window-context-menu.png"));
    window.findChild<QLineEdit*>(QStringLiteral("policySearchField"))
        ->setText(QStringLiteral("casa"));
    ok &= camera.take(settled(&window), QStringLiteral("main-window-search.png"));
    // The list of one category, combined with the status filter.
    window.findChild<QLineEdit*>(QStringLiteral("policySearchField"))->clear();
    auto* categories = window.findChild<QComboBox*>(QStringLiteral("policyCategoryFilter"));
    categories->setCurrentIndex(categories->findText(camera.text("Auto")));
    ok &= camera.take(settled(&window), QStringLiteral("main-window-category-filter.png"));
    categories->setCurrentIndex(0);
    window.findChild<QToolButton*>(QStringLiteral("policyFilter3"))->click(); // "Da Avvisare"
    ok &= camera.take(settled(&window), QStringLiteral("main-window-to-notify.png"));
    window.findChild<QToolButton*>(QStringLiteral("policyFilter0"))->click();
    window.setSelectedTab(2);
    ok &= camera.take(settled(&window), QStringLiteral("main-window-contacts.png"));
    return ok;
}
