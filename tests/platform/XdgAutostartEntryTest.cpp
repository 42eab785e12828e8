#include "platform/XdgAutostartEntry.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList linesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

TEST(XdgAutostartEntry, WritesAValidEntryWithTheProgramQuotedAndRemovesIt) {
    const QTemporaryDir config;
    // Blanks, the characters a shell or the entry's own quoting would take, and a field code.
    const QString program = R"(/opt/My Apps/a"b$c`d\e%f/quintaver-scheduler)";
    XdgAutostartEntry entry(config.filePath("config"), program);
    EXPECT_FALSE(entry.isEnabled());

    ASSERT_EQ(entry.setEnabled(true), std::nullopt);
    EXPECT_EQ(entry.filePath(),
              config.filePath("config/autostart/org.quintaver.Scheduler.desktop"));
    EXPECT_TRUE(entry.isEnabled());
    const QStringList lines = linesOf(entry.filePath());
    EXPECT_EQ(lines.value(0), "[Desktop Entry]");
    EXPECT_TRUE(lines.contains("Type=Application"));
    EXPECT_TRUE(lines.contains(R"(Exec="/opt/My Apps/a\\"b\\$c\\`d\\\\e%%f/quintaver-scheduler")"))
        << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains(R"(TryExec=/opt/My Apps/a"b$c`d\\e%f/quintaver-scheduler)"));
    EXPECT_TRUE(lines.contains("X-GNOME-Autostart-enabled=true"));
    EXPECT_TRUE(lines.contains("Icon=org.quintaver.Scheduler"));
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (!validator.isEmpty()) {
        QProcess validate;
        validate.start(validator, {entry.filePath()});
        ASSERT_TRUE(validate.waitForFinished(10'000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
    }

    ASSERT_EQ(entry.setEnabled(false), std::nullopt);
    EXPECT_FALSE(QFile::exists(entry.filePath()));
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_EQ(entry.setEnabled(false), std::nullopt);
}

TEST(XdgAutostartEntry, SaysWhyWhenTheFolderCannotBeMade) {
    const QTemporaryDir config;
    QFile blocker(config.filePath("config"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    XdgAutostartEntry entry(config.filePath("config"), "/usr/bin/quintaver-scheduler");
    EXPECT_NE(entry.setEnabled(true), std::nullopt);
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_NE(XdgAutostartEntry(config.filePath("other"), "quintaver-scheduler").setEnabled(true),
              std::nullopt);
}
