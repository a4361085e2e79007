#include "settings/cfobject.h"

#include <cmath>
#include <limits>

QString CFObject::typeDescription() const
{
    switch (typeID()) {
    case CFTypeID::String:
        return QStringLiteral("CFString");
    case CFTypeID::Number:
        return QStringLiteral("CFNumber");
    case CFTypeID::Boolean:
        return QStringLiteral("CFBoolean");
    case CFTypeID::Date:
        return QStringLiteral("CFDate");
    case CFTypeID::Data:
        return QStringLiteral("CFData");
    case CFTypeID::Array:
        return QStringLiteral("CFArray");
    case CFTypeID::Dictionary:
        return QStringLiteral("CFDictionary");
    }
    return {};
}

// --- CFString

CFString::CFString(QString value)
    : m_value(std::move(value))
{
}

CFStringRef CFString::create(const QString& value) { return std::make_shared<CFString>(value); }

CFObjectRef CFString::deepCopy() const { return create(m_value); }

bool CFString::equals(const CFObject& other) const
{
    const auto* o = dynamic_cast<const CFString*>(&other);
    return o && o->m_value == m_value;
}

// --- CFNumber

CFNumber::CFNumber(qint64 value)
    : m_integer(value)
    , m_isInteger(true)
{
}

CFNumber::CFNumber(double value)
    : m_real(value)
    , m_isInteger(false)
{
}

CFNumberRef CFNumber::create(qint64 value) { return std::make_shared<CFNumber>(value); }
CFNumberRef CFNumber::create(double value) { return std::make_shared<CFNumber>(value); }
CFNumberRef CFNumber::createFloat(float value) { return std::make_shared<CFNumber>(static_cast<double>(value)); }

CFObjectRef CFNumber::deepCopy() const
{
    if (m_isInteger)
        return create(m_integer);
    return create(m_real);
}

bool CFNumber::equals(const CFObject& other) const
{
    const auto* o = dynamic_cast<const CFNumber*>(&other);
    if (!o)
        return false;
    if (m_isInteger && o->m_isInteger)
        return m_integer == o->m_integer;
    return toDouble() == o->toDouble();
}

double CFNumber::toDouble() const { return m_isInteger ? static_cast<double>(m_integer) : m_real; }

qint64 CFNumber::toInt64() const
{
    if (m_isInteger)
        return m_integer;
    if (std::isnan(m_real))
        return 0;
    constexpr double lo = static_cast<double>(std::numeric_limits<qint64>::min());
    constexpr double hi = static_cast<double>(std::numeric_limits<qint64>::max());
    if (m_real <= lo)
        return std::numeric_limits<qint64>::min();
    if (m_real >= hi)
        return std::numeric_limits<qint64>::max();
    return static_cast<qint64>(std::trunc(m_real));
}

qint32 CFNumber::toInt32() const
{
    const qint64 v = toInt64();
    if (v < std::numeric_limits<qint32>::min())
        return std::numeric_limits<qint32>::min();
    if (v > std::numeric_limits<qint32>::max())
        return std::numeric_limits<qint32>::max();
    return static_cast<qint32>(v);
}

// --- CFBoolean

CFBoolean::CFBoolean(bool value)
    : m_value(value)
{
}

CFBooleanRef CFBoolean::create(bool value) { return std::make_shared<CFBoolean>(value); }

CFObjectRef CFBoolean::deepCopy() const { return create(m_value); }

bool CFBoolean::equals(const CFObject& other) const
{
    const auto* o = dynamic_cast<const CFBoolean*>(&other);
    return o && o->m_value == m_value;
}

// --- CFDate

CFDate::CFDate(QDateTime value)
    : m_value(std::move(value))
{
}

CFDateRef CFDate::create(const QDateTime& value) { return std::make_shared<CFDate>(value); }

CFObjectRef CFDate::deepCopy() const { return create(m_value); }

bool CFDate::equals(const CFObject& other) const
{
    const auto* o = dynamic_cast<const CFDate*>(&other);
    return o && o->m_value == m_value;
}

// --- CFData

CFData::CFData(QByteArray bytes)
    : m_bytes(std::move(bytes))
{
}

CFDataRef CFData::create(const QByteArray& bytes) { return std::make_shared<CFData>(bytes); }

CFObjectRef CFData::deepCopy() const { return create(m_bytes); }

bool CFData::equals(const CFObject& other) const
{
    const auto* o = dynamic_cast<const CFData*>(&other);
    return o && o->m_bytes == m_bytes;
}

// --- CFArray

namespace {

QVector<CFObjectRef> deepCopyItems(const QVector<CFObjectRef>& items)
{
    QVector<CFObjectRef> out;
    out.reserve(items.size());
    for (const CFObjectRef& item : items)
        out.append(item ? item->deepCopy() : nullptr);
    return out;
}

} // namespace

CFArray::CFArray(QVector<CFObjectRef> items)
    : m_items(std::move(items))
{
}

CFArrayRef CFArray::create(QVector<CFObjectRef> items) { return std::make_shared<CFArray>(std::move(items)); }

CFObjectRef CFArray::deepCopy() const { return create(deepCopyItems(m_items)); }

bool CFArray::equals(const CFObject& other) const
{
    const auto* o = dynamic_cast<const CFArray*>(&other);
    if (!o || o->m_items.size() != m_items.size())
        return false;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        const CFObjectRef& a = m_items.at(i);
        const CFObjectRef& b = o->m_items.at(i);
        if (!a || !b) {
            if (a != b)
                return false;
        } else if (!a->equals(*b)) {
            return false;
        }
    }
    return true;
}

