// The settings tree node: typed accessors, escaping by mode, containers by
// name and ordinal, deep copies and the module state.

#include "settings/cxml.h"
#include "settings/xmlmodule.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QTest>

#include <limits>

namespace
{

CXMLRef makeNode(const QString& name, bool isPlist = false)
{
    auto node = std::make_shared<CXML>(isPlist);
    node->Name = name;
    return node;
}

QStringList childNames(const CXML& node)
{
    QStringList names;
    for (const CXMLRef& child : node.Containers)
        names.append(child->Name);
    return names;
}

} // namespace

class TestCXML : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // A locale with decimal comma and dot grouping catches any number
        // text that follows the user's locale instead of a fixed form.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }

    void construction()
    {
        XMLModule::XMLeol() = QStringLiteral("\n");
        CXML plain;
        QCOMPARE(XMLModule::XMLeol(), QString(QChar(13)));
        QVERIFY(!plain.IsPlist);
        QVERIFY(plain.Name.isEmpty());
        QVERIFY(!plain.RootPlistDictionary);
        QVERIFY(!plain.parent);

        CXML plist(true);
        QVERIFY(plist.IsPlist);
        QVERIFY(plist.RootPlistDictionary);
        QCOMPARE(plist.RootPlistDictionary->count(), 0);

        CXML text(false);
        QVERIFY(!text.IsPlist);
        QVERIFY(!text.RootPlistDictionary);
    }

    void stringValues_data()
    {
        QTest::addColumn<bool>("isPlist");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("readBack");

        QTest::newRow("text: angle brackets escaped") << false << "a<b>c"
                                                      << "a&#60;b&#62;c"
                                                      << "a<b>c";
        QTest::newRow("plist: stored unchanged") << true << "a<b>c"
                                                 << "a<b>c"
                                                 << "a<b>c";
        QTest::newRow("text: ampersand not escaped, reference reads as <") << false << "&#60;"
                                                                           << "&#60;"
                                                                           << "<";
        QTest::newRow("plist: reference stays a reference") << true << "&#60;"
                                                            << "&#60;"
                                                            << "&#60;";
        QTest::newRow("text: empty") << false << ""
                                     << ""
                                     << "";
        QTest::newRow("text: line ends kept") << false << "first\rsecond"
                                              << "first\rsecond"
                                              << "first\rsecond";
        QTest::newRow("text: unescape order < then >") << false << "&#6&#62;0;"
                                                       << "&#6&#62;0;"
                                                       << "&#6>0;";
    }

    void stringValues()
    {
        QFETCH(bool, isPlist);
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QFETCH(QString, readBack);
        CXML node(isPlist);
        node.SetStringValue(QStringLiteral("Key"), text);
        QCOMPARE(node.Values.value(QStringLiteral("Key")), stored);
        QCOMPARE(node.GetStringValue(QStringLiteral("Key")), readBack);
        QCOMPARE(node.GetStringValue(QStringLiteral("Key"), QStringLiteral("default")), readBack);
    }

    void stringDefaults()
    {
        CXML root;
        QCOMPARE(root.GetStringValue(QStringLiteral("Speed"), QStringLiteral("max")), QStringLiteral("max"));
        QCOMPARE(root.GetStringValue(QStringLiteral("Speed")), QString());
        root.SetStringValue(QStringLiteral("Speed"), QStringLiteral("8"));
        QCOMPARE(root.GetStringValue(QStringLiteral("Speed"), QStringLiteral("max")), QStringLiteral("8"));
        // A present empty value is not missing.
        root.SetStringValue(QStringLiteral("Speed"), QString());
        QCOMPARE(root.GetStringValue(QStringLiteral("Speed"), QStringLiteral("max")), QString());
        // Keys compare case-sensitively.
        QCOMPARE(root.GetStringValue(QStringLiteral("speed"), QStringLiteral("max")), QStringLiteral("max"));
    }

    void integerValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        const int maxInt = std::numeric_limits<qint32>::max();
        const int minInt = std::numeric_limits<qint32>::min();
        QTest::newRow("digits then letters") << "12abc" << 12;
        QTest::newRow("negative fraction truncates toward zero") << "-7.9" << -7;
        QTest::newRow("positive fraction") << "3.99" << 3;
        QTest::newRow("small negative fraction") << "-0.5" << 0;
        QTest::newRow("letters only") << "abc" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("leading blanks") << "  42" << 42;
        QTest::newRow("plus sign") << "+5" << 5;
        QTest::newRow("exponent") << "1e3" << 1000;
        QTest::newRow("exponent without digits") << "7e" << 7;
        QTest::newRow("leading point") << ".9" << 0;
        QTest::newRow("hex is not read") << "0x1F" << 0;
        QTest::newRow("grouping stops the number") << "1,234" << 1;
        QTest::newRow("largest") << "2147483647" << maxInt;
        QTest::newRow("smallest") << "-2147483648" << minInt;
        QTest::newRow("too large clamps") << "99999999999" << maxInt;
        QTest::newRow("too small clamps") << "-99999999999" << minInt;
        QTest::newRow("beyond double clamps") << "1e400" << maxInt;
        QTest::newRow("non-ASCII digit is no digit") << QString(QChar(0x0663)) << 0;
    }

    void integerValues()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        CXML node;
        node.Values.insert(QStringLiteral("N"), text);
        QCOMPARE(node.GetIntegerValue(QStringLiteral("N")), expected);
        QCOMPARE(node.GetIntegerValue(QStringLiteral("N"), 99), expected);
        QCOMPARE(node.GetIntegerValue(QStringLiteral("Missing")), 0);
        QCOMPARE(node.GetIntegerValue(QStringLiteral("Missing"), 99), 99);
    }

    void integerText_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0 << "0";
        QTest::newRow("negative") << -5 << "-5";
        QTest::newRow("no grouping") << 1234567 << "1234567";
        QTest::newRow("largest") << std::numeric_limits<qint32>::max() << "2147483647";
        QTest::newRow("smallest") << std::numeric_limits<qint32>::min() << "-2147483648";
    }

    void integerText()
    {
        QFETCH(int, value);
        QFETCH(QString, text);
        CXML node;
        node.SetIntegervalue(QStringLiteral("N"), value);
        QCOMPARE(node.Values.value(QStringLiteral("N")), text);
        QCOMPARE(node.GetIntegerValue(QStringLiteral("N")), value);
    }

    void doubleText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("below one") << 0.5 << "0.5";
        QTest::newRow("whole number") << 3.0 << "3";
        QTest::newRow("negative") << -2.25 << "-2.25";
        QTest::newRow("ten decimals") << 1.0 / 3.0 << "0.3333333333";
        QTest::newRow("rounds at the tenth decimal") << 2.0 / 3.0 << "0.6666666667";
        QTest::newRow("too small is zero") << 1e-11 << "0";
        QTest::newRow("negative too small is zero, not -0") << -1e-11 << "0";
        QTest::newRow("no grouping, no exponent") << 123456789.125 << "123456789.125";
        QTest::newRow("large") << 1e15 << "1000000000000000";
    }

    void doubleText()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        CXML node;
        node.SetDoubleValue(QStringLiteral("D"), value);
        QCOMPARE(node.Values.value(QStringLiteral("D")), text);
        QVERIFY(qAbs(node.GetDoubleValue(QStringLiteral("D")) - value) <= 1e-10);
    }

    void doubleRoundTripRandom()
    {
        QRandomGenerator random(20050704);
        CXML node;
        for (int i = 0; i < 2000; ++i) {
            const double magnitude = std::pow(10.0, random.bounded(-12, 9));
            const double value = (random.generateDouble() - 0.5) * magnitude;
            node.SetDoubleValue(QStringLiteral("D"), value);
            const QString text = node.Values.value(QStringLiteral("D"));
            QVERIFY2(qAbs(node.GetDoubleValue(QStringLiteral("D")) - value) <= 1e-10, qPrintable(text));
            QVERIFY2(!text.contains(QLatin1Char(',')), qPrintable(text));
            const qsizetype point = text.indexOf(QLatin1Char('.'));
            QVERIFY2(point < 0 || text.size() - point - 1 <= 10, qPrintable(text));
            QVERIFY2(point < 0 || !text.endsWith(QLatin1Char('0')), qPrintable(text));
        }
    }

    void doubleParsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("number then letters") << "2.5abc" << 2.5;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("exponent") << "-1e-3" << -0.001;
        QTest::newRow("decimal comma is not a point") << "2,5" << 2.0;
        QTest::newRow("leading point") << ".25" << 0.25;
    }

    void doubleParsing()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        CXML node;
        node.Values.insert(QStringLiteral("D"), text);
        QCOMPARE(node.GetDoubleValue(QStringLiteral("D")), expected);
        QCOMPARE(node.GetDoubleValue(QStringLiteral("Missing")), 0.0);
        QCOMPARE(node.GetDoubleValue(QStringLiteral("Missing"), 1.5), 1.5);
    }

    void booleanValues_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("True") << "True" << true;
        QTest::newRow("False") << "False" << false;
        QTest::newRow("digit one") << "1" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("lower case is not True") << "true" << false;
        QTest::newRow("leading blank") << " True" << false;
    }

    void booleanValues()
    {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        CXML node;
        node.Values.insert(QStringLiteral("B"), text);
        QCOMPARE(node.GetBooleanValue(QStringLiteral("B")), expected);
        QCOMPARE(node.getBooleanValue(QStringLiteral("B"), true), expected);
        QCOMPARE(node.getBooleanValue(QStringLiteral("B"), false), expected);
    }

    void booleanDefaultsAndText()
    {
        CXML node;
        QCOMPARE(node.GetBooleanValue(QStringLiteral("Verify")), false);
        QCOMPARE(node.getBooleanValue(QStringLiteral("Verify"), true), true);
        node.SetBooleanValue(QStringLiteral("Verify"), false);
        QCOMPARE(node.Values.value(QStringLiteral("Verify")), QStringLiteral("False"));
        QCOMPARE(node.getBooleanValue(QStringLiteral("Verify"), true), false);
        node.SetBooleanValue(QStringLiteral("Verify"), true);
        QCOMPARE(node.Values.value(QStringLiteral("Verify")), QStringLiteral("True"));
    }

    void dateText_data()
    {
        QTest::addColumn<Date>("date");
        QTest::addColumn<QString>("text");
        QTest::newRow("afternoon, no leading zeros") << Date(2005, 7, 4, 21, 5, 0) << "7/4/2005 21:5:0";
        QTest::newRow("midnight") << Date(1999, 12, 31) << "12/31/1999 0:0:0";
        QTest::newRow("last second of the day") << Date(2024, 2, 29, 23, 59, 59) << "2/29/2024 23:59:59";
    }

    void dateText()
    {
        QFETCH(Date, date);
        QFETCH(QString, text);
        CXML node;
        node.SetDate(QStringLiteral("When"), date);
        QCOMPARE(node.Values.value(QStringLiteral("When")), text);
        const std::optional<Date> back = node.getDate(QStringLiteral("When"));
        QVERIFY(back.has_value());
        QCOMPARE(back->TotalSeconds(), date.TotalSeconds());
    }

    void dateReading_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Date>("expected");
        QTest::newRow("no time part is midnight") << "12/31/1999" << Date(1999, 12, 31, 0, 0, 0);
        QTest::newRow("hour only") << "1/2/2003 7" << Date(2003, 1, 2, 7, 0, 0);
        QTest::newRow("parts with trailing text") << "3x/4y/2001z 5a:6b:7c" << Date(2001, 3, 4, 5, 6, 7);
        QTest::newRow("leading zeros") << "07/04/2005 09:05:00" << Date(2005, 7, 4, 9, 5, 0);
        // Missing parts count as 0 and the calendar normalises them.
        QTest::newRow("month only") << "12" << Date(0, 12, 0);
        QTest::newRow("garbage") << "a/b/c x:y:z" << Date(0, 0, 0);
        QTest::newRow("empty") << "" << Date(0, 0, 0);
    }

    void dateReading()
    {
        QFETCH(QString, text);
        QFETCH(Date, expected);
        CXML node;
        node.Values.insert(QStringLiteral("When"), text);
        const std::optional<Date> date = node.getDate(QStringLiteral("When"));
        QVERIFY(date.has_value());
        QCOMPARE(date->TotalSeconds(), expected.TotalSeconds());
    }

    void dateMissingAndRemoval()
    {
        CXML node;
        node.SetStringValue(QStringLiteral("Other"), QStringLiteral("x"));
        node.SetDate(QStringLiteral("When"), std::nullopt);
        QCOMPARE(node.Values.count(), 1);
        QVERIFY(!node.getDate(QStringLiteral("When")).has_value());
        const Date fallback(2010, 1, 1);
        QCOMPARE(node.getDate(QStringLiteral("When"), fallback), fallback);

        node.SetDate(QStringLiteral("When"), Date(2005, 7, 4));
        QCOMPARE(node.getDate(QStringLiteral("When"), fallback), Date(2005, 7, 4));
        node.SetDate(QStringLiteral("When"), std::nullopt);
        QVERIFY(!node.Values.contains(QStringLiteral("When")));

        node.removeObject(QStringLiteral("Other"));
        node.removeObject(QStringLiteral("Other"));
        QVERIFY(node.Values.isEmpty());
    }

    void valueOrder()
    {
        // Values keep insertion order; a replaced value keeps its place, a
        // removed one closes the gap.
        CXML node;
        for (const char* key : { "C", "A", "B", "D" })
            node.SetStringValue(QLatin1String(key), QLatin1String(key));
        node.SetStringValue(QStringLiteral("A"), QStringLiteral("again"));
        node.removeObject(QStringLiteral("B"));
        node.SetStringValue(QStringLiteral("B"), QStringLiteral("back"));
        QCOMPARE(node.Values.keys(), QStringList({ QStringLiteral("C"), QStringLiteral("A"), QStringLiteral("D"), QStringLiteral("B") }));
        QCOMPARE(node.GetStringValue(QStringLiteral("A")), QStringLiteral("again"));
        QCOMPARE(node.GetStringValue(QStringLiteral("D")), QStringLiteral("D"));
    }

    void containersByNameAndOrdinal()
    {
        auto root = std::make_shared<CXML>();
        const CXMLRef first = makeNode(QStringLiteral("A"));
        const CXMLRef middle = makeNode(QStringLiteral("B"));
        const CXMLRef last = makeNode(QStringLiteral("A"));
        root->InsertContainer(first);
        root->InsertContainer(middle);
        root->InsertContainer(last);
        root->InsertContainer(nullptr);
        QCOMPARE(root->Containers.size(), 3);
        QCOMPARE(last->parent.get(), root.get());

        QCOMPARE(root->GetContainer(QStringLiteral("A"), 1), first);
        QCOMPARE(root->GetContainer(QStringLiteral("A"), 2), last);
        QCOMPARE(root->GetContainer(QStringLiteral("A"), 3), CXMLRef());
        QCOMPARE(root->GetContainer(QStringLiteral("A"), 0), CXMLRef());
        QCOMPARE(root->GetContainer(QStringLiteral("A"), -1), CXMLRef());
        QCOMPARE(root->GetContainer(QStringLiteral("a"), 1), CXMLRef());
        QCOMPARE(root->GetContainerCount(QStringLiteral("A")), 2);
        QCOMPARE(root->GetContainerCount(QStringLiteral("B")), 1);
        QCOMPARE(root->GetContainerCount(QStringLiteral("C")), 0);

        root->removeContainer(QStringLiteral("A"), 1);
        QCOMPARE(childNames(*root), QStringList({ QStringLiteral("B"), QStringLiteral("A") }));
        QCOMPARE(root->GetContainer(QStringLiteral("A"), 1), last);
        // The removed node still names its old parent while that lives.
        QCOMPARE(first->parent.get(), root.get());
        root->removeContainer(QStringLiteral("A"), 5);
        QCOMPARE(root->Containers.size(), 2);
    }

    void removeContainerByIdentity()
    {
        auto root = std::make_shared<CXML>();
        const CXMLRef twice = makeNode(QStringLiteral("A"));
        const CXMLRef other = makeNode(QStringLiteral("A"));
        root->InsertContainer(twice);
        root->InsertContainer(other);
        root->InsertContainer(twice);
        root->removeContainer(twice);
        QCOMPARE(root->Containers, QList<CXMLRef>({ other, twice }));
        root->removeContainer(makeNode(QStringLiteral("A")));
        QCOMPARE(root->Containers.size(), 2);
    }

    void replaceContainer()
    {
        auto root = std::make_shared<CXML>();
        root->InsertContainer(makeNode(QStringLiteral("A")));
        root->InsertContainer(makeNode(QStringLiteral("B")));
        root->InsertContainer(makeNode(QStringLiteral("A")));
        const CXMLRef replacement = makeNode(QStringLiteral("Z"));
        root->ReplaceContainer(QStringLiteral("A"), 2, replacement);
        QCOMPARE(childNames(*root), QStringList({ QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("Z") }));
        QCOMPARE(replacement->parent.get(), root.get());

        const CXMLRef unused = makeNode(QStringLiteral("Y"));
        root->ReplaceContainer(QStringLiteral("A"), 2, unused);
        root->ReplaceContainer(QStringLiteral("A"), 1, nullptr);
        QCOMPARE(childNames(*root), QStringList({ QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("Z") }));
        QVERIFY(!unused->parent);
    }

    void parentLinkOutlivesNoParent()
    {
        // A node taken out of a tree that is then released must not point at
        // freed memory.
        CXMLRef survivor;
        CXMLRef cloneOfChild;
        {
            auto root = std::make_shared<CXML>();
            auto child = makeNode(QStringLiteral("Child"));
            root->InsertContainer(child);
            cloneOfChild = child->Clone();
            QCOMPARE(cloneOfChild->parent.get(), root.get());
            root->removeContainer(child);
            survivor = child;
        }
        QVERIFY(!survivor->parent);
        QVERIFY(!cloneOfChild->parent);
        survivor->SaveToPlist();
        QVERIFY(survivor->IsPlist);
    }

    void rootOnTheStack()
    {
        // A root that is not held by a shared pointer still links its children.
        CXML root;
        auto child = makeNode(QStringLiteral("BurnWindow"));
        root.InsertContainer(child);
        QCOMPARE(child->parent.get(), &root);
    }

    void cloneIsDeepAndIndependent()
    {
        auto outer = std::make_shared<CXML>();
        auto source = makeNode(QStringLiteral("Source"));
        outer->InsertContainer(source);
        source->SetStringValue(QStringLiteral("Text"), QStringLiteral("a<b"));
        source->ValueBuffer.push_back(QStringLiteral("pending line"));
        auto level1 = makeNode(QStringLiteral("Level1"));
        auto level2 = makeNode(QStringLiteral("Level2"));
        source->InsertContainer(level1);
        level1->InsertContainer(level2);
        level2->SetIntegervalue(QStringLiteral("Deep"), 7);

        const CXMLRef copy = source->Clone();
        QCOMPARE(copy->Name, QStringLiteral("Source"));
        QCOMPARE(copy->parent.get(), outer.get());
        QCOMPARE(outer->Containers.size(), 1);
        QCOMPARE(copy->IsPlist, false);
        QCOMPARE(copy->Values.value(QStringLiteral("Text")), QStringLiteral("a&#60;b"));
        QCOMPARE(copy->GetStringValue(QStringLiteral("Text")), QStringLiteral("a<b"));
        QCOMPARE(copy->ValueBuffer, source->ValueBuffer);

        const CXMLRef copy1 = copy->GetContainer(QStringLiteral("Level1"), 1);
        QVERIFY(copy1 && copy1 != level1);
        QCOMPARE(copy1->parent.get(), copy.get());
        const CXMLRef copy2 = copy1->GetContainer(QStringLiteral("Level2"), 1);
        QVERIFY(copy2 && copy2 != level2);
        QCOMPARE(copy2->parent.get(), copy1.get());
        QCOMPARE(copy2->GetIntegerValue(QStringLiteral("Deep")), 7);

        copy2->SetIntegervalue(QStringLiteral("Deep"), 8);
        copy->SetStringValue(QStringLiteral("Text"), QStringLiteral("changed"));
        copy1->InsertContainer(makeNode(QStringLiteral("Extra")));
        QCOMPARE(level2->GetIntegerValue(QStringLiteral("Deep")), 7);
        QCOMPARE(source->GetStringValue(QStringLiteral("Text")), QStringLiteral("a<b"));
        QCOMPARE(level1->Containers.size(), 1);

        auto plistNode = std::make_shared<CXML>(true);
        plistNode->SetStringValue(QStringLiteral("Text"), QStringLiteral("a<b"));
        const CXMLRef plistCopy = plistNode->Clone();
        QVERIFY(plistCopy->IsPlist);
        QCOMPARE(plistCopy->GetStringValue(QStringLiteral("Text")), QStringLiteral("a<b"));
    }

    void plainNodeInPlistTree()
    {
        // A node made with the plain constructor stays in text mode until the
        // next save converts it: what it stored escaped stays escaped.
        auto root = std::make_shared<CXML>(true);
        auto window = std::make_shared<CXML>();
        window->Name = QStringLiteral("BurnWindow");
        root->InsertContainer(window);
        window->SetStringValue(QStringLiteral("Note"), QStringLiteral("a<b"));
        QCOMPARE(window->Values.value(QStringLiteral("Note")), QStringLiteral("a&#60;b"));
        QCOMPARE(window->GetStringValue(QStringLiteral("Note")), QStringLiteral("a<b"));

        root->SaveToPlist();
        QVERIFY(window->IsPlist);
        QCOMPARE(window->GetStringValue(QStringLiteral("Note")), QStringLiteral("a&#60;b"));
        const auto entry = root->RootPlistDictionary->dictionaryValue(QStringLiteral("BurnWindow"));
        QVERIFY(entry);
        QCOMPARE(entry->stringValue(QStringLiteral("Note"))->value(), QStringLiteral("a&#60;b"));

        window->SetStringValue(QStringLiteral("Other"), QStringLiteral("x>y"));
        QCOMPARE(window->Values.value(QStringLiteral("Other")), QStringLiteral("x>y"));
    }

    void saveToPlistFirstOfANameWins()
    {
        auto root = std::make_shared<CXML>();
        root->SetStringValue(QStringLiteral("Speed"), QStringLiteral("max"));
        auto first = makeNode(QStringLiteral("BurnWindow"));
        first->SetIntegervalue(QStringLiteral("Left"), 20);
        auto second = makeNode(QStringLiteral("BurnWindow"));
        second->SetIntegervalue(QStringLiteral("Left"), 99);
        auto clash = makeNode(QStringLiteral("Speed"));
        clash->SetStringValue(QStringLiteral("Inner"), QStringLiteral("lost"));
        root->InsertContainer(first);
        root->InsertContainer(second);
        root->InsertContainer(clash);
        root->SaveToPlist();

        const CFMutableDictionaryRef dict = root->RootPlistDictionary;
        QCOMPARE(dict->keys(), QVector<QString>({ QStringLiteral("Speed"), QStringLiteral("BurnWindow") }));
        QCOMPARE(dict->stringValue(QStringLiteral("Speed"))->value(), QStringLiteral("max"));
        QCOMPARE(dict->dictionaryValue(QStringLiteral("BurnWindow"))->stringValue(QStringLiteral("Left"))->value(), QStringLiteral("20"));
        for (const CXMLRef& node : root->Containers)
            QVERIFY(node->IsPlist);
    }

    void constructFromDictionary()
    {
        auto nested = CFMutableDictionary::create();
        nested->setString(QStringLiteral("Left"), QStringLiteral("20"));
        auto dict = CFMutableDictionary::create();
        dict->setString(QStringLiteral("Speed"), QStringLiteral("a<b"));
        dict->setValue(QStringLiteral("BurnWindow"), nested);
        dict->setBoolean(QStringLiteral("Flag"), true);
        dict->setNumber(QStringLiteral("Count"), 42);
        dict->setReal(QStringLiteral("Ratio"), 0.25);
        dict->setValue(QStringLiteral("List"), CFArray::create({ CFString::create(QStringLiteral("x")) }));
        dict->setValue(QStringLiteral("Blob"), CFData::create("xyz"));
        const QDateTime moment(QDate(2005, 7, 4), QTime(19, 5), Qt::UTC);
        dict->setValue(QStringLiteral("When"), CFDate::create(moment));

        auto outer = std::make_shared<CXML>();
        auto node = std::make_shared<CXML>(dict, QStringLiteral("Prefs"), outer.get());
        QVERIFY(node->IsPlist);
        QCOMPARE(node->Name, QStringLiteral("Prefs"));
        QCOMPARE(node->parent.get(), outer.get());
        QVERIFY(outer->Containers.isEmpty());
        QVERIFY(!node->RootPlistDictionary);
        QCOMPARE(node->GetStringValue(QStringLiteral("Speed")), QStringLiteral("a<b"));
        QCOMPARE(node->Values.value(QStringLiteral("Flag")), QStringLiteral("True"));
        QCOMPARE(node->Values.value(QStringLiteral("Count")), QStringLiteral("42"));
        QCOMPARE(node->Values.value(QStringLiteral("Ratio")), QStringLiteral("0.25"));
        QVERIFY(!node->Values.contains(QStringLiteral("List")));
        QVERIFY(!node->Values.contains(QStringLiteral("Blob")));
        QCOMPARE(node->getDate(QStringLiteral("When")), std::optional<Date>(Date::fromQDateTime(moment)));
        const CXMLRef window = node->GetContainer(QStringLiteral("BurnWindow"), 1);
        QVERIFY(window);
        QVERIFY(window->IsPlist);
        QCOMPARE(window->parent.get(), node.get());
        QCOMPARE(window->GetIntegerValue(QStringLiteral("Left")), 20);
        // The caller's dictionary is not changed by the parse.
        QCOMPARE(dict->count(), 8);

        auto empty = std::make_shared<CXML>(nullptr, QStringLiteral("Empty"), nullptr);
        QVERIFY(empty->IsPlist);
        QVERIFY(empty->RootPlistDictionary);
        QCOMPARE(empty->RootPlistDictionary->count(), 0);
    }

    void escapes_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("both brackets") << "a<b>c"
                                       << "a&#60;b&#62;c";
        QTest::newRow("ampersand untouched") << "&"
                                             << "&";
        QTest::newRow("nothing to do") << "plain"
                                       << "plain";
    }

    void escapes()
    {
        QFETCH(QString, plain);
        QFETCH(QString, escaped);
        QCOMPARE(XMLModule::XMLEscape(plain), escaped);
        QCOMPARE(XMLModule::XMLUnEscape(escaped), plain);
        // Unescaping is one pass per reference, "<" first.
        QCOMPARE(XMLModule::XMLUnEscape(QStringLiteral("&#60;&#62;&amp;")), QStringLiteral("<>&amp;"));
    }

    void moduleState()
    {
        QVERIFY(XMLModule::XMLRoot());
        const CXMLRef previous = XMLModule::XMLRoot();
        auto replacement = std::make_shared<CXML>(true);
        XMLModule::XMLRoot() = replacement;
        QCOMPARE(XMLModule::XMLRoot(), replacement);
        XMLModule::XMLRoot() = previous;

        QCOMPARE(XMLModule::XMLIndent(), 0);
        QCOMPARE(CXML::GetIndent(), QString());
        XMLModule::XMLIndent() = 2;
        QCOMPARE(CXML::GetIndent(), QString(8, QLatin1Char(' ')));
        XMLModule::XMLIndent() = 0;
    }

    void veryDeepTreeReleases()
    {
        // Releasing a long chain of nodes must not recurse once per level.
        auto root = std::make_shared<CXML>();
        CXML* tip = root.get();
        for (int i = 0; i < 200000; ++i) {
            auto child = std::make_shared<CXML>();
            tip->InsertContainer(child);
            tip = child.get();
        }
        root.reset();
        QVERIFY(true);
    }
};

QTEST_GUILESS_MAIN(TestCXML)
#include "tst_cxml.moc"
