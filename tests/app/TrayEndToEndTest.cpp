// The panel icon with real tray hosts on the virtual display of the test command: an XEmbed
// tray (trayer) and, separately, a StatusNotifierWatcher on a session bus of the test's own.
// The tray side runs in a probe process wired as the program is; clicks are real pointer
// events sent to the X server (xdotool), or the Activate call a StatusNotifierItem host makes.
#include "PrivateBus.h"
#include "support/QtPrinters.h"
#include "support/WaitUntil.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// A process the test stops when it ends.
class Helper final {
public:
    Helper(const QString& program, const QStringList& arguments, const QString& busAddress) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        // libxkbcommon-x11 hands strndup a name that ends at its length, not at a NUL, which
        // AddressSanitizer's strict string checks take for an overflow.
        QString sanitizer = environment.value(QStringLiteral("ASAN_OPTIONS"));
        sanitizer.replace(QStringLiteral("strict_string_checks=1"),
                          QStringLiteral("strict_string_checks=0"));
        environment.insert(QStringLiteral("ASAN_OPTIONS"), sanitizer);
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(program, arguments);
    }
    ~Helper() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool started() { return m_process.waitForStarted(5000); }
    // The first match of `pattern` in what it printed, waiting at most `timeoutMs`.
    QRegularExpressionMatch waitFor(const QString& pattern, int timeoutMs = 20'000) {
        const QRegularExpression expression(pattern, QRegularExpression::MultilineOption);
        QRegularExpressionMatch match;
        waitUntil(
            [&] {
                m_output += QString::fromUtf8(m_process.readAllStandardOutput());
                match = expression.match(m_output);
                return match.hasMatch();
            },
            timeoutMs);
        return match;
    }
    // The last match of `pattern` in what it printed so far.
    QRegularExpressionMatch latest(const QString& pattern) {
        m_output += QString::fromUtf8(m_process.readAllStandardOutput());
        QRegularExpressionMatch last;
        auto matches =
            QRegularExpression(pattern, QRegularExpression::MultilineOption).globalMatch(m_output);
        while (matches.hasNext()) {
            last = matches.next();
        }
        return last;
    }
    const QString& output() const { return m_output; }

private:
    QProcess m_process;
    QString m_output;
};

bool xdotool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    return process.waitForFinished(10'000) && process.exitCode() == 0;
}

bool clickAt(int x, int y) {
    return xdotool({QStringLiteral("mousemove"), QString::number(x), QString::number(y),
                    QStringLiteral("click"), QStringLiteral("1")});
}

// A panel's watcher as the StatusNotifierItem specification describes it: items register
// with it, and it says that a host shows them.
class FakeWatcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    QStringList items() const { return m_items; }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message) {
        // An item names its bus name, or only its path on the caller's connection.
        m_items << (service.startsWith(u'/') ? message.service() + service : service);
        Q_EMIT StatusNotifierItemRegistered(m_items.last());
    }
    void RegisterStatusNotifierHost(const QString&) {}

Q_SIGNALS:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    QStringList m_items;
};

class TrayEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            GTEST_SKIP() << "needs the virtual display of the test command";
        }
        for (const char* tool : {"trayer", "xdotool"}) {
            ASSERT_FALSE(QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                << tool << " is installed by scripts/deps.sh";
        }
        ASSERT_TRUE(m_bus.isRunning());
    }

    // The popover opened with the seeded store's attention count; "Policy" in it opens the
    // main window's new-policy sheet.
    void expectPopoverThenSheet(Helper& probe) {
        const QRegularExpressionMatch popover =
            probe.waitFor(QStringLiteral("^popover policies=(\\d+) policy=(-?\\d+),(-?\\d+)$"));
        ASSERT_TRUE(popover.hasMatch()) << probe.output().toStdString();
        EXPECT_EQ(popover.captured(1), QStringLiteral("3"));
        ASSERT_TRUE(clickAt(popover.captured(2).toInt(), popover.captured(3).toInt()));
        EXPECT_TRUE(probe.waitFor(QStringLiteral("^sheet$")).hasMatch())
            << probe.output().toStdString();
    }

    PrivateBus m_bus;
};

