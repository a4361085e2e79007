// Property lists: the XML reader and writer, the binary reader, and their
// agreement with Python's plistlib.

#include "settings/propertylist.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>
#include <optional>

Q_DECLARE_METATYPE(CFObjectRef)

namespace {

CFObjectRef str(const QString& text) { return CFString::create(text); }
CFObjectRef integer(qint64 v) { return CFNumber::create(v); }
CFObjectRef real(double v) { return CFNumber::create(v); }
CFObjectRef boolean(bool v) { return CFBoolean::create(v); }
CFObjectRef date(int y, int mo, int d, int h, int mi, int s) { return CFDate::create(QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::UTC)); }
CFObjectRef array(QVector<CFObjectRef> items = {}) { return CFArray::create(std::move(items)); }

CFObjectRef dict(std::initializer_list<std::pair<QString, CFObjectRef>> entries)
{
    auto d = CFMutableDictionary::create();
    for (const auto& [key, value] : entries)
        d->setValue(key, value);
    return d;
}

CFObjectRef nested(int levels)
{
    CFObjectRef inner = array();
    for (int i = 1; i < levels; ++i)
        inner = array({ inner });
    return inner;
}

QByteArray plist(const QByteArray& body)
{
    return QByteArray(PropertyList::XmlDeclaration) + "\n<plist version=\"1.0\">\n" + body + "\n</plist>\n";
}

bool same(const CFObjectRef& a, const CFObjectRef& b) { return a && b && a->equals(*b); }

// A binary property list made by hand, one object per entry, references and
// offsets as wide as asked; the trailer fields can be overridden to damage it.
struct Bplist {
    QVector<QByteArray> objects;
    quint64 top = 0;
    int offsetSize = 1;
    int refSize = 1;
    std::optional<quint64> count;
    std::optional<quint64> offsetTable;
    std::optional<quint64> firstOffset;

    static void putUnsigned(QByteArray& out, quint64 v, int size)
    {
        for (int i = size - 1; i >= 0; --i)
            out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    }

    QByteArray build() const
    {
        QByteArray out("bplist00");
        QVector<quint64> offsets;
        for (const QByteArray& o : objects) {
            offsets.append(static_cast<quint64>(out.size()));
            out += o;
        }
        if (firstOffset && !offsets.isEmpty())
            offsets[0] = *firstOffset;
        const auto table = static_cast<quint64>(out.size());
        for (const quint64 o : offsets)
            putUnsigned(out, o, offsetSize);
        out.append(6, '\0');
        out.append(static_cast<char>(offsetSize));
        out.append(static_cast<char>(refSize));
        putUnsigned(out, count.value_or(static_cast<quint64>(objects.size())), 8);
        putUnsigned(out, top, 8);
        putUnsigned(out, offsetTable.value_or(table), 8);
        return out;
    }
};

QByteArray withLength(int kind, qsizetype n)
{
    QByteArray out;
    if (n < 15) {
        out.append(static_cast<char>((kind << 4) | static_cast<int>(n)));
    } else {
        out.append(static_cast<char>((kind << 4) | 0xF));
        out.append('\x11');
        Bplist::putUnsigned(out, static_cast<quint64>(n), 2);
    }
    return out;
}

QByteArray ascii(const QByteArray& s) { return withLength(0x5, s.size()) + s; }

QByteArray refs(int kind, const QVector<int>& targets, int perEntry = 1)
{
    QByteArray out = withLength(kind, targets.size() / perEntry);
    for (const int t : targets)
        out.append(static_cast<char>(t));
    return out;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int v : values)
        out.append(static_cast<char>(v));
    return out;
}

// Runs a Python snippet; skips the calling test when python3 is missing.
struct PythonRun {
    bool ran = false;
    int exitCode = -1;
    QByteArray output;
};

PythonRun runPython(const QString& script, const QStringList& args)
{
    PythonRun run;
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        return run;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(python, QStringList { QStringLiteral("-c"), script } + args);
    if (!process.waitForFinished(30000))
        process.kill();
    run.ran = true;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = process.readAll();
    return run;
}

} // namespace

class TestPropertyList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writesExactLayout();
    void roundTrip_data();
    void roundTrip();
    void nonFiniteReals();
    void writerDropsCharactersXmlCannotHold();
    void writerSkipsNullEntries();
    void writerRefuses_data();
    void writerRefuses();
    void nestingLimitIsTheSameBothWays();

    void readerAccepts_data();
    void readerAccepts();
    void readerRefuses_data();
    void readerRefuses();
    void sharedTextsKeepTheirKind();
    void everyTruncationFails();
    void xmlDamageNeverCrashes();

    void binaryAccepts_data();
    void binaryAccepts();
    void binaryRefuses_data();
    void binaryRefuses();
    void binaryDamageNeverCrashes();
    void fromDataPicksTheFormat();

    void pythonReadsWhatWeWrite();
    void weReadWhatPythonWrites_data();
    void weReadWhatPythonWrites();
    void readsGeneratedAlbumFiles_data();
    void readsGeneratedAlbumFiles();
};

void TestPropertyList::writesExactLayout()
{
    auto root = CFMutableDictionary::create();
    root->setString(QStringLiteral("Name"), QStringLiteral("A&B <x>\r\n"));
    root->setNumber(QStringLiteral("Count"), -5);
    root->setReal(QStringLiteral("Speed"), 0.1);
    root->setValue(QStringLiteral("List"), array({ boolean(true), dict({}), array() }));
    root->setValue(QStringLiteral("Bytes"), CFData::create("abc"));
    root->setValue(QStringLiteral("When"), date(2024, 2, 29, 23, 5, 9));

    const QByteArray expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                                "<plist version=\"1.0\">\n"
                                "<dict>\n"
                                "\t<key>Name</key>\n"
                                "\t<string>A&amp;B &lt;x&gt;&#13;\n</string>\n"
                                "\t<key>Count</key>\n"
                                "\t<integer>-5</integer>\n"
                                "\t<key>Speed</key>\n"
                                "\t<real>0.1</real>\n"
                                "\t<key>List</key>\n"
                                "\t<array>\n"
                                "\t\t<true/>\n"
                                "\t\t<dict/>\n"
                                "\t\t<array/>\n"
                                "\t</array>\n"
                                "\t<key>Bytes</key>\n"
                                "\t<data>\n"
                                "\tYWJj\n"
                                "\t</data>\n"
                                "\t<key>When</key>\n"
                                "\t<date>2024-02-29T23:05:09Z</date>\n"
                                "</dict>\n"
                                "</plist>\n";
    const QByteArray written = PropertyList::toXmlData(root);
    QCOMPARE(written, expected);
    QCOMPARE(written.left(38), QByteArray(PropertyList::XmlDeclaration));
    QCOMPARE(qstrlen(PropertyList::XmlDeclaration), 38u);
}

