#pragma once

// The property-list object layer: reference-counted values of the kinds a
// property list holds (string, number, boolean, date, data, array,
// dictionary). Objects are shared through std::shared_ptr; an object lives
// while something holds it. Dictionaries keep their keys in insertion order.
//
// Immutable kinds (CFString, CFNumber, CFBoolean, CFDate, CFData, CFArray,
// CFDictionary) never change after construction; CFMutableArray and
// CFMutableDictionary add the mutating operations. Copies (copy(),
// mutableCopy()) are deep for nested arrays and dictionaries, so a copy never
// changes when its source does and the other way round.
//
// Not thread-safe: an object is used by one thread at a time.

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QMetaType>
#include <QString>
#include <QVector>

#include <memory>
#include <utility>

enum class CFTypeID { String, Number, Boolean, Date, Data, Array, Dictionary };

class CFObject;
class CFString;
class CFNumber;
class CFBoolean;
class CFDate;
class CFData;
class CFArray;
class CFMutableArray;
class CFDictionary;
class CFMutableDictionary;

using CFObjectRef = std::shared_ptr<CFObject>;
using CFStringRef = std::shared_ptr<CFString>;
using CFNumberRef = std::shared_ptr<CFNumber>;
using CFBooleanRef = std::shared_ptr<CFBoolean>;
using CFDateRef = std::shared_ptr<CFDate>;
using CFDataRef = std::shared_ptr<CFData>;
using CFArrayRef = std::shared_ptr<CFArray>;
using CFMutableArrayRef = std::shared_ptr<CFMutableArray>;
using CFDictionaryRef = std::shared_ptr<CFDictionary>;
using CFMutableDictionaryRef = std::shared_ptr<CFMutableDictionary>;

class CFObject {
public:
    virtual ~CFObject() = default;
    CFObject(const CFObject&) = delete;
    CFObject& operator=(const CFObject&) = delete;

    [[nodiscard]] virtual CFTypeID typeID() const = 0;
    // "CFString", "CFNumber", "CFBoolean", "CFDate", "CFData", "CFArray", "CFDictionary".
    [[nodiscard]] QString typeDescription() const;
    // A new object equal to this one, sharing nothing mutable with it.
    [[nodiscard]] virtual CFObjectRef deepCopy() const = 0;
    // Structural equality (same kind, same content, same order for arrays;
    // dictionaries compare as key sets).
    [[nodiscard]] virtual bool equals(const CFObject& other) const = 0;

protected:
    CFObject() = default;
};

// View an object as a kind: the object, or nullptr when it is another kind
// (or null). CFMutableDictionary and CFMutableArray views succeed only on
// objects made mutable.
template <typename T>
std::shared_ptr<T> cf_cast(const CFObjectRef& object)
{
    return std::dynamic_pointer_cast<T>(object);
}

inline CFTypeID CFDictionaryGetTypeID() { return CFTypeID::Dictionary; }

class CFString final : public CFObject {
public:
    explicit CFString(QString value);
    static CFStringRef create(const QString& value);
    [[nodiscard]] CFTypeID typeID() const override { return CFTypeID::String; }
    [[nodiscard]] CFObjectRef deepCopy() const override;
    [[nodiscard]] bool equals(const CFObject& other) const override;
    [[nodiscard]] const QString& value() const { return m_value; }

private:
    QString m_value;
};

// A number keeps whether it was made from an integer, so a property list
// writes <integer> or <real> as it was read.
class CFNumber final : public CFObject {
public:
    explicit CFNumber(qint64 value);
    explicit CFNumber(double value);
    static CFNumberRef create(qint64 value);
    static CFNumberRef create(double value);
    // A single-precision number, as the burner layer's speeds are made.
    static CFNumberRef createFloat(float value);
    [[nodiscard]] CFTypeID typeID() const override { return CFTypeID::Number; }
    [[nodiscard]] CFObjectRef deepCopy() const override;
    [[nodiscard]] bool equals(const CFObject& other) const override;
    [[nodiscard]] bool isInteger() const { return m_isInteger; }
    [[nodiscard]] double toDouble() const;
    [[nodiscard]] qint64 toInt64() const;
    // Truncated toward zero and clamped to the 32-bit range.
    [[nodiscard]] qint32 toInt32() const;

private:
    // One of the two, as m_isInteger says: album files hold hundreds of
    // thousands of numbers, so each one is kept as small as it can be.
    union {
        qint64 m_integer;
        double m_real;
    };
    bool m_isInteger;
};

class CFBoolean final : public CFObject {
public:
    explicit CFBoolean(bool value);
    static CFBooleanRef create(bool value);
    [[nodiscard]] CFTypeID typeID() const override { return CFTypeID::Boolean; }
    [[nodiscard]] CFObjectRef deepCopy() const override;
    [[nodiscard]] bool equals(const CFObject& other) const override;
    [[nodiscard]] bool value() const { return m_value; }

private:
    bool m_value;
};

// A point in time (UTC).
class CFDate final : public CFObject {
public:
    explicit CFDate(QDateTime value);
    static CFDateRef create(const QDateTime& value);
    [[nodiscard]] CFTypeID typeID() const override { return CFTypeID::Date; }
    [[nodiscard]] CFObjectRef deepCopy() const override;
    [[nodiscard]] bool equals(const CFObject& other) const override;
    [[nodiscard]] const QDateTime& value() const { return m_value; }

private:
    QDateTime m_value;
};

