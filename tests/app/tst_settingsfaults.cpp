// The settings written at quit when things go wrong: the preferences folder
// cannot be written (a read-only mount, or the folder replaced by a file
// while the program runs), and the program killed while it writes. The
// previous settings file must stay whole and byte for byte as it was, the
// user must be told when the save fails, and the program must end normally.
//
// The real application runs in a child process of this test (started with
// --child), one QApplication per process, with its preferences folder in
// XDG_CONFIG_HOME.

#include "app/capplication.h"
#include "mainwindow/menu.h"
#include "mainwindow/window1.h"
#include "settings/propertylist.h"
#include "settings/usermessage.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstring>
#include <iostream>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

const QString kPreferences = QStringLiteral("Kestrow Preferences");
const QString kMarkerKey = QStringLiteral("FaultTestMarker");

// --- the child: starts the application, perhaps spoils its preferences
// folder, and quits.

int runChild(int argc, char** argv, const QString& how)
{
    CApplication app(argc, argv);
    // Messages are printed for the test instead of waiting in a message box.
    UserMessage::setHandler([](const QString& text) { std::cout << "message " << text.toStdString() << std::endl; });
    app.Open();
    QTimer::singleShot(50, &app, [&] {
        if (how == QLatin1String("replace-folder")) {
            // The preferences folder goes away and a file takes its place.
            const QString folder = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
            const bool moved = QDir().rename(folder, folder + QStringLiteral(".away"));
            QFile file(folder);
            const bool replaced = file.open(QIODevice::WriteOnly) && file.write("not a folder") > 0;
            std::cout << "replaced " << (moved && replaced) << std::endl;
        }
        std::cout << "quitting" << std::endl;
        Menu::shared()->FileQuit()->trigger();
    });
    const int rc = app.exec();
    std::cout << "quit " << rc << std::endl;
    return rc;
}

// A settings file as the program writes it, with many values when asked
// for (so that writing it takes a while), and a marker value.
QByteArray settingsFile(int values)
{
    auto root = CFMutableDictionary::create();
    root->setString(kMarkerKey, QStringLiteral("old settings"));
    auto window = CFMutableDictionary::create();
    window->setString(QStringLiteral("Left"), QStringLiteral("120"));
    window->setString(QStringLiteral("Top"), QStringLiteral("90"));
    window->setString(QStringLiteral("Width"), QStringLiteral("700"));
    window->setString(QStringLiteral("Height"), QStringLiteral("400"));
    root->setValue(QStringLiteral("BurnWindow"), window);
    auto bulk = CFMutableDictionary::create();
    for (int i = 0; i < values; ++i)
        bulk->setString(QStringLiteral("Value%1").arg(i), QStringLiteral("a settings value that takes some room, number %1").arg(i));
    root->setValue(QStringLiteral("Bulk"), bulk);
    return PropertyList::toXmlData(root);
}

bool mountsPermitted = false;

} // namespace

