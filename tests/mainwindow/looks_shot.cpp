// Development tool (not a test): pictures of the main window and of the burn
// status sheet for looking at them on scaled screens and with a dark palette.
//   looks_shot OUTDIR
// Set QT_SCALE_FACTOR=2 for a scaled screen, KESTROW_LOOKS_DARK=1 for the
// Fusion style with a dark palette (the program itself follows the desktop's
// palette). The burner is the fake service's, with a blank CD-R in it.

#include "../burner/fakedrservice.h"

#include "app/globalpictures.h"
#include "burner/discnames.h"
#include "dialogs/warningdialog.h"
#include "burner/diskrecordingmodule.h"
#include "burner/drconstants.h"
#include "burnlist/csuperlist.h"
#include "dialogs/burnstatuswindow.h"
#include "mainwindow/popupmenu.h"
#include "mainwindow/window1.h"
#include "settings/xmlmodule.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace
{
QPalette darkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 45, 48));
    p.setColor(QPalette::WindowText, QColor(230, 230, 230));
    p.setColor(QPalette::Base, QColor(30, 30, 32));
    p.setColor(QPalette::AlternateBase, QColor(50, 50, 55));
    p.setColor(QPalette::Text, QColor(230, 230, 230));
    p.setColor(QPalette::Button, QColor(60, 60, 64));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    p.setColor(QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Mid, QColor(90, 90, 95));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(127, 127, 127));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(127, 127, 127));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(127, 127, 127));
    return p;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: looks_shot OUTDIR\n");
        return 2;
    }
    QApplication app(argc, argv);
    if (qEnvironmentVariableIntValue("KESTROW_LOOKS_DARK")) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    Globals::BuildPictures();
    XMLModule::XMLRoot() = std::make_shared<CXML>();

    auto device = std::make_shared<FakeDevice>();
    device->info = FakeDevice::makeInfo(QStringLiteral("ACME"), QStringLiteral("Writer"), kDRDevicePhysicalInterconnectATAPI,
        kDRDevicePhysicalInterconnectLocationInternal);
    auto media = CFMutableDictionary::create();
    media->setNumber(kDRDeviceMediaBlocksFreeKey, 359847);
    media->setBoolean(kDRDeviceMediaIsAppendableKey, true);
    media->setBoolean(kDRDeviceMediaIsErasableKey, true);
    media->setNumber(kDRDeviceMediaSessionCountKey, 2);
    media->setString(kDRDeviceMediaTypeKey, kDRDeviceMediaTypeCDRW);
    auto status = CFMutableDictionary::create();
    status->setString(kDRDeviceMediaStateKey, kDRDeviceMediaStateMediaPresent);
    status->setValue(kDRDeviceMediaInfoKey, media);
    device->status = status;
    DiskRecordingModule::SetService(std::make_unique<FakeDRService>(QVector<DRDeviceRef> { device }));

    QTemporaryDir files;
    for (const char* name : { "holiday.jpg", "notes.txt", "a rather long file name for a list row.pdf" }) {
        QFile f(files.filePath(QString::fromLatin1(name)));
        (void)f.open(QIODevice::WriteOnly);
        f.write(QByteArray(150000, 'x'));
    }
    QDir().mkpath(files.filePath(QStringLiteral("Photos")));

    Window1 w;
    w.Open();
    w.DevicePopup->SelectIndex(1);
    device->sendStatus();

    QTimer::singleShot(200, &app, [&] {
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString& name : QDir(files.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            urls << QUrl::fromLocalFile(files.filePath(name));
        mime.setUrls(urls);
        QWidget* target = w.ListBox1->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &move);
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        w.ListBox1->setCurrentRow(1);
        QTimer::singleShot(800, &app, [&] {
            w.grab().save(out.filePath(QStringLiteral("main.png")));
            // The status sheet in the middle of a write, as the burn shows it.
            auto* sheet = new BurnStatusWindow(&w);
            sheet->StatusText->setText(QStringLiteral("Writing data..."));
            sheet->DetailText->setText(QStringLiteral("312.45m of 736.97m  \u00b7  8.0x  \u00b7  5:01 left"));
            sheet->ProgressBar1->setValue(42);
            sheet->show();
            QTimer::singleShot(300, &app, [&, sheet] {
                sheet->grab().save(out.filePath(QStringLiteral("status.png")));
                // "No Access" on the disc picture.
                auto noAccess = CFMutableDictionary::create();
                noAccess->setString(kDRDeviceMediaStateKey, kDRDeviceMediaStateNone);
                noAccess->setBoolean(kKestrowDeviceNoAccessKey, true);
                device->status = noAccess;
                device->sendStatus();
                QTimer::singleShot(200, &app, [&] {
                    w.grab().save(out.filePath(QStringLiteral("noaccess.png")));
                    // The warning about names the disc cannot keep, at its size.
                    QVector<DiscNames::Change> changes;
                    changes.append({ QStringLiteral("Summer Holiday Photos #3"), DiscNames::volumeName(QStringLiteral("Summer Holiday Photos #3")) });
                    for (int i = 1; i <= 12; ++i) {
                        const QString name = QStringLiteral("Holiday/IMG_%1 a very long description of the beach at sunset with friends.jpeg").arg(i);
                        changes.append({ name, DiscNames::jolietName(name.section(u'/', 1), false) });
                    }
                    WarningDialog warning;
                    warning.Setup(DiscNames::warningText(changes), 620, 330, QStringLiteral("NameChangeWarningKey"));
                    warning.show();
                    QCoreApplication::processEvents();
                    warning.grab().save(out.filePath(QStringLiteral("names.png")));
                    std::printf("saved in %s\n", qPrintable(out.path()));
                    app.quit();
                });
            });
        });
    });
    return app.exec();
}
