// The names the name check predicts are the names a real burn writes: one
// session on the disc-image burner, read back with xorriso (Rock Ridge),
// isoinfo -J (Joliet) and isoinfo (plain ISO 9660). Also: the burn reports
// its bytes written and total while writing.

#include "tst_burnfaults_support.h"

#include "burner/discnames.h"
#include "burner/drfile.h"
#include "burner/drfolder.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace BurnFaults;
using namespace Qt::StringLiterals;

namespace
{
QStringList run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    QStringList lines;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (!line.trimmed().isEmpty())
            lines << QString::fromUtf8(line.trimmed());
    return lines;
}
} // namespace

class TestDiscNamesE2E : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void namesAsWritten()
    {
        if (QStandardPaths::findExecutable(u"isoinfo"_s).isEmpty() || QStandardPaths::findExecutable(u"xorriso"_s).isEmpty())
            QSKIP("isoinfo and xorriso are needed to read the disc back");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString image = dir.filePath(u"image.iso"_s);
        const QString source = dir.filePath(u"src"_s);
        QVERIFY(QDir().mkpath(source));
        const QString longFile = u"r"_s.repeated(70) + u".jpeg"_s;
        QVERIFY(writeFile(source + u"/"_s + longFile, "x"));
        const QString plainLong = u"p"_s.repeated(65);
        QVERIFY(writeFile(source + u"/"_s + plainLong, "y"));

        const QString hugeName = u"\u00e9"_s.repeated(130); // 260 bytes
        DRFolderRef huge = DRFolder::createVirtual(hugeName);
        DRFolderRef deep = DRFolder::createVirtual(u"D2"_s);
        // A Joliet path over 240 characters.
        DRFolderRef wide = DRFolder::createVirtual(u"w"_s.repeated(60));
        DRFolderRef wide2 = DRFolder::createVirtual(u"x"_s.repeated(60));
        DRFolderRef wide3 = DRFolder::createVirtual(u"y"_s.repeated(60));
        DRFolderRef wide4 = DRFolder::createVirtual(u"z"_s.repeated(60));
        wide->AddChild(wide2);
        wide2->AddChild(wide3);
        wide3->AddChild(wide4);
        DRFolderRef at = deep;
        for (int level = 3; level <= 9; ++level) {
            DRFolderRef next = DRFolder::createVirtual(u"D%1"_s.arg(level));
            at->AddChild(next);
            at = next;
        }
        const QVector<DRFSObjectRef> items { DRFolder::createReal(QFileInfo(source)), huge, deep, wide };

        Rig rig(image);
        QVERIFY(rig.held());
        const QVector<CFDictionaryRef> statuses = rig.burn(u"Names Check"_s, items);
        QVERIFY2(anyDone(statuses), qPrintable(errorText(statuses)));

        // The bytes of the session while writing.
        bool numbers = false;
        for (const CFDictionaryRef& s : statuses)
            numbers = numbers || (stateOf(s) == kDRStatusStateTrackWrite && s->numberValue(kKestrowStatusBytesTotalKey));
        QVERIFY(numbers);

        const QVector<DiscNames::Change> predicted = DiscNames::check(u"Names Check"_s, items);
        auto onDisc = [&](const QString& path) {
            for (const DiscNames::Change& c : predicted)
                if (c.path == path)
                    return c.onDisc;
            return QString();
        };

        // Joliet, as Windows reads it.
        // The layer writes Joliet file names with the version ";1" (and a
        // bare "." before it when there is no extension); readers show them
        // without.
        QStringList joliet;
        for (QString line : run(u"isoinfo"_s, { u"-J"_s, u"-f"_s, u"-i"_s, image })) {
            if (line.endsWith(u";1"_s))
                line.chop(2);
            if (line.endsWith(u'.'))
                line.chop(1);
            joliet << line;
        }
        QVERIFY2(joliet.contains(u"/src/"_s + onDisc(u"src/"_s + longFile)), qPrintable(joliet.join(u'\n')));
        QVERIFY(joliet.contains(u"/src/"_s + onDisc(u"src/"_s + plainLong)));
        QCOMPARE(onDisc(u"src/"_s + longFile), u"r"_s.repeated(61) + u".jpe"_s);

        // Rock Ridge, as Linux reads it: the 260-byte name cut as predicted.
        const QStringList rockRidge = run(u"xorriso"_s, { u"-indev"_s, image, u"-find"_s, u"/"_s, u"-maxdepth"_s, u"1"_s });
        QVERIFY2(rockRidge.contains(u"'/"_s + onDisc(hugeName) + u"'"_s), qPrintable(rockRidge.join(u'\n')));
        QVERIFY(rockRidge.contains(u"'/src'"_s));

        // The Joliet path too long for libisofs is left out there, as predicted.
        const QString widePath = u"w"_s.repeated(60) + u"/"_s + u"x"_s.repeated(60);
        QVERIFY(onDisc(widePath).startsWith(u"(left out of the Windows names"_s));
        QVERIFY2(joliet.contains(u"/"_s + u"w"_s.repeated(60)), qPrintable(joliet.join(u'\n')));
        QVERIFY(!joliet.contains(u"/"_s + widePath));

        // Plain ISO 9660: folders deeper than its 8 levels stay in place (the
        // layer relaxes the rule), so the check does not list them.
        const QStringList iso = run(u"isoinfo"_s, { u"-f"_s, u"-i"_s, image });
        QVERIFY2(iso.contains(u"/D2/D3/D4/D5/D6/D7/D8/D9"_s), qPrintable(iso.join(u'\n')));
        QVERIFY(onDisc(u"D2/D3/D4/D5/D6/D7/D8/D9"_s).isEmpty());
    }
};

QTEST_MAIN(TestDiscNamesE2E)
#include "tst_discnames_e2e.moc"