TEST_F(TrayEndToEnd, AnXEmbedTrayShowsTheIconWhoseClickOpensThePopover) {
    Helper trayer(QStringLiteral("trayer"),
                  {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                   QStringLiteral("right"), QStringLiteral("--widthtype"),
                   QStringLiteral("request"), QStringLiteral("--height"), QStringLiteral("32"),
                   QStringLiteral("--SetDockType"), QStringLiteral("false")},
                  m_bus.address());
    ASSERT_TRUE(trayer.started());
    Helper probe(QStringLiteral(QS_TRAY_PROBE), {}, m_bus.address());
    ASSERT_TRUE(probe.started());
    const QString iconLine = QStringLiteral("^icon (-?\\d+) (-?\\d+) (\\d+) (\\d+)$");
    ASSERT_TRUE(probe.waitFor(iconLine).hasMatch()) << probe.output().toStdString();
    // The icon is placed once trayer has embedded it; each try clicks where it is now.
    QRegularExpressionMatch popover;
    for (int attempt = 0; attempt < 10 && !popover.hasMatch(); ++attempt) {
        const QRegularExpressionMatch icon = probe.latest(iconLine);
        ASSERT_TRUE(clickAt(icon.captured(1).toInt() + icon.captured(3).toInt() / 2,
                            icon.captured(2).toInt() + icon.captured(4).toInt() / 2));
        popover = probe.waitFor(QStringLiteral("^popover "), 1000);
    }
    ASSERT_TRUE(popover.hasMatch()) << probe.output().toStdString();
    expectPopoverThenSheet(probe);
}

TEST_F(TrayEndToEnd, AStatusNotifierHostShowsTheIconWhoseActivationOpensThePopover) {
    QDBusConnection connection = m_bus.connect();
    FakeWatcher watcher;
    ASSERT_TRUE(connection.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                                          QDBusConnection::ExportAllContents));
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    ASSERT_TRUE(
        xdotool({QStringLiteral("mousemove"), QStringLiteral("1100"), QStringLiteral("10")}));

    Helper probe(QStringLiteral(QS_TRAY_PROBE), {}, m_bus.address());
    ASSERT_TRUE(probe.started());
    ASSERT_TRUE(waitUntil([&] { return !watcher.items().isEmpty(); }, 20'000));
    const QString service = watcher.items().first();
    const QString path = QStringLiteral("/StatusNotifierItem");
    const auto property = [&](const QString& name) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get << QStringLiteral("org.kde.StatusNotifierItem") << name;
        const QDBusMessage reply = connection.call(get);
        return reply.arguments().isEmpty()
                   ? QVariant()
                   : reply.arguments().first().value<QDBusVariant>().variant();
    };
    ASSERT_TRUE(waitUntil(
        [&] { return property(QStringLiteral("Status")).toString() == QStringLiteral("Active"); },
        10'000));
    // The icon has pixels to show.
    const QDBusArgument pixmaps = property(QStringLiteral("IconPixmap")).value<QDBusArgument>();
    int drawn = 0;
    pixmaps.beginArray();
    while (!pixmaps.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray bytes;
        pixmaps.beginStructure();
        pixmaps >> width >> height >> bytes;
        pixmaps.endStructure();
        drawn += int(width > 0 && bytes.size() == width * height * 4);
    }
    pixmaps.endArray();
    EXPECT_GT(drawn, 0);

    // A host's click: the popover opens at the pointer.
    connection.call(QDBusMessage::createMethodCall(service, path,
                                                   QStringLiteral("org.kde.StatusNotifierItem"),
                                                   QStringLiteral("Activate"))
                    << 1100 << 10);
    expectPopoverThenSheet(probe);
}

} // namespace

#include "TrayEndToEndTest.moc"
