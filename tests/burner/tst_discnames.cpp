// The names the disc gets for a session's items, computed with the burner
// layer's rules (Joliet 64 characters without the longer-names option, Rock
// Ridge 255 bytes, ISO 9660 depth, the volume name), and the warning listing
// what would change. The Joliet and Rock Ridge rows were checked against
// what libisofs wrote (xorriso -joliet on, read back with isoinfo -J and
// xorriso -find).

#include "burner/discnames.h"
#include "burner/drfile.h"
#include "burner/drfolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{
QString md5(const QString& name) { return QString::fromLatin1(QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Md5).toHex()); }
QString rep(const QString& s, int n) { return s.repeated(n); }
} // namespace

class TestDiscNames : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void joliet_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<int>("maxChars");
        QTest::addColumn<QString>("expected");
        QTest::newRow("63") << rep(u"a"_s, 63) << false << 64 << rep(u"a"_s, 63);
        QTest::newRow("64") << rep(u"a"_s, 64) << false << 64 << rep(u"a"_s, 64);
        QTest::newRow("65") << rep(u"a"_s, 65) << false << 64 << rep(u"a"_s, 64);
        QTest::newRow("65 folder") << rep(u"a"_s, 60) + u".jpeg"_s << true << 64 << rep(u"a"_s, 60) + u".jpe"_s;
        QTest::newRow("64 with extension") << rep(u"e"_s, 60) + u".txt"_s << false << 64 << rep(u"e"_s, 60) + u".txt"_s;
        QTest::newRow("65 with extension") << rep(u"f"_s, 61) + u".txt"_s << false << 64 << rep(u"f"_s, 61) + u".txt"_s;
        QTest::newRow("66 with extension") << rep(u"g"_s, 62) + u".txt"_s << false << 64 << rep(u"g"_s, 61) + u".txt"_s;
        QTest::newRow("long extension cut to 3") << rep(u"h"_s, 70) + u".jpeg"_s << false << 64 << rep(u"h"_s, 61) + u".jpe"_s;
        QTest::newRow("extension takes the rest") << rep(u"i"_s, 30) + u"."_s + rep(u"x"_s, 40) << false << 64
                                                  << rep(u"i"_s, 30) + u"."_s + rep(u"x"_s, 34);
        QTest::newRow("trailing dot") << rep(u"t"_s, 70) + u"."_s << false << 64 << rep(u"t"_s, 64);
        QTest::newRow("103 long names") << rep(u"a"_s, 103) << false << 103 << rep(u"a"_s, 103);
        QTest::newRow("104 long names") << rep(u"a"_s, 104) << false << 103 << rep(u"a"_s, 103);
        QTest::newRow("104 as written: 64") << rep(u"a"_s, 104) << false << 64 << rep(u"a"_s, 64);
        QTest::newRow("multibyte counts characters") << rep(u"\u00e9"_s, 70) << false << 64 << rep(u"\u00e9"_s, 64);
        QTest::newRow("not Joliet characters") << u"q:w*e?r;s\\t"_s << false << 64 << u"q_w_e_r_s_t"_s;
    }
    void joliet()
    {
        QFETCH(QString, name);
        QFETCH(bool, folder);
        QFETCH(int, maxChars);
        QFETCH(QString, expected);
        QCOMPARE(DiscNames::jolietName(name, folder, maxChars), expected);
    }

    void rockRidge_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("255 bytes") << rep(u"a"_s, 255) << rep(u"a"_s, 255);
        QTest::newRow("256 bytes") << rep(u"a"_s, 256) << rep(u"a"_s, 222) + u":"_s + md5(rep(u"a"_s, 256));
        QTest::newRow("254 bytes of two-byte characters") << rep(u"\u00e9"_s, 127) << rep(u"\u00e9"_s, 127);
        // As libisofs wrote it: 111 characters, ":" and the MD5.
        QTest::newRow("260 bytes of two-byte characters") << rep(u"\u00e9"_s, 130) << rep(u"\u00e9"_s, 111) + u":9d8e9d0986f2ef9ee24e063b37be0430"_s;
        QTest::newRow("a character cut in two") << u"a"_s + rep(u"\u00e9"_s, 130) << u"a"_s + rep(u"\u00e9"_s, 110) + u"_:"_s + md5(u"a"_s + rep(u"\u00e9"_s, 130));
    }
    void rockRidge()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const QString onDisc = DiscNames::rockRidgeName(name);
        QCOMPARE(onDisc, expected);
        QVERIFY(onDisc.toUtf8().size() <= 255);
    }

    void volume_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("16") << rep(u"v"_s, 16) << rep(u"v"_s, 16);
        QTest::newRow("17") << rep(u"v"_s, 17) << rep(u"v"_s, 16);
        QTest::newRow("32") << rep(u"v"_s, 32) << rep(u"v"_s, 16);
        QTest::newRow("33") << rep(u"v"_s, 33) << rep(u"v"_s, 16);
        QTest::newRow("16 two-byte characters: 32 bytes") << rep(u"\u00e9"_s, 17) << rep(u"\u00e9"_s, 16);
        QTest::newRow("three-byte characters: 30 of 32 bytes") << rep(u"\u65e5"_s, 11) << rep(u"\u65e5"_s, 10);
        QTest::newRow("a pair is not split") << rep(u"v"_s, 15) + u"\U0001F600"_s << rep(u"v"_s, 15);
    }
    void volume()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        QCOMPARE(DiscNames::volumeName(name), expected);
    }

    // A whole session: virtual folders and a real folder walked on the disk.
    void session()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString real = dir.filePath(u"Real"_s);
        QVERIFY(QDir().mkpath(real + u"/"_s + rep(u"s"_s, 70)));
        for (const QString& name : QStringList { u"short.txt"_s, rep(u"r"_s, 70) + u".txt"_s }) {
            QFile f(real + u"/"_s + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        DRFolderRef top = DRFolder::createVirtual(u"Docs"_s);
        top->AddChild(DRFolder::createReal(QFileInfo(real)));
        // Folders down to level 10 (the root is level 1, Docs level 2): deeper
        // than ISO 9660's 8 levels, but written in place, so no change.
        DRFolderRef deep = top;
        for (int level = 3; level <= 9; ++level) {
            DRFolderRef next = DRFolder::createVirtual(u"L%1"_s.arg(level));
            deep->AddChild(next);
            deep = next;
        }
        deep->AddChild(DRFolder::createVirtual(u"too deep"_s));
        // A Joliet path over 240 (1 + 2 x 60 for the first folder, 1 + 2 x 60
        // more for the second) leaves the item out there, its content too.
        DRFolderRef wide = DRFolder::createVirtual(rep(u"w"_s, 60));
        DRFolderRef wide2 = DRFolder::createVirtual(rep(u"x"_s, 60));
        DRFolderRef wide3 = DRFolder::createVirtual(rep(u"y"_s, 60));
        wide->AddChild(wide2);
        wide2->AddChild(wide3);
        wide3->AddChild(DRFolder::createVirtual(rep(u"z"_s, 60)));

        const QVector<DiscNames::Change> changes = DiscNames::check(u"Untitled Volume #12"_s, { top, wide });
        const QVector<DiscNames::Change> expected {
            { u"Untitled Volume #12"_s, u"Untitled Volume "_s },
            { u"Docs/Real/"_s + rep(u"s"_s, 70), rep(u"s"_s, 64) },
            { u"Docs/Real/"_s + rep(u"r"_s, 70) + u".txt"_s, rep(u"r"_s, 61) + u".txt"_s },
            { rep(u"w"_s, 60) + u"/"_s + rep(u"x"_s, 60), u"(left out of the Windows names: the path is too long)"_s },
        };
        QCOMPARE(changes, expected);
        QVERIFY(DiscNames::check(u"Short"_s, { DRFolder::createVirtual(u"fine"_s) }).isEmpty());
    }

    void warningListsTenAndCountsTheRest()
    {
        QVector<DiscNames::Change> changes;
        for (int i = 1; i <= 12; ++i)
            changes.append({ u"old %1"_s.arg(i), u"new %1"_s.arg(i) });
        const QString text = DiscNames::warningText(changes);
        QVERIFY(text.contains(u"Linux reads the full names (Rock Ridge)"_s));
        QVERIFY(text.contains(u"\nold 1 \u2192 new 1"_s));
        QVERIFY(text.contains(u"\nold 10 \u2192 new 10"_s));
        QVERIFY(!text.contains(u"old 11"_s));
        QVERIFY(text.endsWith(u"\nand 2 more"_s));
        // One line each: the item's own name, long names shortened in the middle.
        const QString longName = u"Trip/"_s + rep(u"n"_s, 40) + u".jpeg"_s;
        const QString line = DiscNames::warningText({ { longName, rep(u"n"_s, 40) + u".jpe"_s } }).section(u'\n', -1);
        QCOMPARE(line, rep(u"n"_s, 16) + u"\u2026"_s + rep(u"n"_s, 10) + u".jpeg \u2192 "_s + rep(u"n"_s, 16) + u"\u2026"_s + rep(u"n"_s, 11) + u".jpe"_s);
        changes.resize(10);
        QVERIFY(!DiscNames::warningText(changes).contains(u"more"_s));
    }
};

QTEST_GUILESS_MAIN(TestDiscNames)
#include "tst_discnames.moc"
