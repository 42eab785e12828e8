// A later run of the program for the shared controller's test: it opens the store the way the
// program's start does (the data folder that XDG_DATA_HOME names) and prints each policy's id
// and name, one a line.
#include "model/PersistenceController.h"
#include "model/Policy.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quintaver-scheduler"));
    ManagedObjectContext& context = PersistenceController::shared().container().viewContext();
    for (const auto& policy : context.fetch(Policy::fetchRequest())) {
        std::printf("%s %s\n", qPrintable(policy->id().toString()), qPrintable(policy->name()));
    }
    return context.persistentStore() ? 0 : 1;
}