class TestSettingsFaults : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_config;
    bool m_mounted = false;

    QString settingsPath() const { return m_config + QLatin1Char('/') + kPreferences; }

    bool writeSettings(const QByteArray& data) const
    {
        QFile file(settingsPath());
        return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
    }

    static QByteArray bytesOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void startChild(QProcess& child, const QString& how) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--child"), how });
    }

    // Runs the application to its end; answers its exit code (-1 when it
    // did not end by itself) and what it printed.
    std::pair<int, QString> runChild(const QString& how) const
    {
        QProcess child;
        startChild(child, how);
        if (!child.waitForFinished(30000)) {
            child.kill();
            child.waitForFinished();
            return { -1, QString::fromLocal8Bit(child.readAll()) };
        }
        return { child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1, QString::fromLocal8Bit(child.readAll()) };
    }

    // Whether the process has a file of the preferences folder open for
    // writing other than the settings file it read: the save's temporary file.
    bool writingTemporaryFile(qint64 pid) const
    {
        const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
        const QString folder = QDir(m_config).canonicalPath() + QLatin1Char('/');
        for (const QString& fd : fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
            const QString target = QFile::symLinkTarget(fds.filePath(fd));
            if (target.startsWith(folder) && !target.endsWith(QLatin1Char('/') + kPreferences) && !target.contains(QLatin1String("Database")))
                return true;
        }
        return false;
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_config = m_dir.filePath(QStringLiteral("config-%1").arg(QString::fromLatin1(QTest::currentTestFunction())));
        QDir(m_config).removeRecursively();
        QDir(m_config + QStringLiteral(".away")).removeRecursively();
        QFile::remove(m_config);
        QVERIFY(QDir().mkpath(m_config));
    }

    void cleanup()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_config).constData(), MNT_DETACH);
        m_mounted = false;
    }

    void readOnlyFolderAtQuit_data()
    {
        QTest::addColumn<QString>("how");
        // The folder itself made read-only by a read-only bind mount over it.
        QTest::newRow("read-only bind mount") << QStringLiteral("bind");
        // A file system of its own, remounted read-only.
        QTest::newRow("read-only tmpfs") << QStringLiteral("tmpfs");
        // Without mounts (root writes anywhere): the folder is moved away
        // while the program runs and a file is put in its place.
        QTest::newRow("folder replaced by a file") << QStringLiteral("replace-folder");
    }

    void readOnlyFolderAtQuit()
    {
        QFETCH(QString, how);
        const QByteArray old = settingsFile(10);
        const QByteArray cfg = QFile::encodeName(m_config);
        if (how == QLatin1String("bind")) {
            if (!mountsPermitted)
                QSKIP("mounting is not permitted here; the row \"folder replaced by a file\" covers the message");
            QVERIFY(writeSettings(old));
            QCOMPARE(::mount(cfg.constData(), cfg.constData(), nullptr, MS_BIND, nullptr), 0);
            m_mounted = true;
            QCOMPARE(::mount(nullptr, cfg.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr), 0);
        } else if (how == QLatin1String("tmpfs")) {
            if (!mountsPermitted)
                QSKIP("mounting is not permitted here; the row \"folder replaced by a file\" covers the message");
            QCOMPARE(::mount("kestrow-test", cfg.constData(), "tmpfs", 0, "size=4m"), 0);
            m_mounted = true;
            QVERIFY(writeSettings(old));
            QCOMPARE(::mount("kestrow-test", cfg.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr), 0);
        } else {
            QVERIFY(writeSettings(old));
        }
        const QStringList entriesBefore = QDir(m_config).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        if (m_mounted) {
            // Even root cannot write there now.
            QFile probe(m_config + QStringLiteral("/probe"));
            QVERIFY(!probe.open(QIODevice::WriteOnly));
        }

        const auto [exitCode, output] = runChild(how);
        QCOMPARE(exitCode, 0);
        QVERIFY2(output.contains(QLatin1String("quit 0")), qPrintable(output));
        QVERIFY2(output.contains(QLatin1String("message Unable to create XML output file\n")), qPrintable(output));
        QCOMPARE(output.count(QLatin1String("message Unable to create XML output file")), 1);

        if (how == QLatin1String("replace-folder")) {
            QVERIFY2(output.contains(QLatin1String("replaced 1")), qPrintable(output));
            QCOMPARE(bytesOf(m_config + QStringLiteral(".away/") + kPreferences), old);
            QCOMPARE(bytesOf(m_config), QByteArray("not a folder"));
            QCOMPARE(QDir(m_config + QStringLiteral(".away")).entryList({ kPreferences + QLatin1Char('*') }, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                QStringList { kPreferences });
        } else {
            QCOMPARE(bytesOf(settingsPath()), old);
            QCOMPARE(QDir(m_config).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), entriesBefore);
        }
    }

    void killedWhileWritingKeepsTheOldFile()
    {
        // Many values, so that the save at quit takes long enough to be
        // caught half way.
        const QByteArray old = settingsFile(30000);
        QVERIFY(writeSettings(old));

        // The process is stopped again and again until it is caught with
        // the save's temporary file open, then killed there.
        QProcess child;
        startChild(child, QStringLiteral("quit"));
        QVERIFY(child.waitForStarted());
        QByteArray printed;
        QTRY_VERIFY_WITH_TIMEOUT((printed += child.readAll()).contains("quitting") || child.state() != QProcess::Running, 60000);
        const qint64 pid = child.processId();
        bool caught = false;
        while (!caught && child.state() == QProcess::Running) {
            ::kill(static_cast<pid_t>(pid), SIGSTOP);
            // SIGSTOP takes effect asynchronously: wait for the stopped state.
            for (int i = 0; i < 200; ++i) {
                QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
                if (!stat.open(QIODevice::ReadOnly))
                    break;
                const QByteArray s = stat.readAll();
                const qsizetype close = s.lastIndexOf(')');
                if (close < 0 || s.mid(close + 2, 1) != "R")
                    break;
                QThread::usleep(100);
            }
            caught = writingTemporaryFile(pid);
            if (caught) {
                ::kill(static_cast<pid_t>(pid), SIGKILL);
            } else {
                ::kill(static_cast<pid_t>(pid), SIGCONT);
                QThread::usleep(2000);
            }
        }
        child.waitForFinished(10000);
        QVERIFY2(caught, "the program ended before it could be killed while writing its settings");
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);

        // The old file, whole; nothing beside it that could pass for it.
        QCOMPARE(bytesOf(settingsPath()), old);
        const QStringList stray = QDir(m_config).entryList({ kPreferences + QLatin1Char('*') }, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        QCOMPARE(stray, QStringList { kPreferences });

        // The next start reads the old settings and saves them again.
        const auto [exitCode, output] = runChild(QStringLiteral("quit"));
        QCOMPARE(exitCode, 0);
        QVERIFY2(!output.contains(QLatin1String("message ")), qPrintable(output));
        const CFDictionaryRef root = cf_cast<CFDictionary>(PropertyList::fromData(bytesOf(settingsPath())));
        QVERIFY(root);
        QCOMPARE(root->stringValue(kMarkerKey)->value(), QStringLiteral("old settings"));
        QCOMPARE(root->dictionaryValue(QStringLiteral("Bulk"))->count(), 30000);
    }
};

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) {
        const QString how = QString::fromLocal8Bit(argv[2]);
        int childArgc = 1;
        return runChild(childArgc, argv, how);
    }
    // A mount namespace of our own, made before any thread starts, so that
    // the mounts of the test vanish with it.
    mountsPermitted = ::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    QCoreApplication app(argc, argv);
    TestSettingsFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settingsfaults.moc"
