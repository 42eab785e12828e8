// A stand-in for the program in the single-instance tests: it claims the instance in the
// folder given as its first argument and reports, one line each, what happens to it.
#include "platform/DBusApplicationObject.h"
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <cstdio>

namespace {
void say(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    const QString name = QStringLiteral("org.quintaver.Scheduler");
    const QString path = QStringLiteral("/org/quintaver/Scheduler");
    const QString token = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    QDBusConnection bus = QDBusConnection::sessionBus();
    SingleInstance instance(QString::fromLocal8Bit(argv[1]), bus);
    const SingleInstance::Claim claim = instance.claim();
    if (claim == SingleInstance::Claim::Failed) {
        say(QStringLiteral("not locked: ") + instance.failure());
    } else if (claim == SingleInstance::Claim::HeldElsewhere) {
        const bool forwarded = instance.forwardActivation(name, path, token);
        say(forwarded ? QStringLiteral("forwarded") : QStringLiteral("not forwarded"));
        return forwarded ? 0 : 1;
    }
    DBusApplicationObject application;
    QObject::connect(&application, &DBusApplicationObject::activated,
                     [](const QString& t) { say(QStringLiteral("activated bus ") + t); });
    QObject::connect(&instance, &SingleInstance::activationRequested,
                     [](const QString& t) { say(QStringLiteral("activated socket ") + t); });
    if (bus.isConnected()) {
        bus.registerObject(path, &application, QDBusConnection::ExportAllSlots);
    }
    say(instance.publishOnBus(name) ? QStringLiteral("primary on bus") : QStringLiteral("primary"));
    return QCoreApplication::exec();
}