void TestPropertyList::roundTrip_data()
{
    QTest::addColumn<CFObjectRef>("object");

    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.append(static_cast<char>(i));

    QTest::newRow("carriage returns") << str(QStringLiteral("one\rtwo\r\nthree\n"));
    QTest::newRow("markup characters") << str(QStringLiteral("a & b < c > d &amp; &#13;"));
    QTest::newRow("cdata end") << str(QStringLiteral("]]> and <![CDATA[x]]>"));
    QTest::newRow("unicode") << str(QStringLiteral("Zoë · 東京 · \U0001F4BF · \u00A0"));
    QTest::newRow("empty string") << str(QString());
    QTest::newRow("blanks kept") << str(QStringLiteral("  \t leading and trailing \n "));
    QTest::newRow("only blanks") << str(QStringLiteral(" \t\n "));
    QTest::newRow("integers") << array({ integer(0), integer(-1), integer(std::numeric_limits<qint64>::max()), integer(std::numeric_limits<qint64>::min()) });
    QTest::newRow("reals") << array({ real(0.1), real(1.0 / 3), real(-2.5e-300), real(5e-324), real(std::numeric_limits<double>::max()), real(1e21), real(3.0), real(-0.0) });
    QTest::newRow("booleans") << array({ boolean(true), boolean(false) });
    QTest::newRow("dates") << array({ date(2001, 1, 1, 0, 0, 0), date(1969, 12, 31, 23, 59, 59), date(9999, 12, 31, 23, 59, 59), date(1, 1, 1, 0, 0, 0) });
    QTest::newRow("data") << array({ CFData::create(QByteArray()), CFData::create(allBytes), CFData::create(QByteArray(1000, '\xFF')) });
    QTest::newRow("nested empties") << dict({ { QStringLiteral("a"), array() }, { QStringLiteral("d"), dict({}) }, { QStringLiteral("aa"), array({ array(), dict({}) }) }, { QString(), str(QString()) } });
    QTest::newRow("escaped keys") << dict({ { QStringLiteral("<&>\r"), integer(1) }, { QStringLiteral("]]>"), integer(2) } });
    QTest::newRow("bare string") << str(QStringLiteral("root"));
    QTest::newRow("deep") << nested(PropertyList::MaxNesting);
}

void TestPropertyList::roundTrip()
{
    QFETCH(CFObjectRef, object);
    QString error;
    const QByteArray written = PropertyList::toXmlData(object, &error);
    QVERIFY2(!written.isEmpty(), qPrintable(error));
    QVERIFY(written.startsWith(QByteArray(QByteArray(PropertyList::XmlDeclaration) + "\n" + PropertyList::XmlDoctype + "\n<plist version=\"1.0\">\n")));
    const CFObjectRef back = PropertyList::fromXmlData(written, &error);
    QVERIFY2(back, qPrintable(error));
    QVERIFY2(back->equals(*object), written.left(2000).constData());
}

void TestPropertyList::nonFiniteReals()
{
    const double inf = std::numeric_limits<double>::infinity();
    const QByteArray written = PropertyList::toXmlData(array({ real(std::nan("")), real(inf), real(-inf) }));
    QVERIFY(written.contains("<real>nan</real>"));
    QVERIFY(written.contains("<real>+infinity</real>"));
    QVERIFY(written.contains("<real>-infinity</real>"));
    const CFArrayRef back = cf_cast<CFArray>(PropertyList::fromXmlData(written));
    QVERIFY(back);
    QVERIFY(std::isnan(cf_cast<CFNumber>(back->valueAt(0))->toDouble()));
    QCOMPARE(cf_cast<CFNumber>(back->valueAt(1))->toDouble(), inf);
    QCOMPARE(cf_cast<CFNumber>(back->valueAt(2))->toDouble(), -inf);
    QVERIFY(!cf_cast<CFNumber>(back->valueAt(1))->isInteger());
}

void TestPropertyList::writerDropsCharactersXmlCannotHold()
{
    QString controls = QStringLiteral("a\x01" "b\x0B" "c\x1F" "d");
    controls += QChar(0xFFFE);
    controls += QStringLiteral("e");
    controls += QChar(0xFFFF);
    controls += QChar(u'\0');
    controls += QStringLiteral("\tf\r\n");
    const CFObjectRef object = dict({ { QStringLiteral("k\x02" "ey"), str(controls) } });
    const QByteArray written = PropertyList::toXmlData(object);
    QVERIFY(!written.isEmpty());
    QString error;
    const CFDictionaryRef back = cf_cast<CFDictionary>(PropertyList::fromXmlData(written, &error));
    QVERIFY2(back, qPrintable(error));
    QCOMPARE(back->keys(), QVector<QString> { QStringLiteral("key") });
    QCOMPARE(back->stringValue(QStringLiteral("key"))->value(), QStringLiteral("abcde\tf\r\n"));
}

void TestPropertyList::writerSkipsNullEntries()
{
    auto d = CFMutableDictionary::create();
    d->setValue(QStringLiteral("gone"), nullptr);
    d->setNumber(QStringLiteral("kept"), 1);
    const CFObjectRef object = array({ nullptr, d, nullptr });
    const CFArrayRef back = cf_cast<CFArray>(PropertyList::fromXmlData(PropertyList::toXmlData(object)));
    QVERIFY(back);
    QCOMPARE(back->count(), 1);
    QVERIFY(same(back->valueAt(0), dict({ { QStringLiteral("kept"), integer(1) } })));
    QVERIFY(same(PropertyList::fromXmlData(PropertyList::toXmlData(array({ nullptr }))), array()));
}

void TestPropertyList::writerRefuses_data()
{
    QTest::addColumn<CFObjectRef>("object");

    auto selfArray = CFMutableArray::create();
    selfArray->append(selfArray);
    auto outer = CFMutableDictionary::create();
    auto middle = CFMutableArray::create();
    middle->append(outer);
    outer->setValue(QStringLiteral("loop"), middle);

    QTest::newRow("null") << CFObjectRef();
    QTest::newRow("array holding itself") << CFObjectRef(selfArray);
    QTest::newRow("dictionary holding itself through an array") << CFObjectRef(outer);
    QTest::newRow("too deep") << nested(PropertyList::MaxNesting + 1);
    QTest::newRow("invalid date") << CFObjectRef(CFDate::create(QDateTime()));
    QTest::newRow("year 10000") << date(10000, 1, 1, 0, 0, 0);
}

void TestPropertyList::writerRefuses()
{
    QFETCH(CFObjectRef, object);
    QString error;
    QVERIFY(PropertyList::toXmlData(object, &error).isEmpty());
    QVERIFY(!error.isEmpty());
    if (auto a = cf_cast<CFMutableArray>(object))
        a->removeAt(0);
    if (auto d = cf_cast<CFMutableDictionary>(object))
        d->removeValue(QStringLiteral("loop"));
}

