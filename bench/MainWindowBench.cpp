// The main window's figures: keystrokes, filter switches and selections with real widgets at
// a fixed size, and start-up measured in fresh processes of this program (--child).
#include "Harness.h"
#include "PolicyWorld.h"
#include "ScreenWorld.h"
#include "app/ContentView.h"
#include "documents/DocumentRenderer.h"
#include "model/Policy.h"
#include "platform/DesktopActions.h"
#include "platform/InMemoryNotificationService.h"
#include "platform/InstallationCheck.h"
#include "platform/NotificationCenter.h"
#include "policies/PolicyListModel.h"
#include "reminders/NotificationManager.h"
#include "store/ManagedObjectContext.h"
#include "ui/DialogConfirmation.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

constexpr QSize kWindowSize(1100, 720);

// Counts the paints of one widget, to know that a change reached the screen.
class PaintCounter final : public QObject {
public:
    explicit PaintCounter(QWidget* widget)
        : QObject(widget) {
        widget->installEventFilter(this);
    }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// A main window over a context, with everything else it is given made here.
struct Window {
    Window(ManagedObjectContext& context, const Clock& clock, LogChannel& log,
           const QString& settingsPath)
        : reminders(NotificationManager::make({service, installation, clock, log, center}))
        , settings(settingsPath, QSettings::IniFormat)
        , documents(QStringLiteral(QS_PDF_RENDERER), log)
        , view({{{context, *reminders, clock, log, desktop, PDFShareExport(QString(), QString()),
                  [](QWidget*) {}, documents},
                 confirmation},
                center,
                settings}) {
        view.resize(kWindowSize);
    }

