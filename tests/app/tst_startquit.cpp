// Start and quit of the real application object. Each case runs the program's
// start sequence in a child process of this test (one QApplication per
// process), with its own preferences folder, quits it the way a user does, and
// then looks at what it printed and at the settings file it left behind.

#include "app/capplication.h"
#include "mainwindow/menu.h"
#include "mainwindow/popupmenu.h"
#include "mainwindow/window1.h"
#include "settings/propertylist.h"
#include "settings/usermessage.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <iostream>

namespace
{

// --- the child: starts the application, reports, quits.

int runChild(int argc, char** argv, const QString& how)
{
    CApplication app(argc, argv);
    // Messages are printed for the test instead of waiting in a message box.
    UserMessage::setHandler([](const QString& text) { std::cout << "message " << text.toStdString() << std::endl; });
    app.Open();
    Window1* window = app.mainWindow();
    QTimer::singleShot(50, &app, [&] {
        const QRect b = window->contentBounds();
        std::cout << "bounds " << b.x() << ' ' << b.y() << ' ' << b.width() << ' ' << b.height() << std::endl;
        std::cout << "burner " << window->DevicePopup->currentText().toStdString() << std::endl;
        if (how == QLatin1String("close"))
            window->close();
        else if (how == QLatin1String("move")) {
            window->move(window->x() + 30, window->y() + 20);
            window->resize(window->width() + 40, window->height() + 50);
            QTimer::singleShot(50, window, &QWidget::close);
        } else
            Menu::shared()->FileQuit()->trigger();
    });
    const int rc = app.exec();
    std::cout << "quit " << rc << std::endl;
    return rc;
}

struct ChildResult {
    int exitCode = -1;
    QString output;
    QByteArray settings;
};

} // namespace

class TestStartQuit : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_config;

    QString settingsPath() const { return m_config.filePath(QStringLiteral("Kestrow Preferences")); }

    ChildResult runApp(const QString& how)
    {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--child"), how });
        ChildResult result;
        if (!child.waitForFinished(30000)) {
            child.kill();
            child.waitForFinished();
            return result;
        }
        result.exitCode = child.exitCode();
        result.output = QString::fromUtf8(child.readAllStandardOutput());
        QFile file(settingsPath());
        if (file.open(QIODevice::ReadOnly))
            result.settings = file.readAll();
        return result;
    }

    static QRect boundsOf(const ChildResult& r)
    {
        for (const QString& line : r.output.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("bounds "))) {
                const QStringList f = line.split(QLatin1Char(' '));
                return { f[1].toInt(), f[2].toInt(), f[3].toInt(), f[4].toInt() };
            }
        }
        return {};
    }

    static CFDictionaryRef parse(const QByteArray& data) { return cf_cast<CFDictionary>(PropertyList::fromData(data)); }

