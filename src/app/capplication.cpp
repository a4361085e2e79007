#include "app/capplication.h"

#include "about/aboutbox.h"
#include "app/globalpictures.h"
#include "burner/diskrecordingmodule.h"
#include "burnlist/fileindex.h"
#include "mainwindow/menu.h"
#include "mainwindow/window1.h"
#include "photobackup/iphotowindow.h"
#include "settings/usermessage.h"
#include "settings/xmlmodule.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

CApplication::CApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Kestrow"));
    setApplicationDisplayName(QStringLiteral("Kestrow"));
    setOrganizationName(QStringLiteral("Kestrow"));
    setQuitOnLastWindowClosed(false); // the main window's close quits explicitly
    setDesktopFileName(QStringLiteral("kestrow"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/kestrow.png")));

    // Messages of the logic libraries are modal message boxes.
    UserMessage::setHandler([](const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, applicationDisplayName(), text, QMessageBox::Ok, activeWindow());
        box.exec();
    });

    DiskRecordingModule::ResetDeviceArray();

    Menu* menu = Menu::shared();
    connect(menu, &Menu::EnableMenuItems, this, &CApplication::EnableMenuItems);
    connect(menu->AppleAboutKestrow(), &QAction::triggered, this, &CApplication::AppleAboutKestrow);
    connect(menu->AppleKestrowHomepage(), &QAction::triggered, this, &CApplication::AppleKestrowHomepage);
    connect(menu->FileBackupiPhotoImages(), &QAction::triggered, this, &CApplication::FileBackupiPhotoImages);
    connect(this, &QCoreApplication::aboutToQuit, this, &CApplication::Close);
}

CApplication::~CApplication()
{
    delete m_window.data();
    UserMessage::setHandler({});
}

void CApplication::Open()
{
    Globals::BuildPictures();
    Globals::FileIndex().clear();

    m_preferencesFile = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath(QStringLiteral("Kestrow Preferences"));
    XMLModule::XMLRoot() = XMLModule::XMLLoad(m_preferencesFile);
    if (!XMLModule::XMLRoot()->IsPlist)
        XMLModule::XMLRoot()->SaveToPlist();

    m_window = new Window1();
    m_window->Open();
}

void CApplication::Close()
{
    if (m_closed)
        return;
    m_closed = true;

    auto& devices = DiskRecordingModule::DRDeviceArray();
    if (m_window && m_window->SelectedDevice) {
        // The window lets go of its burner too, so the burner objects end here.
        m_window->SelectedDevice->UnRegisterForCallback(m_window->CCallBack1);
        m_window->SelectedDevice.reset();
    }
    for (size_t i = 1; i < devices.size(); ++i)
        devices[i].reset();

    QDir().mkpath(QFileInfo(m_preferencesFile).absolutePath());
    XMLModule::XMLSave(m_preferencesFile, XMLModule::XMLRoot());
}

void CApplication::EnableMenuItems()
{
    Menu::shared()->AppleAboutKestrow()->setEnabled(true);
    Menu::shared()->AppleKestrowHomepage()->setEnabled(true);
}

QUrl CApplication::HomepageAddress()
{
    // The manual is installed beside the program (build/bin/../share/kestrow)
    // or found in the source tree when run from the build folder.
    const QString bin = applicationDirPath();
    const QStringList candidates = { bin + QStringLiteral("/../share/kestrow/manual.html"), bin + QStringLiteral("/manual.html") };
    for (const QString& candidate : candidates) {
        if (QFileInfo::exists(candidate))
            return QUrl::fromLocalFile(QFileInfo(candidate).canonicalFilePath());
    }
    return QUrl::fromLocalFile(bin + QStringLiteral("/manual.html"));
}

bool CApplication::AppleAboutKestrow()
{
    AboutBox::ShowShared(HomepageAddress(), m_window);
    return true;
}

bool CApplication::AppleKestrowHomepage()
{
    QDesktopServices::openUrl(HomepageAddress());
    return true;
}

bool CApplication::FileBackupiPhotoImages()
{
    if (m_window)
        IPhotoWindow::ShowShared(m_window->ListBox1, m_window, m_window);
    return true;
}
