// The property-list object layer: kinds, dictionary semantics, copies.

#include "settings/cfobject.h"

#include <QTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(CFObjectRef)
Q_DECLARE_METATYPE(CFNumberRef)

class TestCFObject : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void typeDescription_data();
    void typeDescription();
    void castsAnswerNullForOtherKinds();
    void mutableCastNeedsAMutableObject();
    void setReplacesInPlaceAddKeepsExisting();
    void insertionOrderSurvivesRemoval();
    void everySizeKeepsOrderAndFindsKeys_data();
    void everySizeKeepsOrderAndFindsKeys();
    void snapshotsStayStableWhileChanging();
    void copiesAreIndependent();
    void equalityOfDictionariesIgnoresOrder();
    void numberConversions_data();
    void numberConversions();
    void dataKeepsEveryByte();
    void arrayIndexOutOfRangeIsNull();
};

void TestCFObject::typeDescription_data()
{
    QTest::addColumn<CFObjectRef>("object");
    QTest::addColumn<QString>("description");
    QTest::addColumn<bool>("isDictionary");

    QTest::newRow("string") << CFObjectRef(CFString::create(QStringLiteral("x"))) << QStringLiteral("CFString") << false;
    QTest::newRow("boolean") << CFObjectRef(CFBoolean::create(true)) << QStringLiteral("CFBoolean") << false;
    QTest::newRow("integer") << CFObjectRef(CFNumber::create(qint64(1))) << QStringLiteral("CFNumber") << false;
    QTest::newRow("float") << CFObjectRef(CFNumber::createFloat(2.5f)) << QStringLiteral("CFNumber") << false;
    QTest::newRow("date") << CFObjectRef(CFDate::create(QDateTime::currentDateTimeUtc())) << QStringLiteral("CFDate") << false;
    QTest::newRow("data") << CFObjectRef(CFData::create("x")) << QStringLiteral("CFData") << false;
    QTest::newRow("array") << CFObjectRef(CFArray::create()) << QStringLiteral("CFArray") << false;
    QTest::newRow("mutable array") << CFObjectRef(CFMutableArray::create()) << QStringLiteral("CFArray") << false;
    QTest::newRow("dictionary") << CFObjectRef(CFMutableDictionary::create()->copy()) << QStringLiteral("CFDictionary") << true;
    QTest::newRow("mutable dictionary") << CFObjectRef(CFMutableDictionary::create()) << QStringLiteral("CFDictionary") << true;
}

void TestCFObject::typeDescription()
{
    QFETCH(CFObjectRef, object);
    QFETCH(QString, description);
    QFETCH(bool, isDictionary);
    QCOMPARE(object->typeDescription(), description);
    QCOMPARE(object->typeID() == CFDictionaryGetTypeID(), isDictionary);
    QCOMPARE(cf_cast<CFDictionary>(object) != nullptr, isDictionary);
}

void TestCFObject::castsAnswerNullForOtherKinds()
{
    const CFObjectRef text = CFString::create(QStringLiteral("1"));
    QVERIFY(cf_cast<CFString>(text));
    QVERIFY(!cf_cast<CFNumber>(text));
    QVERIFY(!cf_cast<CFBoolean>(text));
    QVERIFY(!cf_cast<CFArray>(text));
    QVERIFY(!cf_cast<CFDictionary>(text));
    QVERIFY(!cf_cast<CFString>(CFObjectRef()));

    auto dict = CFMutableDictionary::create();
    dict->setString(QStringLiteral("s"), QStringLiteral("v"));
    QVERIFY(!dict->numberValue(QStringLiteral("s")));
    QVERIFY(!dict->stringValue(QStringLiteral("absent")));
    QVERIFY(!dict->value(QStringLiteral("absent")));
    QCOMPARE(dict->stringValue(QStringLiteral("s"))->value(), QStringLiteral("v"));
}

