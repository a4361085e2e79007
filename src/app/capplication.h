#pragma once

// The application object: the first and the last code of the program.
// Open (before the event loop) builds the shared pictures, loads the settings
// and shows the main window; Close (when the application quits) releases the
// burners and writes the settings back as a property list.

#include "mainwindow/window1.h"
#include "settings/cxml.h"

#include <QApplication>
#include <QPointer>
#include <QString>

class CApplication : public QApplication
{
    Q_OBJECT
public:
    CApplication(int& argc, char** argv);
    ~CApplication() override;

    // The settings file: "Kestrow Preferences" in the user's preferences folder.
    [[nodiscard]] QString PreferencesFile() const { return m_preferencesFile; }

    // The start sequence; call once before exec().
    void Open();
    // The quit sequence; runs once, when the application is about to quit.
    void Close();

    [[nodiscard]] Window1* mainWindow() const { return m_window; }

    // The program's home page: its manual, shipped beside the program.
    static QUrl HomepageAddress();

private:
    void EnableMenuItems();
    bool AppleAboutKestrow();
    bool AppleKestrowHomepage();
    bool FileBackupiPhotoImages();

    QString m_preferencesFile;
    QPointer<Window1> m_window;
    bool m_closed = false;
};
