#include "Harness.h"
#include "PolicyWorld.h"
#include "contacts/ContactDetailView.h"
#include "contacts/ContactListModel.h"
#include "contacts/ContactListView.h"
#include "model/Contact.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/LogChannel.h"
#include "store/ManagedObjectContext.h"
#include "support/ManualClock.h"
#include "support/TimeHelpers.h"
#include "ui/DialogConfirmation.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>

#include <algorithm>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

using PolicyWorld::kNow;
using TimeHelpers::kDayMs;
constexpr int kContacts = 20'000;
constexpr int kPolicies = 100'000;
constexpr int kBusyContacts = 10; // each holding 50 policies

// An in-memory store of 20,000 contacts with made-up names and companies, and 100,000
// policies: 50 for each of the first ten contacts, the rest spread at random, a few without a
// contact.
struct ContactWorld {
    ContactWorld()
        : nullFile(::open("/dev/null", O_WRONLY | O_CLOEXEC))
        , log(nullFile)
        , store(true, clock, log) {
        ManagedObjectContext& context = store.container().viewContext();
        std::mt19937_64 random(17);
        for (int i = 0; i < kContacts; ++i) {
            auto contact = context.insert<Contact>();
            contact->setFirstName(PolicyWorld::madeUpName(random));
            contact->setLastName(PolicyWorld::madeUpName(random));
            if (random() % 2) {
                contact->setCompany(PolicyWorld::madeUpName(random) + QStringLiteral(" S.r.l."));
            }
            contacts.push_back(contact);
        }
        for (int i = 0; i < kPolicies; ++i) {
            auto policy = context.insert<Policy>();
            policy->setName(PolicyWorld::madeUpName(random));
            policy->setPolicyNumber(QStringLiteral("POL-%1").arg(i, 6, 10, QLatin1Char('0')));
            policy->setProvider(QStringLiteral("Generali"));
            policy->setExpirationDate(Instant(
                kNow.msSinceEpoch() + qint64(random() % (3 * 365 * kDayMs)) - 365 * kDayMs));
            policy->setCustomReminderDays(QStringLiteral("30, 15, 7"));
            const int owner = i < kBusyContacts * 50 ? i / 50 : int(random() % (kContacts + 100));
            if (owner < kContacts) {
                policy->setContact(contacts[size_t(owner)]);
            }
        }
        context.save();
    }
    ~ContactWorld() { ::close(nullFile); }

    ManualClock clock{kNow, QTimeZone("Europe/Rome")};
    int nullFile;
    LogChannel log;
    PersistenceController store;
    std::vector<std::shared_ptr<Contact>> contacts;
};

using Bench::elapsedMs;

// A keystroke as the user sees it: the field's text changes, the model follows, and the list
// is laid out and painted again. Each keystroke of typing `word` and erasing it, in ms.
std::vector<double> keystrokesMs(QLineEdit& field, QListView& list, const QString& word) {
    std::vector<double> samples;
    const auto type = [&](const QString& text) {
        samples.push_back(elapsedMs([&] {
            field.setText(text);
            QCoreApplication::sendPostedEvents();
            list.viewport()->repaint();
        }));
    };
    for (qsizetype length = 1; length <= word.size(); ++length) {
        type(word.left(length));
    }
    for (qsizetype length = word.size() - 1; length >= 0; --length) {
        type(word.left(length));
    }
    return samples;
}

// "median (worst of n)": the machine is shared, so the median says what a keystroke costs
// and the worst what a busy moment made of it.
QString medianAndWorst(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return QStringLiteral("%1 (worst %2 of %3)")
        .arg(samples[samples.size() / 2], 0, 'f', 1)
        .arg(samples.back(), 0, 'f', 1)
        .arg(samples.size());
}

void contactBench() {
    ContactWorld world;
    DialogConfirmation confirmation;
    ContactListView view({.context = world.store.container().viewContext(),
                          .clock = world.clock,
                          .log = world.log,
                          .confirmation = confirmation});
    view.resize(1180, 720);
    view.show();
    QApplication::processEvents();
    auto* field = view.findChild<QLineEdit*>(QStringLiteral("contactSearchField"));
    auto* list = view.findChild<QListView*>(QStringLiteral("contactList"));

    std::vector<double> typing;
    for (const char* word : {"lame", "Baceri", "srl", "zeto"}) {
        const std::vector<double> typed = keystrokesMs(*field, *list, QString::fromLatin1(word));
        typing.insert(typing.end(), typed.begin(), typed.end());
    }
    Bench::report(QStringLiteral("contact list: a keystroke typing and erasing a search, "
                                 "20,000 contacts, 100,000 policies (ms)"),
                  medianAndWorst(typing), QStringLiteral("at most 16 ms"));

    // Each of the ten contacts with 50 policies chosen in the list, three times over, its page
    // built, laid out and painted.
    std::vector<double> selecting;
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < kBusyContacts; ++i) {
            const QModelIndex index =
                view.model().index(view.model().rowOf(world.contacts[size_t(i)].get()));
            selecting.push_back(elapsedMs([&] {
                list->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect);
                QCoreApplication::sendPostedEvents();
                view.repaint();
            }));
            QApplication::processEvents();
        }
    }
    Bench::report(QStringLiteral("contact page: choosing a contact with 50 policies, shown and "
                                 "painted, 100,000 policies (ms)"),
                  medianAndWorst(selecting), QStringLiteral("at most 16 ms"));

    // The page of the last of them open while the clock enters a new minute: the page
    // updates in place, the colours of its rows alone.
    std::vector<double> ticks;
    for (int minute = 1; minute <= 30; ++minute) {
        ticks.push_back(elapsedMs([&] {
            world.clock.advanceTo(Instant(kNow.msSinceEpoch() + minute * 60'000));
            QCoreApplication::sendPostedEvents();
            view.repaint();
        }));
    }
    Bench::report(QStringLiteral("contact page: a minute tick on a contact with 50 policies, to "
                                 "the painted page (ms)"),
                  medianAndWorst(ticks), QStringLiteral("at most 4 ms"));

    // The list's visible rows painted again, each with its contact's number of policies.
    std::vector<double> paints;
    for (int round = 0; round < 30; ++round) {
        paints.push_back(elapsedMs([&] { list->viewport()->repaint(); }));
    }
    Bench::report(QStringLiteral("contact list: one paint of the visible rows (ms)"),
                  medianAndWorst(paints), QStringLiteral("at most 4 ms"));
}

} // namespace

QS_BENCH_GROUP("contacts", contactBench);