void TestCFObject::mutableCastNeedsAMutableObject()
{
    auto mutableDict = CFMutableDictionary::create();
    QVERIFY(cf_cast<CFMutableDictionary>(CFObjectRef(mutableDict)));
    QVERIFY(!cf_cast<CFMutableDictionary>(CFObjectRef(mutableDict->copy())));
    QVERIFY(cf_cast<CFMutableDictionary>(CFObjectRef(mutableDict->copy()->mutableCopy())));
    QVERIFY(!cf_cast<CFMutableArray>(CFObjectRef(CFArray::create())));
    QVERIFY(cf_cast<CFMutableArray>(CFObjectRef(CFArray::create()->mutableCopy())));
}

void TestCFObject::setReplacesInPlaceAddKeepsExisting()
{
    auto dict = CFMutableDictionary::create();
    dict->setString(QStringLiteral("a"), QStringLiteral("1"));
    dict->setString(QStringLiteral("b"), QStringLiteral("2"));

    dict->setString(QStringLiteral("a"), QStringLiteral("replaced"));
    QCOMPARE(dict->count(), 2);
    QCOMPARE(dict->stringValue(QStringLiteral("a"))->value(), QStringLiteral("replaced"));
    QCOMPARE(dict->keys(), (QVector<QString> { QStringLiteral("a"), QStringLiteral("b") }));

    QVERIFY(!dict->addValue(QStringLiteral("b"), CFString::create(QStringLiteral("ignored"))));
    QCOMPARE(dict->stringValue(QStringLiteral("b"))->value(), QStringLiteral("2"));
    QVERIFY(dict->addValue(QStringLiteral("c"), CFString::create(QStringLiteral("3"))));
    QCOMPARE(dict->count(), 3);
    QCOMPARE(dict->stringValue(QStringLiteral("c"))->value(), QStringLiteral("3"));
}

void TestCFObject::insertionOrderSurvivesRemoval()
{
    auto dict = CFMutableDictionary::create();
    const QStringList names { QStringLiteral("zeta"), QStringLiteral("alpha"), QStringLiteral("mid"), QStringLiteral("beta") };
    for (qsizetype i = 0; i < names.size(); ++i)
        dict->setNumber(names.at(i), i);

    dict->removeValue(QStringLiteral("alpha"));
    dict->setNumber(QStringLiteral("alpha"), 9);
    QCOMPARE(dict->keys(), (QVector<QString> { QStringLiteral("zeta"), QStringLiteral("mid"), QStringLiteral("beta"), QStringLiteral("alpha") }));
    // The index must follow the shifted entries: every lookup still finds its own value.
    QCOMPARE(dict->numberValue(QStringLiteral("zeta"))->toInt64(), 0);
    QCOMPARE(dict->numberValue(QStringLiteral("mid"))->toInt64(), 2);
    QCOMPARE(dict->numberValue(QStringLiteral("beta"))->toInt64(), 3);
    QCOMPARE(dict->numberValue(QStringLiteral("alpha"))->toInt64(), 9);
    QCOMPARE(dict->entryAt(1).first, QStringLiteral("mid"));
}

// Small dictionaries are searched key by key, larger ones through an index
// built once they outgrow CFDictionary::IndexFrom entries and dropped when
// they shrink back: both kinds, and the steps between them, must behave alike.
void TestCFObject::everySizeKeepsOrderAndFindsKeys_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("1") << 1;
    QTest::newRow("IndexFrom - 1") << int(CFDictionary::IndexFrom - 1);
    QTest::newRow("IndexFrom") << int(CFDictionary::IndexFrom);
    QTest::newRow("IndexFrom + 1") << int(CFDictionary::IndexFrom + 1);
    QTest::newRow("IndexFrom + 2") << int(CFDictionary::IndexFrom + 2);
    QTest::newRow("200") << 200;
}

