#include "platform/UserPreferences.h"
#include "support/QtPrinters.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The reminder agent reads the file the program keeps its settings in (the user's native
// settings file for the program's name), whoever wrote it.
TEST(UserPreferences, TheAgentReadsTheProgramsOwnSettingsFileAndDefaultsToSound) {
    EXPECT_EQ(UserPreferences::filePath(), QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                                     "quintaver-scheduler", "quintaver-scheduler")
                                               .fileName());

    const QTemporaryDir dir;
    const QString file = dir.filePath("settings.conf");
    EXPECT_TRUE(UserPreferences::soundEnabled(file));
    QFile garbage(file);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write("\x01\x02 not [an ini file\n");
    garbage.close();
    EXPECT_TRUE(UserPreferences::soundEnabled(file));
    QSettings(file, QSettings::IniFormat).setValue(UserPreferences::kSoundEnabled, false);
    EXPECT_FALSE(UserPreferences::soundEnabled(file));
}
