#include "Harness.h"
#include "PolicyScreens.h"
#include "PolicyWorld.h"
#include "model/Contact.h"
#include "model/PersistenceController.h"
#include "platform/DesktopActions.h"
#include "platform/InstallationCheck.h"
#include "platform/LogChannel.h"
#include "platform/NotificationCenter.h"
#include "policies/PolicyEditView.h"
#include "reminders/NotificationManager.h"
#include "store/ManagedObjectContext.h"
#include "support/InMemoryNotificationService.h"
#include "support/ManualClock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <random>

namespace {

using PolicyWorld::kNow;

// An in-memory store with `contacts` contacts, and what an editor needs around it.
struct EditorWorld : PolicyScreens {
    explicit EditorWorld(int contacts) {
        ManagedObjectContext& context = store.container().viewContext();
        std::mt19937_64 random(11);
        for (int i = 0; i < contacts; ++i) {
            auto contact = context.insert<Contact>();
            contact->setFirstName(PolicyWorld::madeUpName(random, 2));
            contact->setLastName(PolicyWorld::madeUpName(random, 3));
        }
        context.save();
    }

    PolicyEditView* open() {
        auto* view = new PolicyEditView(screens.editor(context()), nullptr);
        view->resize(620, 900);
        view->show();
        view->grab(); // painted once, as the user first sees it
        return view;
    }
};

// The longest time the event loop went without turning while `work` ran in it.
double longestStallMs(const std::function<void()>& work) {
    QEventLoop loop;
    const Bench::StallWatch stalls;
    QTimer::singleShot(20, work);
    QTimer::singleShot(400, &loop, &QEventLoop::quit);
    loop.exec();
    return stalls.longestMs();
}

void editorBench() {
    EditorWorld many(20'000);
    EditorWorld few(20);
    const auto openAndClose = [](EditorWorld& world) {
        return [&world] {
            PolicyEditView* view = world.open();
            delete view;
        };
    };
    const std::vector<double> medians =
        Bench::medianSeconds({openAndClose(many), openAndClose(few)}, 21);
    Bench::report(QStringLiteral("policy editor: open with 20,000 contacts (ms)"),
                  QString::number(medians[0] * 1e3, 'f', 1), QStringLiteral("at most 50"));
    Bench::report(QStringLiteral("policy editor: open with 20,000 contacts vs 20"),
                  QString::number(medians[0] / medians[1], 'f', 2), QStringLiteral("at most 3"));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.pdf"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray(20'000'000, 'x'));
    file.close();
    PolicyEditView* view = few.open();
    double worst = 0;
    for (int round = 0; round < 5; ++round) {
        worst = std::max(worst, longestStallMs([view, &path] { view->loadPDF(path); }));
    }
    delete view;
    Bench::report(QStringLiteral("policy editor: longest stall attaching a 20 MB PDF (ms)"),
                  QString::number(worst, 'f', 1), QStringLiteral("at most 100"));
}

} // namespace

QS_BENCH_GROUP("editor", editorBench);
