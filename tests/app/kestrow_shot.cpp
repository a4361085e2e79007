// Development tool: starts Kestrow with the user's settings, selects the
// disc-image burner, drops the given files and folders on the burn list the
// way a file manager does (drag enter, move, drop on the list's viewport),
// and saves a picture of the main window.
//   kestrow_shot OUT.png [PATH ...]
// Run it with a private HOME / XDG_CONFIG_HOME; QT_QPA_PLATFORM=offscreen works.

#include "app/capplication.h"
#include "burnlist/csuperlist.h"
#include "mainwindow/popupmenu.h"
#include "mainwindow/window1.h"
#include "settings/usermessage.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: kestrow_shot OUT.png [PATH ...]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QList<QUrl> urls;
    for (int i = 2; i < argc; ++i)
        urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));

    int appArgc = 1;
    CApplication app(appArgc, argv);
    UserMessage::setHandler([](const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); });
    app.Open();
    Window1* w = app.mainWindow();
    Globals::SetupPopup(w->DevicePopup, QStringLiteral("Internal Kestrow Disc Image via File"));

    QTimer::singleShot(300, &app, [&] {
        if (!urls.isEmpty()) {
            QMimeData mime;
            mime.setUrls(urls);
            QWidget* target = w->ListBox1->viewport();
            const QPoint at = target->rect().center();
            QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &enter);
            QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &move);
            QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(target, &drop);
            w->ListBox1->setCurrentRow(1);
        }
        QTimer::singleShot(1500, &app, [&] {
            w->grab().save(out);
            std::printf("saved %s\n", qPrintable(out));
            app.quit();
        });
    });
    return app.exec();
}