class CFData final : public CFObject {
public:
    explicit CFData(QByteArray bytes);
    static CFDataRef create(const QByteArray& bytes);
    [[nodiscard]] CFTypeID typeID() const override { return CFTypeID::Data; }
    [[nodiscard]] CFObjectRef deepCopy() const override;
    [[nodiscard]] bool equals(const CFObject& other) const override;
    [[nodiscard]] const QByteArray& bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

class CFArray : public CFObject {
public:
    CFArray() = default;
    explicit CFArray(QVector<CFObjectRef> items);
    static CFArrayRef create(QVector<CFObjectRef> items = {});
    [[nodiscard]] CFTypeID typeID() const override { return CFTypeID::Array; }
    [[nodiscard]] CFObjectRef deepCopy() const override;
    [[nodiscard]] bool equals(const CFObject& other) const override;
    [[nodiscard]] qsizetype count() const { return m_items.size(); }
    // nullptr when the index is out of range.
    [[nodiscard]] CFObjectRef valueAt(qsizetype index) const;
    // A snapshot: later changes to a mutable array do not reach it.
    [[nodiscard]] QVector<CFObjectRef> values() const { return m_items; }
    [[nodiscard]] CFMutableArrayRef mutableCopy() const;

protected:
    QVector<CFObjectRef> m_items;
};

class CFMutableArray final : public CFArray {
public:
    CFMutableArray() = default;
    explicit CFMutableArray(QVector<CFObjectRef> items);
    static CFMutableArrayRef create(QVector<CFObjectRef> items = {});
    [[nodiscard]] CFObjectRef deepCopy() const override;
    void append(CFObjectRef value);
    void removeAt(qsizetype index);
};

// Keys are strings. Entries keep the order in which their keys were first
// added. A small dictionary (up to IndexFrom entries, the usual size of a
// record in an album file) is searched key by key; a larger one keeps a hash
// index beside its entries.
class CFDictionary : public CFObject {
public:
    using Entry = std::pair<QString, CFObjectRef>;
    // Dictionaries with more entries than this have a hash index.
    static constexpr qsizetype IndexFrom = 16;

    CFDictionary() = default;
    [[nodiscard]] CFTypeID typeID() const override { return CFTypeID::Dictionary; }
    [[nodiscard]] CFObjectRef deepCopy() const override;
    [[nodiscard]] bool equals(const CFObject& other) const override;

    [[nodiscard]] qsizetype count() const { return m_entries.size(); }
    [[nodiscard]] bool containsKey(const QString& key) const { return indexOf(key) >= 0; }
    // nullptr when the key is absent.
    [[nodiscard]] CFObjectRef value(const QString& key) const;
    // Typed lookups: nullptr when absent or of another kind.
    [[nodiscard]] CFStringRef stringValue(const QString& key) const { return cf_cast<CFString>(value(key)); }
    [[nodiscard]] CFNumberRef numberValue(const QString& key) const { return cf_cast<CFNumber>(value(key)); }
    [[nodiscard]] CFBooleanRef booleanValue(const QString& key) const { return cf_cast<CFBoolean>(value(key)); }
    [[nodiscard]] CFArrayRef arrayValue(const QString& key) const { return cf_cast<CFArray>(value(key)); }
    [[nodiscard]] CFDictionaryRef dictionaryValue(const QString& key) const { return cf_cast<CFDictionary>(value(key)); }

    // Snapshots of keys and values in order: stable while the dictionary
    // changes during an iteration over them.
    [[nodiscard]] QVector<QString> keys() const;
    [[nodiscard]] QVector<CFObjectRef> values() const;
    [[nodiscard]] QVector<Entry> entries() const { return m_entries; }
    [[nodiscard]] const Entry& entryAt(qsizetype index) const { return m_entries.at(index); }

    [[nodiscard]] CFDictionaryRef copy() const;
    [[nodiscard]] CFMutableDictionaryRef mutableCopy() const;

protected:
    void setEntry(const QString& key, CFObjectRef value);
    bool addEntry(const QString& key, CFObjectRef value);
    void removeEntry(const QString& key);
    void reserveEntries(qsizetype n);
    // Gives back the room reserved beyond the entries there are.
    void squeezeEntries();
    // The place of key among the entries, or -1.
    [[nodiscard]] qsizetype indexOf(const QString& key) const;

    QVector<Entry> m_entries;
    // Empty while there are IndexFrom entries or fewer.
    QHash<QString, qsizetype> m_index;

private:
    void appendEntry(const QString& key, CFObjectRef value);
    void rebuildIndex();
};

class CFMutableDictionary final : public CFDictionary {
public:
    CFMutableDictionary() = default;
    static CFMutableDictionaryRef create();
    [[nodiscard]] CFObjectRef deepCopy() const override;
    // Replaces the value of an existing key (keeping its place) or adds the entry.
    void setValue(const QString& key, CFObjectRef value) { setEntry(key, std::move(value)); }
    // Adds the entry only when the key is absent; answers whether it was added.
    bool addValue(const QString& key, CFObjectRef value) { return addEntry(key, std::move(value)); }
    void removeValue(const QString& key) { removeEntry(key); }
    void reserve(qsizetype n) { reserveEntries(n); }

    void setString(const QString& key, const QString& text) { setValue(key, CFString::create(text)); }
    void setBoolean(const QString& key, bool value) { setValue(key, CFBoolean::create(value)); }
    void setNumber(const QString& key, qint64 value) { setValue(key, CFNumber::create(value)); }
    void setReal(const QString& key, double value) { setValue(key, CFNumber::create(value)); }
};

// Dictionaries travel in queued signals and test tables.
Q_DECLARE_METATYPE(CFDictionaryRef)
