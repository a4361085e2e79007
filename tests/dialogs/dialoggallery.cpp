// Renders every burn dialog, filled as during a burn, to PNG files in the
// folder given as the only argument, for looking at them. Not a test; run it
// under a display (or xvfb-run -a).

#include "app/globalpictures.h"
#include "dialogs/burnerinfowindow.h"
#include "dialogs/burnerrorwindow.h"
#include "dialogs/burnfinishedwindow.h"
#include "dialogs/burnsettingswindow.h"
#include "dialogs/burnstatuswindow.h"
#include "dialogs/warningdialog.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QTest>

namespace
{

QString outputFolder;

void save(QWidget* window, const QString& name)
{
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        fprintf(stderr, "not exposed: %s\n", qPrintable(name));
    QTest::qWait(100);
    const QString path = QDir(outputFolder).filePath(name + QStringLiteral(".png"));
    window->grab().save(path);
    printf("%s\n", qPrintable(path));
}

CFDictionaryRef burnerInfo()
{
    auto caps = CFMutableDictionary::create();
    caps->setBoolean(QStringLiteral("DRDeviceCanUnderrunProtectCDKey"), true);
    caps->setBoolean(QStringLiteral("DRDeviceCanWriteCDKey"), true);
    caps->setBoolean(QStringLiteral("DRDeviceCanWriteCDRKey"), true);
    caps->setBoolean(QStringLiteral("DRDeviceCanWriteCDRWKey"), false);
    auto info = CFMutableDictionary::create();
    info->setString(QStringLiteral("DRDeviceVendorNameKey"), QStringLiteral("Kestrow"));
    info->setString(QStringLiteral("DRDeviceProductNameKey"), QStringLiteral("Disc Image Burner"));
    info->setString(QStringLiteral("DRDeviceFirmwareRevisionKey"), QStringLiteral("1.5.4"));
    info->setString(QStringLiteral("DRDevicePhysicalInterconnectKey"), QStringLiteral("File"));
    info->setString(QStringLiteral("DRDevicePhysicalInterconnectLocationKey"), QStringLiteral("DRDevicePhysicalInterconnectLocationInternal"));
    info->setString(QStringLiteral("DRDeviceSupportLevelKey"), QStringLiteral("DRDeviceSupportLevelAppleShipping"));
    info->setValue(QStringLiteral("DRDeviceWriteCapabilitiesKey"), caps);
    return info;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: dialoggallery OUTPUT-FOLDER\n");
        return 2;
    }
    outputFolder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outputFolder);
    Globals::BuildPictures();

    QWidget mainWindow;
    mainWindow.resize(582, 255);
    mainWindow.show();

    struct Warning {
        const char* name;
        const char* message;
        int width, height;
        const char* key;
    };
    const Warning warnings[] = {
        { "warning-overburn",
            "There is more data in the burn list than the disk reports free. The burn will probably fail and may leave the disk unusable. Do you want to "
            "burn anyway?",
            500, 250, "NoWarning" },
        { "warning-dvd", "A data DVD takes only one session: after this burn nothing more can be added to it. Do you want to go on?", 500, 250,
            "DVDWarningKey" },
        { "warning-erase", "Erasing this disk will erase ALL sessions and ALL data on it. Are you sure you want to erase this disk?", 400, 125, "nothing" },
        { "warning-abort",
            "If you abort the burning process you may be left with a useless disk and any other sessions on the disk may not be readable either. Are you "
            "sure you want to abort this burn?",
            390, 137, "AbortWarningKey" },
    };
    for (const Warning& w : warnings) {
        WarningDialog dialog;
        dialog.Setup(QString::fromUtf8(w.message), w.width, w.height, QString::fromLatin1(w.key));
        save(&dialog, QString::fromLatin1(w.name));
    }

    {
        const CFArrayRef speeds = CFArray::create({ CFNumber::createFloat(1764), CFNumber::createFloat(3528), CFNumber::createFloat(7056) });
        BurnSettingsWindow cd(&mainWindow, speeds, false);
        save(&cd, QStringLiteral("settings-cd"));
        BurnSettingsWindow dvd(&mainWindow, CFArray::create({ CFNumber::createFloat(2770), CFNumber::createFloat(5540) }), true);
        save(&dvd, QStringLiteral("settings-dvd"));
    }
    {
        auto* status = new BurnStatusWindow(&mainWindow);
        status->StatusText->setText(QStringLiteral("Writing Track..."));
        status->ProgressBar1->setValue(37);
        save(status, QStringLiteral("status-writing"));
        status->StatusText->setText(QStringLiteral("Waiting for the disk to unmount..."));
        status->ProgressBar1->setMaximum(0);
        save(status, QStringLiteral("status-busy"));
        status->close();
    }
    {
        BurnErrorWindow* error = BurnErrorWindow::ShowError(&mainWindow,
            QStringLiteral("The burn failed: the drive reported a write error at sector 123456 while writing the session. (WRITE ERROR - RECOVERY NEEDED)"));
        save(error, QStringLiteral("error"));
        error->close();
        BurnFinishedWindow* finished = BurnFinishedWindow::ShowFinished(&mainWindow, [] {});
        save(finished, QStringLiteral("finished"));
        finished->close();
        BurnerInfoWindow* info = BurnerInfoWindow::ShowInfo(&mainWindow, burnerInfo());
        save(info, QStringLiteral("burnerinfo"));
        info->close();
    }
    return 0;
}