void TestPropertyList::nestingLimitIsTheSameBothWays()
{
    QByteArray deepest = QByteArray("<array>").repeated(PropertyList::MaxNesting) + QByteArray("</array>").repeated(PropertyList::MaxNesting);
    QVERIFY(same(PropertyList::fromXmlData(plist(deepest)), nested(PropertyList::MaxNesting)));
    QString error;
    const QByteArray tooDeep = QByteArray("<array>").repeated(PropertyList::MaxNesting + 1) + QByteArray("</array>").repeated(PropertyList::MaxNesting + 1);
    QVERIFY(!PropertyList::fromXmlData(plist(tooDeep), &error));
    QVERIFY2(error.contains(QStringLiteral("deeper than 512")), qPrintable(error));
}

void TestPropertyList::readerAccepts_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<CFObjectRef>("expected");

    QTest::newRow("without plist wrapper") << QByteArray("<string>x</string>") << str(QStringLiteral("x"));
    QTest::newRow("doctype skipped, entity never expanded")
        << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE plist [<!ENTITY e \"boom\">]>\n<plist><string>&e;</string></plist>") << str(QStringLiteral("&e;"));
    QTest::newRow("text split by comment and CDATA") << plist("<string>a<!-- c -->b<![CDATA[<&>]]>c</string>") << str(QStringLiteral("ab<&>c"));
    QTest::newRow("raw CR and CRLF kept") << plist("<string>a\r\nb\rc\n</string>") << str(QStringLiteral("a\r\nb\rc\n"));
    QTest::newRow("CR reference") << plist("<string>a&#13;b&#xD;</string>") << str(QStringLiteral("a\rb\r"));
    QTest::newRow("blanks kept") << plist("<string>  x \n</string>") << str(QStringLiteral("  x \n"));
    QTest::newRow("blanks only") << plist("<string> \t </string>") << str(QStringLiteral(" \t "));
    QTest::newRow("raw control character") << plist("<string>a\x01" "b</string>") << str(QStringLiteral("a\x01" "b"));
    QTest::newRow("control character reference") << plist("<string>&#1;</string>") << str(QStringLiteral("\x01"));
    QTest::newRow("invalid UTF-8 reads as U+FFFD") << plist("<string>a\xFF" "b</string>") << str(QStringLiteral("a\uFFFD" "b"));
    QTest::newRow("UTF-8 byte order mark") << QByteArray("\xEF\xBB\xBF<string>\xC3\xA9</string>") << str(QStringLiteral("é"));
    QTest::newRow("UTF-16 with byte order mark") << QByteArray("\xFF\xFE<\0s\0t\0r\0i\0n\0g\0>\0\xE9\0<\0/\0s\0t\0r\0i\0n\0g\0>\0", 38) << str(QStringLiteral("é"));
    QTest::newRow("latin-1 declared") << QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><string>\xE9</string>") << str(QStringLiteral("é"));
    QTest::newRow("integers with blanks and signs") << plist("<array><integer> +42 </integer><integer>-9223372036854775808</integer><integer>007</integer></array>")
                                                    << array({ integer(42), integer(std::numeric_limits<qint64>::min()), integer(7) });
    QTest::newRow("reals") << plist("<array><real>1e3</real><real>-.5</real><real>+2</real><real>-inf</real><real>+infinity</real><real>1e999</real></array>")
                           << array({ real(1000), real(-0.5), real(2), real(-std::numeric_limits<double>::infinity()), real(std::numeric_limits<double>::infinity()), real(std::numeric_limits<double>::infinity()) });
    QTest::newRow("date") << plist("<date> 2024-02-29T12:34:56Z </date>") << date(2024, 2, 29, 12, 34, 56);
    QTest::newRow("data with line breaks") << plist("<data>\n\tYW\n\tJj\r\n</data>") << CFObjectRef(CFData::create("abc"));
    QTest::newRow("empty data") << plist("<data></data>") << CFObjectRef(CFData::create(QByteArray()));
    QTest::newRow("duplicate key: last value at first place")
        << plist("<dict><key>a</key><integer>1</integer><key>b</key><true/><key>a</key><integer>3</integer></dict>")
        << dict({ { QStringLiteral("a"), integer(3) }, { QStringLiteral("b"), boolean(true) } });
    QTest::newRow("empty containers") << plist("<array><dict/><array></array><dict>\n</dict><string/></array>") << array({ dict({}), array(), dict({}), str(QString()) });
    QTest::newRow("empty key") << plist("<dict><key/><string>v</string></dict>") << dict({ { QString(), str(QStringLiteral("v")) } });
    QTest::newRow("attributes ignored") << QByteArray("<plist version=\"1.0\" x=\"y\"><true z=\"1\"/></plist>") << boolean(true);
    QTest::newRow("comments and processing instructions") << QByteArray("<!-- a --><?pi x?><plist><!-- b --><false/><!-- c --></plist><!-- d -->\n") << boolean(false);
    QTest::newRow("internal subset with quotes, comments, sections")
        << QByteArray("<!DOCTYPE plist [<!ENTITY % p \"x>y\"><![IGNORE[ <!ELEMENT a (b)> ]]><?pi ?><!-- \"' --><!ATTLIST plist v CDATA \"1\">]><plist><true/></plist>")
        << boolean(true);
    QTest::newRow("unknown entity and malformed references kept") << plist("<string>&nbsp; &#x; &#12a; &amp</string>") << str(QStringLiteral("&nbsp; &#x; &#12a; &amp"));
    QTest::newRow("reference to no character reads as U+FFFD") << plist("<string>a&#xD800;b&#x110000;c&#99999999999;</string>")
                                                             << str(QStringLiteral("a\uFFFD" "b\uFFFD" "c\uFFFD"));
    {
        // Larger than the size below which dictionaries have no index.
        QByteArray body("<dict>");
        auto expected = CFMutableDictionary::create();
        for (int i = 0; i < 40; ++i) {
            body += "<key>k" + QByteArray::number(i) + "</key><integer>" + QByteArray::number(i) + "</integer>";
            expected->setNumber(QStringLiteral("k%1").arg(i), i == 5 ? -5 : i);
        }
        body += "<key>k5</key><integer>-5</integer></dict>";
        QTest::newRow("large dictionary, duplicate key: last value at first place") << plist(body) << CFObjectRef(expected);
    }
}

void TestPropertyList::readerAccepts()
{
    QFETCH(QByteArray, input);
    QFETCH(CFObjectRef, expected);
    QString error;
    const CFObjectRef object = PropertyList::fromXmlData(input, &error);
    QVERIFY2(object, qPrintable(error));
    QVERIFY(object->equals(*expected));
    if (auto d = cf_cast<CFDictionary>(object))
        QCOMPARE(d->keys(), cf_cast<CFDictionary>(expected)->keys());
    QVERIFY(!cf_cast<CFMutableDictionary>(object));
}