CFObjectRef CFArray::valueAt(qsizetype index) const
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    return m_items.at(index);
}

CFMutableArrayRef CFArray::mutableCopy() const { return CFMutableArray::create(deepCopyItems(m_items)); }

CFMutableArray::CFMutableArray(QVector<CFObjectRef> items)
    : CFArray(std::move(items))
{
}

CFMutableArrayRef CFMutableArray::create(QVector<CFObjectRef> items) { return std::make_shared<CFMutableArray>(std::move(items)); }

CFObjectRef CFMutableArray::deepCopy() const { return create(deepCopyItems(m_items)); }

void CFMutableArray::append(CFObjectRef value) { m_items.append(std::move(value)); }

void CFMutableArray::removeAt(qsizetype index)
{
    if (index >= 0 && index < m_items.size())
        m_items.removeAt(index);
}

// --- CFDictionary

namespace {

template <typename Dict>
std::shared_ptr<Dict> deepCopyDictionary(const QVector<CFDictionary::Entry>& entries)
{
    auto out = std::make_shared<Dict>();
    out->reserve(entries.size());
    for (const auto& [key, value] : entries)
        out->setValue(key, value ? value->deepCopy() : nullptr);
    return out;
}

// CFDictionary has no public setter; build through the mutable kind and hand
// the entries over.
class DictionaryBuilder final : public CFDictionary {
public:
    void reserve(qsizetype n) { reserveEntries(n); }
    void setValue(const QString& key, CFObjectRef value) { setEntry(key, std::move(value)); }
};

} // namespace

CFObjectRef CFDictionary::value(const QString& key) const
{
    const qsizetype at = indexOf(key);
    return at < 0 ? nullptr : m_entries.at(at).second;
}

qsizetype CFDictionary::indexOf(const QString& key) const
{
    if (m_index.isEmpty()) {
        // A scan of a few keys is quicker than hashing, and a hash table per
        // record would cost more memory than the record's entries.
        for (qsizetype i = 0; i < m_entries.size(); ++i) {
            if (m_entries.at(i).first == key)
                return i;
        }
        return -1;
    }
    return m_index.value(key, -1);
}

QVector<QString> CFDictionary::keys() const
{
    QVector<QString> out;
    out.reserve(m_entries.size());
    for (const auto& entry : m_entries)
        out.append(entry.first);
    return out;
}

QVector<CFObjectRef> CFDictionary::values() const
{
    QVector<CFObjectRef> out;
    out.reserve(m_entries.size());
    for (const auto& entry : m_entries)
        out.append(entry.second);
    return out;
}

CFObjectRef CFDictionary::deepCopy() const { return copy(); }

bool CFDictionary::equals(const CFObject& other) const
{
    const auto* o = dynamic_cast<const CFDictionary*>(&other);
    if (!o || o->m_entries.size() != m_entries.size())
        return false;
    for (const auto& [key, mine] : m_entries) {
        if (!o->containsKey(key))
            return false;
        const CFObjectRef theirs = o->value(key);
        if (!mine || !theirs) {
            if (mine != theirs)
                return false;
        } else if (!mine->equals(*theirs)) {
            return false;
        }
    }
    return true;
}

CFDictionaryRef CFDictionary::copy() const { return deepCopyDictionary<DictionaryBuilder>(m_entries); }

CFMutableDictionaryRef CFDictionary::mutableCopy() const { return deepCopyDictionary<CFMutableDictionary>(m_entries); }

void CFDictionary::setEntry(const QString& key, CFObjectRef value)
{
    const qsizetype at = indexOf(key);
    if (at >= 0) {
        m_entries[at].second = std::move(value);
        return;
    }
    appendEntry(key, std::move(value));
}

bool CFDictionary::addEntry(const QString& key, CFObjectRef value)
{
    if (indexOf(key) >= 0)
        return false;
    appendEntry(key, std::move(value));
    return true;
}

void CFDictionary::appendEntry(const QString& key, CFObjectRef value)
{
    m_entries.append({ key, std::move(value) });
    if (!m_index.isEmpty())
        m_index.insert(key, m_entries.size() - 1);
    else if (m_entries.size() > IndexFrom)
        rebuildIndex();
}

void CFDictionary::removeEntry(const QString& key)
{
    const qsizetype at = indexOf(key);
    if (at < 0)
        return;
    m_entries.removeAt(at);
    if (m_index.isEmpty())
        return;
    if (m_entries.size() <= IndexFrom) {
        m_index = {};
        return;
    }
    m_index.remove(key);
    for (qsizetype i = at; i < m_entries.size(); ++i)
        m_index[m_entries.at(i).first] = i;
}

void CFDictionary::rebuildIndex()
{
    m_index = {};
    m_index.reserve(m_entries.capacity());
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        m_index.insert(m_entries.at(i).first, i);
}

// The index, when one is due, is sized from the entries' capacity once the
// entries outgrow IndexFrom.
void CFDictionary::reserveEntries(qsizetype n) { m_entries.reserve(n); }

void CFDictionary::squeezeEntries()
{
    m_entries.squeeze();
    if (!m_index.isEmpty())
        m_index.squeeze();
}

CFMutableDictionaryRef CFMutableDictionary::create() { return std::make_shared<CFMutableDictionary>(); }

CFObjectRef CFMutableDictionary::deepCopy() const { return deepCopyDictionary<CFMutableDictionary>(m_entries); }