void TestCFObject::everySizeKeepsOrderAndFindsKeys()
{
    QFETCH(int, size);
    // Keys in no sorted order, some a prefix of others ("k1", "k10").
    QVector<QString> keys;
    for (int i = 0; i < size; ++i)
        keys.append(QStringLiteral("k%1").arg((i * 7) % size + 1));
    auto dict = CFMutableDictionary::create();
    for (int i = 0; i < size; ++i)
        dict->setNumber(keys.at(i), i);
    const auto check = [&](const CFDictionary& d) {
        QCOMPARE(d.keys(), keys);
        for (qsizetype i = 0; i < keys.size(); ++i) {
            QVERIFY2(d.containsKey(keys.at(i)), qPrintable(keys.at(i)));
            QCOMPARE(d.value(keys.at(i)), d.entryAt(i).second);
        }
        QVERIFY(!d.containsKey(QStringLiteral("k0")));
        QVERIFY(!d.value(QStringLiteral("k%1").arg(size + 1)));
    };
    check(*dict);
    check(*dict->copy());
    QVERIFY(dict->copy()->equals(*dict));

    // Replacing keeps the place; adding an existing key changes nothing.
    const QString middle = keys.at(size / 2);
    dict->setString(middle, QStringLiteral("replaced"));
    QCOMPARE(dict->entryAt(size / 2).first, middle);
    QCOMPARE(dict->stringValue(middle)->value(), QStringLiteral("replaced"));
    QVERIFY(!dict->addValue(middle, CFBoolean::create(true)));
    QCOMPARE(dict->stringValue(middle)->value(), QStringLiteral("replaced"));
    check(*dict);

    // Removing (down across the index threshold) keeps the order of the rest.
    dict->removeValue(middle);
    keys.removeAt(size / 2);
    check(*dict);
    if (!keys.isEmpty()) {
        dict->removeValue(keys.first());
        keys.removeFirst();
        check(*dict);
    }
    dict->setNumber(middle, -1);
    keys.append(middle);
    check(*dict);
    QCOMPARE(dict->numberValue(middle)->toInt64(), -1);
    check(*dict->mutableCopy());
}

void TestCFObject::snapshotsStayStableWhileChanging()
{
    auto dict = CFMutableDictionary::create();
    for (int i = 0; i < 5; ++i)
        dict->setNumber(QString::number(i), i);

    const QVector<QString> keys = dict->keys();
    const QVector<CFObjectRef> values = dict->values();
    // Change the dictionary while walking the snapshot, as a reader that
    // converts entries in place would.
    for (qsizetype i = 0; i < keys.size(); ++i) {
        dict->removeValue(keys.at(i));
        dict->setString(keys.at(i) + QStringLiteral("-new"), QStringLiteral("x"));
        QCOMPARE(cf_cast<CFNumber>(values.at(i))->toInt64(), i);
    }
    QCOMPARE(keys.size(), 5);
    QCOMPARE(keys.first(), QStringLiteral("0"));
    QCOMPARE(dict->count(), 5);
    QVERIFY(!dict->containsKey(QStringLiteral("0")));

    auto array = CFMutableArray::create();
    array->append(CFBoolean::create(true));
    const QVector<CFObjectRef> items = array->values();
    array->append(CFBoolean::create(false));
    array->removeAt(0);
    QCOMPARE(items.size(), 1);
    QVERIFY(cf_cast<CFBoolean>(items.at(0))->value());
}