void TestPropertyList::readerRefuses_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("errorPart");

    QByteArray garbage(4096, Qt::Uninitialized);
    QRandomGenerator random(20240229);
    for (char& c : garbage)
        c = static_cast<char>(random.bounded(256));
    garbage[0] = '<';

    QTest::newRow("empty") << QByteArray() << QStringLiteral("no property list");
    QTest::newRow("blanks") << QByteArray(" \n\t") << QStringLiteral("no property list");
    QTest::newRow("truncated") << plist("<dict><key>a</key><string>b</string></dict>").left(60) << QStringLiteral("Line");
    QTest::newRow("binary garbage") << garbage << QString();
    QTest::newRow("NUL byte") << plist(QByteArray("<string>a\0b</string>", 20)) << QStringLiteral("NUL byte");
    QTest::newRow("NUL reference") << plist("<string>a&#0;b</string>") << QStringLiteral("NUL");
    QTest::newRow("NUL hex reference") << plist("<string>a&#x000;b</string>") << QStringLiteral("NUL");
    QTest::newRow("integer 12abc") << plist("<integer>12abc</integer>") << QStringLiteral("\"12abc\"");
    QTest::newRow("integer empty") << plist("<integer/>") << QStringLiteral("<integer>");
    QTest::newRow("integer with fraction") << plist("<integer>1.5</integer>") << QStringLiteral("<integer>");
    QTest::newRow("integer too large") << plist("<integer>9223372036854775808</integer>") << QStringLiteral("<integer>");
    QTest::newRow("integer two signs") << plist("<integer>+-1</integer>") << QStringLiteral("<integer>");
    QTest::newRow("real not a number") << plist("<real>abc</real>") << QStringLiteral("<real>");
    QTest::newRow("real two points") << plist("<real>1.2.3</real>") << QStringLiteral("<real>");
    QTest::newRow("real empty") << plist("<real></real>") << QStringLiteral("<real>");
    QTest::newRow("real hexadecimal") << plist("<real>0x10</real>") << QStringLiteral("<real>");
    QTest::newRow("date month 13") << plist("<date>2024-13-01T00:00:00Z</date>") << QStringLiteral("<date>");
    QTest::newRow("date 30 February") << plist("<date>2023-02-30T00:00:00Z</date>") << QStringLiteral("<date>");
    QTest::newRow("date word") << plist("<date>yesterday</date>") << QStringLiteral("<date>");
    QTest::newRow("date without Z") << plist("<date>2024-01-01T00:00:00</date>") << QStringLiteral("<date>");
    QTest::newRow("date with space") << plist("<date>2024-01-01 00:00:00Z</date>") << QStringLiteral("<date>");
    QTest::newRow("date hour 24") << plist("<date>2024-01-01T24:00:00Z</date>") << QStringLiteral("<date>");
    QTest::newRow("data not base64") << plist("<data>!!!!</data>") << QStringLiteral("<data>");
    QTest::newRow("key without value") << plist("<dict><key>a</key></dict>") << QStringLiteral("<key>a</key> has no value");
    QTest::newRow("key after key") << plist("<dict><key>a</key><key>b</key><true/></dict>") << QStringLiteral("<key>a</key> has no value");
    QTest::newRow("value without key") << plist("<dict><string>v</string></dict>") << QStringLiteral("has no <key>");
    QTest::newRow("key in array") << plist("<array><key>a</key></array>") << QStringLiteral("outside a dictionary");
    QTest::newRow("two values in plist") << plist("<string>a</string><string>b</string>") << QStringLiteral("more than one value");
    QTest::newRow("two root elements") << QByteArray("<string>a</string><string>b</string>") << QStringLiteral("second root");
    QTest::newRow("text after root") << plist("<true/>") + "junk" << QStringLiteral("outside the root");
    QTest::newRow("text before root") << QByteArray("junk<plist><true/></plist>") << QStringLiteral("outside the root");
    QTest::newRow("text in plist") << QByteArray("<plist>x<true/></plist>") << QStringLiteral("inside <plist>");
    QTest::newRow("text in dict") << plist("<dict>x<key>a</key><true/></dict>") << QStringLiteral("inside <dict>");
    QTest::newRow("text in array") << plist("<array><true/>x</array>") << QStringLiteral("inside <array>");
    QTest::newRow("text in true") << plist("<true>yes</true>") << QStringLiteral("<true/>");
    QTest::newRow("element in string") << plist("<string>a<b/>c</string>") << QStringLiteral("only text");
    QTest::newRow("unknown element") << plist("<nil/>") << QStringLiteral("<nil> is not");
    QTest::newRow("empty plist") << QByteArray("<plist></plist>") << QStringLiteral("holds no value");
    QTest::newRow("mismatched tags") << plist("<array><string>a</array></string>") << QStringLiteral("Line 3");
    QTest::newRow("line counted with CR line ends") << QByteArray("<?xml version=\"1.0\"?>\r<plist>\r\r\n<integer>x</integer>\r</plist>") << QStringLiteral("Line 4: <integer>");
    QTest::newRow("100000 nested arrays") << plist(QByteArray("<array>").repeated(100000) + QByteArray("</array>").repeated(100000)) << QStringLiteral("deeper than");
    QTest::newRow("100000 unclosed arrays") << plist(QByteArray("<array>").repeated(100000)) << QString();
    QTest::newRow("bplist text given to the XML reader") << QByteArray("bplist00") << QString();
    QTest::newRow("unclosed internal subset") << QByteArray("<!DOCTYPE plist [<!ENTITY e \"x\">\n<plist><true/></plist>") << QStringLiteral("Line 1: Error parsing document type");
    QTest::newRow("doctype inside plist") << QByteArray("<plist>\n<!DOCTYPE plist><true/></plist>") << QStringLiteral("Line 2: Error parsing document type");
    QTest::newRow("unclosed comment") << plist("<true/><!-- x") << QStringLiteral("comment");
    QTest::newRow("unclosed CDATA") << plist("<string><![CDATA[x</string>") << QStringLiteral("CDATA");
    QTest::newRow("attribute without quotes") << QByteArray("<plist version=1.0><true/></plist>") << QStringLiteral("attribute");
    QTest::newRow("end tag first") << QByteArray("</plist>") << QStringLiteral("Line 1: Start-end tags mismatch");
    QTest::newRow("unclosed string") << QByteArray("<plist><string>abc") << QStringLiteral("<string> is not closed");
    QTest::newRow("space after <") << plist("< true/>") << QStringLiteral("Unrecognized tag");
}

void TestPropertyList::readerRefuses()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, errorPart);
    QString error;
    QVERIFY(!PropertyList::fromXmlData(input, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains(errorPart), qPrintable(error));
}