private Q_SLOTS:
    void init() { QFile::remove(settingsPath()); }

    void firstStartWritesPropertyList_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Quit menu item") << QStringLiteral("quit");
        QTest::newRow("close box") << QStringLiteral("close");
    }

    void firstStartWritesPropertyList()
    {
        QFETCH(QString, how);
        const ChildResult r = runApp(how);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.output.contains(QLatin1String("quit 0")), qPrintable(r.output));
        QCOMPARE(boundsOf(r).size(), Window1::DefaultContentSize);
        QVERIFY(r.output.contains(QLatin1String("burner None")));

        QVERIFY(r.settings.startsWith(PropertyList::XmlDeclaration));
        const CFDictionaryRef root = parse(r.settings);
        QVERIFY(root);
        QCOMPARE(root->stringValue(QStringLiteral("SelectedBurner"))->value(), QStringLiteral("None"));
        // The window's container exists, still empty: nothing was moved.
        const CFDictionaryRef window = root->dictionaryValue(QStringLiteral("BurnWindow"));
        QVERIFY(window);
        QCOMPARE(window->count(), 0);
    }

    void textFormIsConvertedKeepingEveryValue()
    {
        // The older indented tag form, lines ending in carriage returns.
        const QByteArray text = "<Speed>max</Speed>\r<Verify>True</Verify>\r<VolumePopup>1</VolumePopup>\r"
                                "<Note>\r    first\r    second\r</Note>\r"
                                "<BurnWindow>\r    <Left>100</Left>\r    <Top>80</Top>\r    <Width>700</Width>\r    <Height>400</Height>\r</BurnWindow>\r";
        QFile file(settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();

        const ChildResult r = runApp(QStringLiteral("quit"));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(boundsOf(r), QRect(100, 80, 700, 400));

        const CFDictionaryRef root = parse(r.settings);
        QVERIFY2(root, r.settings.constData());
        QCOMPARE(root->stringValue(QStringLiteral("Speed"))->value(), QStringLiteral("max"));
        QCOMPARE(root->stringValue(QStringLiteral("Verify"))->value(), QStringLiteral("True"));
        QCOMPARE(root->stringValue(QStringLiteral("VolumePopup"))->value(), QStringLiteral("1"));
        QCOMPARE(root->stringValue(QStringLiteral("Note"))->value(), QStringLiteral("first\rsecond"));
        const CFDictionaryRef window = root->dictionaryValue(QStringLiteral("BurnWindow"));
        QVERIFY(window);
        QCOMPARE(window->stringValue(QStringLiteral("Left"))->value(), QStringLiteral("100"));
        QCOMPARE(window->stringValue(QStringLiteral("Width"))->value(), QStringLiteral("700"));
    }

    void storedBoundsRestored_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("both stored") << 700 << 400 << QSize(700, 400);
        QTest::newRow("width below minimum") << 500 << 300 << QSize(Window1::DefaultContentSize.width(), 300);
        QTest::newRow("height below minimum") << 600 << 264 << QSize(600, Window1::DefaultContentSize.height());
        QTest::newRow("exactly the minimum") << 584 << 265 << QSize(584, 265);
    }

    void storedBoundsRestored()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(QSize, expected);
        auto root = CFMutableDictionary::create();
        auto window = CFMutableDictionary::create();
        window->setString(QStringLiteral("Left"), QStringLiteral("100"));
        window->setString(QStringLiteral("Top"), QStringLiteral("80"));
        window->setString(QStringLiteral("Width"), QString::number(width));
        window->setString(QStringLiteral("Height"), QString::number(height));
        root->setValue(QStringLiteral("BurnWindow"), window);
        QFile file(settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(PropertyList::toXmlData(root));
        file.close();

        const ChildResult r = runApp(QStringLiteral("quit"));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(boundsOf(r), QRect(QPoint(100, 80), expected));
        // Nothing is written back while the bounds are restored.
        const CFDictionaryRef saved = parse(r.settings)->dictionaryValue(QStringLiteral("BurnWindow"));
        QCOMPARE(saved->stringValue(QStringLiteral("Width"))->value(), QString::number(width));
    }

    void movingAndResizingAreStored()
    {
        const ChildResult r = runApp(QStringLiteral("move"));
        QCOMPARE(r.exitCode, 0);
        const QRect opened = boundsOf(r);
        const CFDictionaryRef window = parse(r.settings)->dictionaryValue(QStringLiteral("BurnWindow"));
        QVERIFY(window);
        QCOMPARE(window->stringValue(QStringLiteral("Left"))->value().toInt(), opened.x() + 30);
        QCOMPARE(window->stringValue(QStringLiteral("Top"))->value().toInt(), opened.y() + 20);
        QCOMPARE(window->stringValue(QStringLiteral("Width"))->value().toInt(), opened.width() + 40);
        QCOMPARE(window->stringValue(QStringLiteral("Height"))->value().toInt(), opened.height() + 50);
    }

    void unwritableFolderKeepsOldFileAndQuits()
    {
        if (geteuid() == 0)
            QSKIP("root can write into a read-only folder");
        QFile file(settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<Speed>4</Speed>\r");
        file.close();
        QFile::setPermissions(m_config.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const ChildResult r = runApp(QStringLiteral("quit"));
        QFile::setPermissions(m_config.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.settings, QByteArray("<Speed>4</Speed>\r"));
        QVERIFY2(r.output.contains(QLatin1String("message Unable to create XML output file")), qPrintable(r.output));
    }
};

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
        const QString how = QString::fromLocal8Bit(argv[2]);
        int childArgc = 1;
        return runChild(childArgc, argv, how);
    }
    QCoreApplication app(argc, argv);
    TestStartQuit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startquit.moc"