void TestCFObject::copiesAreIndependent()
{
    auto inner = CFMutableDictionary::create();
    inner->setString(QStringLiteral("k"), QStringLiteral("source"));
    auto list = CFMutableArray::create();
    list->append(CFString::create(QStringLiteral("item")));
    auto source = CFMutableDictionary::create();
    source->setValue(QStringLiteral("inner"), inner);
    source->setValue(QStringLiteral("list"), list);

    const CFMutableDictionaryRef mutableCopy = source->mutableCopy();
    const CFDictionaryRef copy = source->copy();
    QVERIFY(mutableCopy->equals(*source));
    QVERIFY(copy->equals(*source));

    // A nested dictionary of the copy is an object of its own.
    auto copiedInner = cf_cast<CFMutableDictionary>(mutableCopy->value(QStringLiteral("inner")));
    QVERIFY(copiedInner);
    QVERIFY(copiedInner != inner);
    copiedInner->setString(QStringLiteral("k"), QStringLiteral("changed in copy"));
    cf_cast<CFMutableArray>(mutableCopy->value(QStringLiteral("list")))->append(CFString::create(QStringLiteral("more")));
    mutableCopy->setString(QStringLiteral("top"), QStringLiteral("added"));
    QCOMPARE(inner->stringValue(QStringLiteral("k"))->value(), QStringLiteral("source"));
    QCOMPARE(list->count(), 1);
    QVERIFY(!source->containsKey(QStringLiteral("top")));

    // And the other way round: changing the source leaves both copies alone.
    inner->setString(QStringLiteral("k"), QStringLiteral("changed in source"));
    list->removeAt(0);
    QCOMPARE(copy->dictionaryValue(QStringLiteral("inner"))->stringValue(QStringLiteral("k"))->value(), QStringLiteral("source"));
    QCOMPARE(copy->arrayValue(QStringLiteral("list"))->count(), 1);
    QCOMPARE(copiedInner->stringValue(QStringLiteral("k"))->value(), QStringLiteral("changed in copy"));
}

void TestCFObject::equalityOfDictionariesIgnoresOrder()
{
    auto a = CFMutableDictionary::create();
    a->setNumber(QStringLiteral("x"), 1);
    a->setReal(QStringLiteral("y"), 2.0);
    auto b = CFMutableDictionary::create();
    b->setReal(QStringLiteral("y"), 2.0);
    b->setNumber(QStringLiteral("x"), 1);
    QVERIFY(a->equals(*b));
    b->setNumber(QStringLiteral("x"), 2);
    QVERIFY(!a->equals(*b));
    QVERIFY(!a->equals(*CFArray::create()));
}

void TestCFObject::numberConversions_data()
{
    QTest::addColumn<CFNumberRef>("number");
    QTest::addColumn<double>("asDouble");
    QTest::addColumn<qint32>("asInt32");

    constexpr qint32 max32 = std::numeric_limits<qint32>::max();
    constexpr qint32 min32 = std::numeric_limits<qint32>::min();
    QTest::newRow("float 24.5") << CFNumber::createFloat(24.5f) << 24.5 << 24;
    QTest::newRow("float -3.9 truncates") << CFNumber::createFloat(-3.9f) << double(-3.9f) << -3;
    QTest::newRow("float keeps single precision") << CFNumber::createFloat(0.1f) << double(0.1f) << 0;
    QTest::newRow("integer above 32 bits clamps") << CFNumber::create(qint64(1) << 40) << 1099511627776.0 << max32;
    QTest::newRow("integer below 32 bits clamps") << CFNumber::create(-(qint64(1) << 40)) << -1099511627776.0 << min32;
    QTest::newRow("huge real clamps") << CFNumber::create(1e300) << 1e300 << max32;
    QTest::newRow("nan is 0") << CFNumber::create(std::numeric_limits<double>::quiet_NaN()) << std::numeric_limits<double>::quiet_NaN() << 0;
}

void TestCFObject::numberConversions()
{
    QFETCH(CFNumberRef, number);
    QFETCH(double, asDouble);
    QFETCH(qint32, asInt32);
    if (std::isnan(asDouble))
        QVERIFY(std::isnan(number->toDouble()));
    else
        QCOMPARE(number->toDouble(), asDouble);
    QCOMPARE(number->toInt32(), asInt32);
}

void TestCFObject::dataKeepsEveryByte()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(static_cast<char>(i));
    const CFDataRef data = CFData::create(bytes);
    QCOMPARE(data->bytes(), bytes);
    QCOMPARE(data->bytes().size(), 256);
}

void TestCFObject::arrayIndexOutOfRangeIsNull()
{
    const CFArrayRef array = CFArray::create({ CFBoolean::create(true) });
    QVERIFY(array->valueAt(0));
    QVERIFY(!array->valueAt(1));
    QVERIFY(!array->valueAt(-1));
}

QTEST_GUILESS_MAIN(TestCFObject)
#include "tst_cfobject.moc"
