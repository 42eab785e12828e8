// A second process for the store tests: it saves through its own controller, as another run of
// the program would, and says "saved <n>" on standard output after each save that returned.
//
//   store-writer <path> loop <tag>     saves forever, one policy and one counter change a save
//   store-writer <path> save <name>    saves one policy, as one start of the program would
#include "model/Contact.h"
#include "model/PersistenceController.h"
#include "model/Policy.h"
#include "platform/LogChannel.h"
#include "support/ManualClock.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: store-writer <path> loop <tag> | save <name>\n");
        return 2;
    }
    ManualClock clock(Instant(1'767'225'600'000));
    PersistenceController controller(args[1], clock, LogChannel::standardOutput());
    ManagedObjectContext& context = controller.container().viewContext();
    if (!context.persistentStore()) {
        return 1;
    }
    auto insert = [&](const QString& name, qint64 n) {
        auto policy = context.insert<Policy>();
        policy->setName(name);
        policy->setPolicyNumber(QString::number(n));
        policy->setProvider(QStringLiteral("Generali"));
        policy->setExpirationDate(Instant(1'800'000'000'000 + n));
        // Now and then a document that spans many pages.
        if (n % 5 == 0) {
            policy->setPdfData(QByteArray(40000 + int(n % 7) * 1000, char('a' + n % 26)));
        }
        return policy;
    };
    if (args[2] == u"save") {
        insert(args[3], 1);
        return context.save() ? 0 : 1;
    }
    std::shared_ptr<Contact> counter;
    for (const auto& contact : context.fetch(Contact::fetchRequest())) {
        if (contact->lastName() == u"counter") {
            counter = contact;
        }
    }
    if (!counter) {
        counter = context.insert<Contact>();
        counter->setLastName(QStringLiteral("counter"));
    }
    for (qint64 n = 0;; ++n) {
        auto policy = insert(args[3] + u'-' + QString::number(n), n);
        policy->setContact(counter);
        counter->setNotes(args[3] + u'-' + QString::number(n));
        if (!context.save()) {
            return 1;
        }
        LogChannel::standardOutput().write(QStringLiteral("saved %1").arg(n));
    }
}