// The reader makes one object per short text and shares it: an <integer>
// and a <real> of the same digits, and a <string> of them, stay three kinds.
void TestPropertyList::sharedTextsKeepTheirKind()
{
    const CFArrayRef items = cf_cast<CFArray>(PropertyList::fromXmlData(
        plist("<array><integer>1</integer><real>1</real><string>1</string><integer>1</integer><real>1</real><string>1</string>"
              "<dict><key>1</key><string>1</string></dict><true/><false/><true/></array>")));
    QVERIFY(items);
    QCOMPARE(items->count(), 10);
    for (int i = 0; i < 6; i += 3) {
        QVERIFY(cf_cast<CFNumber>(items->valueAt(i)) && cf_cast<CFNumber>(items->valueAt(i))->isInteger());
        QVERIFY(cf_cast<CFNumber>(items->valueAt(i + 1)) && !cf_cast<CFNumber>(items->valueAt(i + 1))->isInteger());
        QCOMPARE(cf_cast<CFString>(items->valueAt(i + 2))->value(), QStringLiteral("1"));
    }
    const CFDictionaryRef dict = cf_cast<CFDictionary>(items->valueAt(6));
    QCOMPARE(dict->keys(), QVector<QString> { QStringLiteral("1") });
    QCOMPARE(dict->stringValue(QStringLiteral("1"))->value(), QStringLiteral("1"));
    QVERIFY(cf_cast<CFBoolean>(items->valueAt(7))->value());
    QVERIFY(!cf_cast<CFBoolean>(items->valueAt(8))->value());
    QVERIFY(cf_cast<CFBoolean>(items->valueAt(9))->value());
}

void TestPropertyList::everyTruncationFails()
{
    const QByteArray whole = PropertyList::toXmlData(dict({ { QStringLiteral("a"), array({ str(QStringLiteral("x&y")), integer(12), date(2020, 1, 2, 3, 4, 5) }) },
        { QStringLiteral("b"), CFData::create("bytes") }, { QStringLiteral("c"), real(1.5) } }));
    const qsizetype end = whole.lastIndexOf("</plist>");
    for (qsizetype n = 0; n < end + 8; ++n) {
        QString error;
        const CFObjectRef object = PropertyList::fromXmlData(whole.left(n), &error);
        QVERIFY2(!object, qPrintable(QString::number(n)));
        QVERIFY(!error.isEmpty());
    }
    QVERIFY(PropertyList::fromXmlData(whole.left(end + 8)));
}

// Every byte of a small file replaced by each character that matters to the
// reader: it answers an object or an error, never both, never neither.
void TestPropertyList::xmlDamageNeverCrashes()
{
    const QByteArray good = PropertyList::toXmlData(dict({ { QStringLiteral("s"), str(QStringLiteral("a&b\r")) }, { QStringLiteral("i"), integer(-12) },
        { QStringLiteral("r"), real(2.5) }, { QStringLiteral("d"), date(2020, 1, 2, 3, 4, 5) }, { QStringLiteral("b"), CFObjectRef(CFData::create("xyz")) },
        { QStringLiteral("a"), array({ boolean(true), boolean(false), dict({}) }) } }));
    static const char chars[] = "\0<>/&;#\r\n \xFF\x01xk]!";
    const QByteArray replacements(chars, sizeof chars - 1);
    int parsed = 0;
    for (qsizetype at = 0; at < good.size(); ++at) {
        for (const char c : replacements) {
            QByteArray damaged = good;
            damaged[at] = c;
            QString error;
            const CFObjectRef object = PropertyList::fromXmlData(damaged, &error);
            QCOMPARE(object == nullptr, !error.isEmpty());
            parsed += object ? 1 : 0;
        }
    }
    QVERIFY(parsed > 0);
}

void TestPropertyList::binaryAccepts_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<CFObjectRef>("expected");

    Bplist nulKey;
    nulKey.objects = { refs(0xD, { 1, 2 }, 2), ascii(QByteArray("a\0b", 3)), bytes({ 0x10, 7 }) };
    QTest::newRow("NUL inside a key") << nulKey.build() << dict({ { QString::fromLatin1("a\0b", 3), integer(7) } });

    Bplist ints;
    ints.objects = { refs(0xA, { 1, 2, 3, 4, 5, 6 }), bytes({ 0x10, 0xFF }), bytes({ 0x11, 0xFF, 0xFF }), bytes({ 0x12, 0xFF, 0xFF, 0xFF, 0xFF }),
        bytes({ 0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE }), bytes({ 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0 }),
        bytes({ 0x14, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF }) };
    QTest::newRow("integers of every width") << ints.build() << array({ integer(255), integer(65535), integer(4294967295), integer(-2), integer(256), integer(-1) });

    Bplist reals;
    reals.objects = { refs(0xA, { 1, 2, 3 }), bytes({ 0x22, 0x3F, 0xC0, 0, 0 }), bytes({ 0x23, 0x40, 0x09, 0x21, 0xFB, 0x54, 0x44, 0x2D, 0x18 }),
        bytes({ 0x33, 0x41, 0xC1, 0xDE, 0x0D, 0x00, 0x00, 0x00, 0x00 }) };
    QTest::newRow("float, double, date") << reals.build() << array({ real(1.5), real(3.141592653589793), CFObjectRef(CFDate::create(QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC).addSecs(599529984))) });

    Bplist texts;
    texts.objects = { refs(0xA, { 1, 2, 3, 4 }), ascii(QByteArray(20, 'x')), bytes({ 0x64, 0x00, 0xE9, 0xD8, 0x3D, 0xDC, 0xBF, 0x00, 0x0D }), bytes({ 0x43, 1, 2, 3 }), bytes({ 0x50 }) };
    QTest::newRow("strings and data") << texts.build() << array({ str(QString(20, u'x')), str(QStringLiteral("é\U0001F4BF\r")), CFObjectRef(CFData::create("\x01\x02\x03")), str(QString()) });

    Bplist misc;
    misc.objects = { refs(0xA, { 1, 2, 3, 4, 5 }), bytes({ 0x09 }), bytes({ 0x08 }), bytes({ 0x81, 0x01, 0x00 }), refs(0xC, { 1 }), bytes({ 0x00 }) };
    QTest::newRow("booleans, UID, set, null") << misc.build() << array({ boolean(true), boolean(false), integer(256), array({ boolean(true) }), nullptr });

    Bplist sharedWide;
    sharedWide.objects = { bytes({ 0xA3, 0, 1, 0, 1, 0, 1 }), bytes({ 0xD1, 0, 2, 0, 3 }), ascii("k"), ascii("v") };
    sharedWide.offsetSize = 4;
    sharedWide.refSize = 2;
    const CFObjectRef kv = dict({ { QStringLiteral("k"), str(QStringLiteral("v")) } });
    QTest::newRow("shared container, wide references") << sharedWide.build() << array({ kv, kv, kv });

    Bplist duplicate;
    duplicate.objects = { refs(0xD, { 1, 1, 2, 3 }, 2), ascii("k"), bytes({ 0x10, 1 }), bytes({ 0x10, 2 }) };
    QTest::newRow("duplicate key: last wins") << duplicate.build() << dict({ { QStringLiteral("k"), integer(2) } });

    QVector<int> many;
    for (int i = 0; i < 20; ++i)
        many.append(1);
    Bplist longArray;
    longArray.objects = { refs(0xA, many), bytes({ 0x09 }) };
    QVector<CFObjectRef> trues(20, CFBoolean::create(true));
    QTest::newRow("length in a following integer") << longArray.build() << array(trues);
}

