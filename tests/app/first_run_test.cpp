#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>

#include "app/first_run.h"

TEST(FirstRunMarkerTest, WelcomesOncePerUserAndRespectsOtherValues)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath("tessaly/system.ini");
    FirstRunMarker marker(ini);
    EXPECT_TRUE(marker.TakeFirstRun());
    EXPECT_FALSE(marker.TakeFirstRun());
    EXPECT_EQ(QSettings(ini, QSettings::IniFormat).value("Quillon/INST").toString(), "Installed");

    const QString other = dir.filePath("other.ini");
    QSettings(other, QSettings::IniFormat).setValue("Quillon/INST", "not_installed");
    EXPECT_TRUE(FirstRunMarker(other).TakeFirstRun());
    QSettings(other, QSettings::IniFormat).setValue("Quillon/INST", "something else");
    EXPECT_FALSE(FirstRunMarker(other).TakeFirstRun());
}