    InMemoryNotificationService service;
    Bench::NotInstalled installation;
    NotificationCenter center;
    std::unique_ptr<NotificationManager> reminders;
    Bench::NoDesktop desktop;
    DialogConfirmation confirmation;
    QSettings settings;
    DocumentRenderer documents;
    ContentView view;
};

// Runs `change`, then the event loop until the list has painted the result.
double untilPaintedMs(PaintCounter& counter, const std::function<void()>& change) {
    QElapsedTimer timer;
    timer.start();
    const int before = counter.paints;
    change();
    for (int i = 0; i < 100 && counter.paints == before; ++i) {
        QCoreApplication::processEvents();
    }
    if (counter.paints == before) {
        std::fprintf(stderr, "the list was not painted\n");
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

void typeKey(QWidget* field, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(field, &release);
}

void clickAt(QWidget* widget, QPoint at) {
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }
}

void interactionFigures() {
    PolicyWorld::InMemory world(100'000);
    QTemporaryDir folder;
    Window window(world.store.container().viewContext(), world.clock, world.log,
                  folder.filePath(QStringLiteral("settings.ini")));
    window.view.show();
    auto* list = window.view.findChild<QListView*>(QStringLiteral("policyList"));
    auto* field = window.view.findChild<QLineEdit*>(QStringLiteral("policySearchField"));
    PaintCounter painted(list->viewport());
    untilPaintedMs(painted, [] {});
    field->setFocus();
    Bench::idle(300);

    double typing = 0;
    for (const char* word : {"lamedi", "generali", "pol-12"}) {
        for (const char* letter = word; *letter; ++letter) {
            const QString text = QString(QLatin1Char(*letter));
            typing =
                std::max(typing, untilPaintedMs(painted, [&] { typeKey(field, Qt::Key_A, text); }));
        }
        for (size_t i = 0; i < std::strlen(word); ++i) {
            typing = std::max(typing, untilPaintedMs(painted, [&] {
                                  typeKey(field, Qt::Key_Backspace, QString());
                              }));
        }
    }
    Bench::report(QStringLiteral("main window: worst keystroke to the repainted list, typing and "
                                 "erasing a search, 100,000 policies (ms)"),
                  QString::number(typing, 'f', 1), QStringLiteral("at most 16 ms"));

    double switching = 0;
    for (int round = 0; round < 3; ++round) {
        for (const int segment : {1, 2, 0, 2, 0}) {
            auto* button = window.view.findChild<QToolButton*>(QStringLiteral("policyFilter") +
                                                               QString::number(segment));
            switching = std::max(switching, untilPaintedMs(painted, [button] { button->click(); }));
        }
    }
    Bench::report(QStringLiteral("main window: worst filter switch to the repainted list, "
                                 "100,000 policies (ms)"),
                  QString::number(switching, 'f', 1), QStringLiteral("at most 16 ms"));

    double selecting = 0;
    auto* pane = window.view.findChild<QWidget*>(QStringLiteral("policyPane"));
    PaintCounter panePainted(pane);
    for (int row = 0; row < 12; ++row) {
        const QPoint at = list->visualRect(list->model()->index(row % 6, 0)).center();
        selecting = std::max(selecting,
                             untilPaintedMs(panePainted, [&] { clickAt(list->viewport(), at); }));
    }
    Bench::report(QStringLiteral("main window: worst selection of another policy to its painted "
                                 "pane, 100,000 policies (ms)"),
                  QString::number(selecting, 'f', 1), QStringLiteral("at most 16 ms"));
}

// A child's report: wall time from its start to the first painted list as the parent saw it,
// and what the child measured inside.
struct ChildFigures {
    double wallMs = 0;
    double openMs = 0;
    double windowMs = 0;
    double paintedMs = 0;
    double residentMb = 0;
};

ChildFigures runChild(const char* mode, const QString& store) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--child"), QLatin1String(mode), store});
    ChildFigures figures;
    QByteArray line;
    while (!line.contains('\n') && child.waitForReadyRead(60'000)) {
        line += child.readAll();
    }
    figures.wallMs = double(timer.nsecsElapsed()) / 1e6;
    child.waitForFinished();
    if (std::sscanf(line.constData(), "READY %lf %lf %lf %lf", &figures.openMs, &figures.windowMs,
                    &figures.paintedMs, &figures.residentMb) != 4) {
        std::fprintf(stderr, "child %s said: %s\n", mode, line.constData());
    }
    return figures;
}

void writeStore(const QString& path, int count) {
    PolicyWorld::InMemory unused(0);
    PersistenceController store(path, unused.clock, unused.log);
    PolicyWorld::fill(store.container().viewContext(), count);
}

void startUpFigures() {
    QTemporaryDir folder;
    const QString empty = folder.filePath(QStringLiteral("empty.sqlite"));
    const QString tenThousand = folder.filePath(QStringLiteral("10k.sqlite"));
    const QString hundredThousand = folder.filePath(QStringLiteral("100k.sqlite"));
    writeStore(empty, 0);
    writeStore(tenThousand, 10'000);
    writeStore(hundredThousand, 100'000);

    constexpr int kRounds = 5;
    std::vector<double> emptyWall, tenWall, tenData, emptyData, listed, fetched;
    double emptyMb = 0;
    double fullMb = 0;
    // The first round warms the page cache and the loader, and is not counted.
    for (int round = 0; round <= kRounds; ++round) {
        const ChildFigures none = runChild("window", empty);
        const ChildFigures ten = runChild("window", tenThousand);
        const ChildFigures full = runChild("window", hundredThousand);
        const ChildFigures fetch = runChild("fetch", hundredThousand);
        if (round == 0) {
            continue;
        }
        emptyWall.push_back(none.wallMs);
        tenWall.push_back(ten.wallMs);
        emptyData.push_back(none.windowMs);
        tenData.push_back(ten.windowMs);
        listed.push_back(full.paintedMs);
        fetched.push_back(fetch.paintedMs);
        emptyMb = none.residentMb;
        fullMb = full.residentMb;
    }
    std::fprintf(stderr, "start-up to the first painted window: empty %.1f ms, 10,000 %.1f ms\n",
                 Bench::median(emptyWall), Bench::median(tenWall));
    Bench::report(QStringLiteral("start-up to the first painted main window, 10,000 policies vs "
                                 "an empty store"),
                  QString::number(Bench::median(tenWall) / Bench::median(emptyWall), 'f', 2),
                  QStringLiteral("at most 1.5"));
    Bench::report(QStringLiteral("start-up: the data's part (store open, fetch and list model), "
                                 "10,000 policies (ms)"),
                  QString::number(Bench::median(tenData) - Bench::median(emptyData), 'f', 1),
                  QStringLiteral("at most 50 ms"));
    std::fprintf(stderr, "100,000: first painted list %.1f ms, open and fetch %.1f ms\n",
                 Bench::median(listed), Bench::median(fetched));
    Bench::report(QStringLiteral("first painted list vs the store's open and fetch, 100,000 "
                                 "policies"),
                  QString::number(Bench::median(listed) / Bench::median(fetched), 'f', 2),
                  QStringLiteral("at most 1.5"));
    Bench::report(QStringLiteral("resident memory after start-up, 100,000 policies vs an empty "
                                 "store (MB)"),
                  QStringLiteral("%1 vs %2").arg(fullMb, 0, 'f', 1).arg(emptyMb, 0, 'f', 1),
                  QStringLiteral("printed"));
}

void mainWindowBench() {
    interactionFigures();
    startUpFigures();
}

} // namespace

// A fresh process that opens a store and shows the main window (`window`), or only opens
// the store and fetches every policy as the list does (`fetch`); it prints when it is done
// and exits at once.
int Bench::childMain(int argc, char** argv) {
    using Steady = std::chrono::steady_clock;
    const auto msSince = [](Steady::time_point from) {
        return std::chrono::duration<double, std::milli>(Steady::now() - from).count();
    };
    QApplication app(argc, argv);
    if (argc != 4) {
        return 2;
    }
    const bool window = std::strcmp(argv[2], "window") == 0;
    const QString path = QString::fromLocal8Bit(argv[3]);
    QTemporaryDir folder;
    PolicyWorld::InMemory unused(0);
    const auto opening = Steady::now();
    PersistenceController store(path, unused.clock, unused.log);
    ManagedObjectContext& context = store.container().viewContext();
    double openMs = msSince(opening);
    double windowMs = 0;
    if (window) {
        const auto building = Steady::now();
        auto* parts = new Window(context, unused.clock, unused.log,
                                 folder.filePath(QStringLiteral("settings.ini")));
        windowMs = openMs + msSince(building);
        auto* list = parts->view.findChild<QListView*>(QStringLiteral("policyList"));
        PaintCounter painted(list->viewport());
        parts->view.show();
        untilPaintedMs(painted, [] {});
    } else {
        FetchRequest<Policy> request = Policy::fetchRequest();
        request.setSortDescriptors({SortDescriptor{QStringLiteral("expirationDate"), true}});
        Bench::doNotOptimize(context.fetch(request).size());
    }
    const double paintedMs = msSince(opening);
    std::printf("READY %.3f %.3f %.3f %.3f\n", openMs, windowMs, paintedMs,
                double(Bench::residentBytes()) / 1e6);
    std::fflush(stdout);
    ::_exit(0);
}

QS_BENCH_GROUP("window", mainWindowBench);