void TestPropertyList::binaryAccepts()
{
    QFETCH(QByteArray, input);
    QFETCH(CFObjectRef, expected);
    QString error;
    const CFObjectRef object = PropertyList::fromData(input, &error);
    QVERIFY2(object, qPrintable(error));
    QVERIFY(object->equals(*expected));
}

void TestPropertyList::binaryRefuses_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("errorPart");

    Bplist valid;
    valid.objects = { refs(0xD, { 1, 2 }, 2), ascii("key"), ascii("value") };
    const QByteArray good = valid.build();
    QVERIFY(PropertyList::fromBinaryData(good));

    Bplist selfArray;
    selfArray.objects = { refs(0xA, { 0 }) };
    QTest::newRow("array holding itself") << selfArray.build() << QStringLiteral("contains itself");

    Bplist indirect;
    indirect.objects = { refs(0xA, { 1 }), refs(0xD, { 2, 0 }, 2), ascii("k") };
    QTest::newRow("dictionary holding its array") << indirect.build() << QStringLiteral("contains itself");

    Bplist unfolding;
    for (int i = 0; i < 64; ++i)
        unfolding.objects.append(refs(0xA, { i + 1, i + 1 }));
    unfolding.objects.append(ascii("leaf"));
    QTest::newRow("sharing that unfolds to 2^64 objects") << unfolding.build() << QStringLiteral("unfold");

    Bplist deep;
    for (int i = 0; i < 600; ++i)
        deep.objects.append(bytes({ 0xA1, 0, i + 1 }));
    deep.objects.append(bytes({ 0xA0 }));
    deep.refSize = 2;
    deep.offsetSize = 2;
    for (int i = 0; i < 600; ++i) {
        deep.objects[i][1] = static_cast<char>((i + 1) >> 8);
        deep.objects[i][2] = static_cast<char>((i + 1) & 0xFF);
    }
    QTest::newRow("600 nested arrays") << deep.build() << QStringLiteral("deeper than");

    Bplist b;
    b = valid;
    b.offsetSize = 0;
    QTest::newRow("offset size 0") << b.build() << QStringLiteral("offsets are 0 bytes");
    b = valid;
    b.refSize = 9;
    QTest::newRow("reference size 9") << b.build() << QStringLiteral("references are 9 bytes");
    b = valid;
    b.count = 1ull << 40;
    QTest::newRow("object count beyond the file") << b.build() << QStringLiteral("claims");
    b = valid;
    b.count = 0;
    QTest::newRow("no objects") << b.build() << QStringLiteral("claims 0");
    b = valid;
    b.top = 3;
    QTest::newRow("top object missing") << b.build() << QStringLiteral("top object");
    b = valid;
    b.offsetTable = ~0ull - 5;
    QTest::newRow("offset table past the end") << b.build() << QStringLiteral("offset table");
    b = valid;
    b.offsetTable = 8;
    QTest::newRow("offset table before its objects") << b.build() << QStringLiteral("cannot all lie before");
    b = valid;
    b.firstOffset = 200;
    QTest::newRow("object offset past the end") << b.build() << QStringLiteral("outside the file");
    b = valid;
    b.firstOffset = 2;
    QTest::newRow("object offset inside the header") << b.build() << QStringLiteral("outside the file");

    Bplist longString;
    longString.objects = { bytes({ 0x5F, 0x13, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'a' }) };
    QTest::newRow("string longer than the file") << longString.build() << QStringLiteral("cut off");
    Bplist longUtf16;
    longUtf16.objects = { bytes({ 0x6F, 0x13, 0x80, 0, 0, 0, 0, 0, 0, 1, 0, 'a' }) };
    QTest::newRow("UTF-16 length that overflows") << longUtf16.build() << QStringLiteral("cut off");
    Bplist bigArray;
    bigArray.objects = { bytes({ 0xAF, 0x12, 0x10, 0, 0, 0, 0 }) };
    QTest::newRow("array count beyond the file") << bigArray.build() << QStringLiteral("cut off");
    Bplist badLength;
    badLength.objects = { bytes({ 0x5F, 0x23, 0, 0, 0, 0, 0, 0, 0, 1 }) };
    QTest::newRow("length not an integer") << badLength.build() << QStringLiteral("malformed length");
    Bplist badRef;
    badRef.objects = { refs(0xA, { 9 }) };
    QTest::newRow("reference to a missing object") << badRef.build() << QStringLiteral("points to object 9");
    Bplist numberKey;
    numberKey.objects = { refs(0xD, { 1, 1 }, 2), bytes({ 0x10, 1 }) };
    QTest::newRow("key not a string") << numberKey.build() << QStringLiteral("not a string");
    Bplist nullKey;
    nullKey.objects = { refs(0xD, { 1, 1 }, 2), bytes({ 0x00 }) };
    QTest::newRow("null key") << nullKey.build() << QStringLiteral("not a string");
    Bplist hugeInt;
    hugeInt.objects = { bytes({ 0x14, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0 }) };
    QTest::newRow("128-bit integer beyond 64 bits") << hugeInt.build() << QStringLiteral("does not fit");
    Bplist unsigned64;
    unsigned64.objects = { bytes({ 0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0 }) };
    QTest::newRow("unsigned 64-bit beyond the signed range") << unsigned64.build() << QStringLiteral("does not fit");
    Bplist wideInt;
    wideInt.objects = { bytes({ 0x15, 0 }) };
    QTest::newRow("integer of 32 bytes") << wideInt.build() << QStringLiteral("32 bytes");
    Bplist oddReal;
    oddReal.objects = { bytes({ 0x20, 0 }) };
    QTest::newRow("real of 1 byte") << oddReal.build() << QStringLiteral("real object");
    Bplist nanDate;
    nanDate.objects = { bytes({ 0x33, 0x7F, 0xF8, 0, 0, 0, 0, 0, 0 }) };
    QTest::newRow("date nan") << nanDate.build() << QStringLiteral("date object");
    Bplist fill;
    fill.objects = { bytes({ 0x0F }) };
    QTest::newRow("fill byte as object") << fill.build() << QStringLiteral("unknown marker");
    Bplist unknown;
    unknown.objects = { bytes({ 0x90 }) };
    QTest::newRow("unknown marker") << unknown.build() << QStringLiteral("unknown marker");
    Bplist nullTop;
    nullTop.objects = { bytes({ 0x00 }) };
    QTest::newRow("null top object") << nullTop.build() << QStringLiteral("null");

    QTest::newRow("truncated trailer") << good.left(good.size() - 1) << QString();
    QTest::newRow("header only") << QByteArray("bplist00") << QStringLiteral("too short");
    QTest::newRow("not a binary property list") << QByteArray(64, 'x') << QStringLiteral("not a binary property list");
    QTest::newRow("other version") << QByteArray("bplist01") + good.mid(8) << QStringLiteral("unknown version");
    QByteArray garbage = "bplist00" + QByteArray(200, Qt::Uninitialized);
    QRandomGenerator random(7);
    for (qsizetype i = 8; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>(random.bounded(256));
    QTest::newRow("garbage after the magic") << garbage << QString();
}

void TestPropertyList::binaryRefuses()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, errorPart);
    QString error;
    QVERIFY(!PropertyList::fromBinaryData(input, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY2(error.contains(errorPart), qPrintable(error));
}

// Every single-byte change and every truncation of a small file that uses
// every object kind: the reader answers something or nothing, never crashes
// (run under AddressSanitizer to see reads past the end).
void TestPropertyList::binaryDamageNeverCrashes()
{
    Bplist sample;
    sample.objects = { refs(0xD, { 1, 2, 3, 4, 5, 6 }, 2), ascii("a"), bytes({ 0x61, 0, 'b' }), ascii("c"), refs(0xA, { 7, 8, 9, 10, 11 }), bytes({ 0x43, 1, 2, 3 }),
        bytes({ 0x33, 0, 0, 0, 0, 0, 0, 0, 0 }), bytes({ 0x13, 0, 0, 0, 0, 0, 0, 0, 5 }), bytes({ 0x23, 0, 0, 0, 0, 0, 0, 0, 0 }), bytes({ 0x09 }),
        bytes({ 0x5F, 0x10, 0x03, 'x', 'y', 'z' }), refs(0xC, { 1 }) };
    const QByteArray good = sample.build();
    QVERIFY(PropertyList::fromBinaryData(good));

    int parsed = 0;
    for (qsizetype at = 8; at < good.size(); ++at) {
        for (int v = 0; v < 256; ++v) {
            QByteArray damaged = good;
            damaged[at] = static_cast<char>(v);
            QString error;
            const CFObjectRef object = PropertyList::fromBinaryData(damaged, &error);
            QCOMPARE(object == nullptr, !error.isEmpty());
            parsed += object ? 1 : 0;
        }
    }
    QVERIFY(parsed > 0);
    for (qsizetype n = 0; n < good.size(); ++n)
        QVERIFY(!PropertyList::fromBinaryData(good.left(n)));
}

void TestPropertyList::fromDataPicksTheFormat()
{
    Bplist binary;
    binary.objects = { ascii("from binary") };
    QVERIFY(same(PropertyList::fromData(binary.build()), str(QStringLiteral("from binary"))));
    QVERIFY(same(PropertyList::fromData(plist("<string>from XML</string>")), str(QStringLiteral("from XML"))));
    QString error;
    QVERIFY(!PropertyList::fromData(QByteArray("bplist"), &error));
    QVERIFY(!error.isEmpty());
}

// plistlib reads what we write (the script checks the carriage returns
// itself) and writes it back in both of its formats; what it writes must
// read back as what we wrote.
void TestPropertyList::pythonReadsWhatWeWrite()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString controls = QStringLiteral("ctl\x01\x1F");
    controls += QChar(0xFFFF);
    auto nestedDict = CFMutableDictionary::create();
    nestedDict->setValue(QStringLiteral("empty dict"), dict({}));
    nestedDict->setValue(QStringLiteral("empty array"), array());
    const CFObjectRef sample = dict({
        { QStringLiteral("cr"), str(QStringLiteral("a\r\nb\rc")) },
        { QStringLiteral("markup"), str(QStringLiteral("<&> ]]> &amp;")) },
        { QStringLiteral("unicode"), str(QStringLiteral("Zoë 東京 \U0001F4BF")) },
        { QStringLiteral("empty"), str(QString()) },
        { QStringLiteral("blanks"), str(QStringLiteral("  x\t\n")) },
        { QStringLiteral("controls"), str(controls) },
        { QStringLiteral("int"), array({ integer(0), integer(std::numeric_limits<qint64>::min()), integer(std::numeric_limits<qint64>::max()) }) },
        { QStringLiteral("real"), array({ real(0.1), real(-1e300), real(5e-324), real(std::numeric_limits<double>::infinity()) }) },
        { QStringLiteral("bool"), array({ boolean(true), boolean(false) }) },
        { QStringLiteral("date"), date(1999, 12, 31, 23, 59, 59) },
        { QStringLiteral("data"), CFObjectRef(CFData::create(QByteArray(300, '\x80'))) },
        { QStringLiteral("nested"), nestedDict },
        { QStringLiteral("<key&>\r"), boolean(true) },
    });
    const QString ours = dir.filePath(QStringLiteral("ours.plist"));
    QFile file(ours);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(PropertyList::toXmlData(sample));
    file.close();

    const QString script = QStringLiteral(
        "import plistlib, sys\n"
        "with open(sys.argv[1], 'rb') as f:\n"
        "    value = plistlib.load(f)\n"
        "if value['cr'] != 'a\\r\\nb\\rc' or value['<key&>\\r'] is not True or value['controls'] != 'ctl':\n"
        "    print(repr(value)); sys.exit(3)\n"
        "for fmt, path in ((plistlib.FMT_XML, sys.argv[2]), (plistlib.FMT_BINARY, sys.argv[3])):\n"
        "    with open(path, 'wb') as f:\n"
        "        plistlib.dump(value, f, fmt=fmt, sort_keys=False)\n");
    const QString xmlBack = dir.filePath(QStringLiteral("python.xml"));
    const QString binaryBack = dir.filePath(QStringLiteral("python.bplist"));
    const PythonRun run = runPython(script, { ours, xmlBack, binaryBack });
    if (!run.ran)
        QSKIP("python3 is not installed");
    QVERIFY2(run.exitCode == 0, run.output.constData());

    const CFObjectRef expected = PropertyList::fromXmlData(PropertyList::toXmlData(sample));
    QVERIFY(expected);
    for (const QString& path : { binaryBack, xmlBack }) {
        QFile back(path);
        QVERIFY(back.open(QIODevice::ReadOnly));
        QString error;
        const CFDictionaryRef object = cf_cast<CFDictionary>(PropertyList::fromData(back.readAll(), &error));
        QVERIFY2(object, qPrintable(error));
        if (path == xmlBack) {
            // plistlib's own XML writer turns every CR into LF.
            QCOMPARE(object->stringValue(QStringLiteral("cr"))->value(), QStringLiteral("a\nb\nc"));
            QVERIFY(object->containsKey(QStringLiteral("<key&>\n")));
            QCOMPARE(object->count(), cf_cast<CFDictionary>(expected)->count());
        } else {
            QVERIFY(object->equals(*expected));
            QCOMPARE(object->keys(), cf_cast<CFDictionary>(expected)->keys());
        }
    }
}

void TestPropertyList::weReadWhatPythonWrites_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("FMT_XML") << QStringLiteral("FMT_XML");
    QTest::newRow("FMT_BINARY") << QStringLiteral("FMT_BINARY");
}

void TestPropertyList::weReadWhatPythonWrites()
{
    QFETCH(QString, format);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("python.plist"));
    const QString script = QStringLiteral(
        "import plistlib, sys, datetime\n"
        "fmt = getattr(plistlib, sys.argv[2])\n"
        "shared = {'k': 'v'}\n"
        "value = {\n"
        "    'lines': 'a\\r\\nb\\rc\\n',\n"
        "    'long': 'x' * 100,\n"
        "    'unicode': 'Zo\\u00eb \\U0001F4BF',\n"
        "    'empty': '',\n"
        "    'ints': [0, -1, 255, 65535, 2**31, 2**63 - 1, -2**63],\n"
        "    'reals': [0.5, -1e300, 0.1],\n"
        "    'bools': [True, False],\n"
        "    'date': datetime.datetime(2024, 2, 29, 23, 59, 58),\n"
        "    'data': bytes(range(256)),\n"
        "    'nested': {'a': [], 'd': {}, 'deep': [[[{'x': 1}]]]},\n"
        "    'many': list(range(40)),\n"
        "    'shared': [shared, shared],\n"
        "}\n"
        "if fmt == plistlib.FMT_BINARY:\n"
        "    value['a\\x00b'] = 'nul in key'\n"
        "with open(sys.argv[1], 'wb') as f:\n"
        "    plistlib.dump(value, f, fmt=fmt, sort_keys=False)\n");
    const PythonRun run = runPython(script, { path, format });
    if (!run.ran)
        QSKIP("python3 is not installed");
    QVERIFY2(run.exitCode == 0, run.output.constData());

    const bool binary = format == QStringLiteral("FMT_BINARY");
    QVector<CFObjectRef> many;
    for (int i = 0; i < 40; ++i)
        many.append(integer(i));
    QByteArray allBytes;
    for (int i = 0; i < 256; ++i)
        allBytes.append(static_cast<char>(i));
    auto expected = CFMutableDictionary::create();
    expected->setString(QStringLiteral("lines"), binary ? QStringLiteral("a\r\nb\rc\n") : QStringLiteral("a\nb\nc\n"));
    expected->setString(QStringLiteral("long"), QString(100, u'x'));
    expected->setString(QStringLiteral("unicode"), QStringLiteral("Zoë \U0001F4BF"));
    expected->setString(QStringLiteral("empty"), QString());
    expected->setValue(QStringLiteral("ints"), array({ integer(0), integer(-1), integer(255), integer(65535), integer(qint64(1) << 31), integer(std::numeric_limits<qint64>::max()), integer(std::numeric_limits<qint64>::min()) }));
    expected->setValue(QStringLiteral("reals"), array({ real(0.5), real(-1e300), real(0.1) }));
    expected->setValue(QStringLiteral("bools"), array({ boolean(true), boolean(false) }));
    expected->setValue(QStringLiteral("date"), date(2024, 2, 29, 23, 59, 58));
    expected->setValue(QStringLiteral("data"), CFData::create(allBytes));
    expected->setValue(QStringLiteral("nested"), dict({ { QStringLiteral("a"), array() }, { QStringLiteral("d"), dict({}) }, { QStringLiteral("deep"), array({ array({ array({ dict({ { QStringLiteral("x"), integer(1) } }) }) }) }) } }));
    expected->setValue(QStringLiteral("many"), array(many));
    const CFObjectRef kv = dict({ { QStringLiteral("k"), str(QStringLiteral("v")) } });
    expected->setValue(QStringLiteral("shared"), array({ kv, kv }));
    if (binary)
        expected->setString(QString::fromLatin1("a\0b", 3), QStringLiteral("nul in key"));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    QCOMPARE(data.startsWith("bplist00"), binary);
    QString error;
    const CFDictionaryRef object = cf_cast<CFDictionary>(PropertyList::fromData(data, &error));
    QVERIFY2(object, qPrintable(error));
    for (const QString& key : expected->keys()) {
        const CFObjectRef mine = object->value(key);
        QVERIFY2(mine && mine->equals(*expected->value(key)), qPrintable(key));
    }
    QCOMPARE(object->keys(), expected->keys());
}

void TestPropertyList::readsGeneratedAlbumFiles_data()
{
    QTest::addColumn<QString>("eol");
    QTest::newRow("LF") << QStringLiteral("lf");
    QTest::newRow("CRLF") << QStringLiteral("crlf");
    QTest::newRow("CR") << QStringLiteral("cr");
}

// A photo-library album file in the layout of the platform's own writer,
// with each kind of line end between elements: we read what plistlib reads.
void TestPropertyList::readsGeneratedAlbumFiles()
{
    QFETCH(QString, eol);
    const QString generator = QStringLiteral(KESTROW_SOURCE_DIR "/../shared/tools/gen_albumdata.py");
    if (!QFile::exists(generator))
        QSKIP("the album file generator is not beside the source tree");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString album = dir.filePath(QStringLiteral("AlbumData.xml"));
    const QString binary = dir.filePath(QStringLiteral("AlbumData.bplist"));
    const QString script = QStringLiteral(
        "import plistlib, subprocess, sys\n"
        "subprocess.run([sys.executable, sys.argv[1], '300', sys.argv[2], '--eol', sys.argv[3]], check=True, stdout=subprocess.DEVNULL)\n"
        "with open(sys.argv[2], 'rb') as f:\n"
        "    value = plistlib.load(f)\n"
        "with open(sys.argv[4], 'wb') as f:\n"
        "    plistlib.dump(value, f, fmt=plistlib.FMT_BINARY, sort_keys=False)\n");
    const PythonRun run = runPython(script, { generator, album, eol, binary });
    if (!run.ran)
        QSKIP("python3 is not installed");
    QVERIFY2(run.exitCode == 0, run.output.constData());

    QFile xmlFile(album);
    QVERIFY(xmlFile.open(QIODevice::ReadOnly));
    QFile binaryFile(binary);
    QVERIFY(binaryFile.open(QIODevice::ReadOnly));
    QString error;
    const CFDictionaryRef ours = cf_cast<CFDictionary>(PropertyList::fromData(xmlFile.readAll(), &error));
    QVERIFY2(ours, qPrintable(error));
    const CFObjectRef theirs = PropertyList::fromData(binaryFile.readAll(), &error);
    QVERIFY2(theirs, qPrintable(error));
    QCOMPARE(ours->dictionaryValue(QStringLiteral("Master Image List"))->count(), 300);
    QVERIFY(ours->equals(*theirs));
}

QTEST_GUILESS_MAIN(TestPropertyList)
#include "tst_propertylist.moc"
