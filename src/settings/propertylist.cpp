#include "settings/propertylist.h"

#include "settings/propertylistxmlreader.h"

#include <QDate>
#include <QLocale>
#include <QSet>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// CFDictionary keeps its setters for subclasses; the readers fill immutable
// dictionaries through this one.
class DictionaryBuilder final : public CFDictionary {
public:
    using CFDictionary::reserveEntries;
    using CFDictionary::setEntry;
};

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// --- Binary reader

class BinaryReader {
public:
    explicit BinaryReader(const QByteArray& data)
        : m_data(reinterpret_cast<const uchar*>(data.constData()))
        , m_size(static_cast<quint64>(data.size()))
    {
    }

    CFObjectRef read(QString* error);

private:
    CFObjectRef object(quint64 index, int depth);
    CFObjectRef readObject(quint64 index, quint64 offset, int depth);
    bool length(quint64 at, uint nibble, quint64& count, quint64& contentStart);
    bool fits(quint64 at, quint64 count, quint64 unit);
    quint64 unsignedAt(quint64 at, uint size) const;
    CFObjectRef fail(const QString& what);

    const uchar* m_data;
    quint64 m_size;
    quint64 m_end = 0; // where the trailer begins: objects lie before it
    uint m_offsetSize = 0;
    uint m_refSize = 0;
    quint64 m_count = 0;
    quint64 m_offsetTable = 0;
    quint64 m_budget = 0;
    QVector<quint8> m_onPath;
    QVector<CFObjectRef> m_leaves;
    QString m_error;
};

CFObjectRef BinaryReader::fail(const QString& what)
{
    if (m_error.isEmpty())
        m_error = what;
    return nullptr;
}

quint64 BinaryReader::unsignedAt(quint64 at, uint size) const
{
    quint64 value = 0;
    for (uint i = 0; i < size; ++i)
        value = (value << 8) | m_data[at + i];
    return value;
}

// Whether count items of unit bytes each, starting at at, lie before the
// trailer; written so that no product or sum can overflow.
bool BinaryReader::fits(quint64 at, quint64 count, quint64 unit)
{
    if (at > m_end || (unit != 0 && count > (m_end - at) / unit))
        return false;
    return true;
}

CFObjectRef BinaryReader::read(QString* error)
{
    constexpr quint64 headerSize = 8;
    constexpr quint64 trailerSize = 32;
    if (m_size < headerSize || std::memcmp(m_data, "bplist00", headerSize) != 0) {
        setError(error, m_size >= 8 && std::memcmp(m_data, "bplist", 6) == 0 ? QStringLiteral("The binary property list is of an unknown version.") : QStringLiteral("The data is not a binary property list."));
        return nullptr;
    }
    if (m_size < headerSize + trailerSize + 1) {
        setError(error, QStringLiteral("The binary property list is too short to hold anything."));
        return nullptr;
    }
    m_end = m_size - trailerSize;
    const quint64 trailer = m_end;
    m_offsetSize = m_data[trailer + 6];
    m_refSize = m_data[trailer + 7];
    m_count = unsignedAt(trailer + 8, 8);
    const quint64 top = unsignedAt(trailer + 16, 8);
    m_offsetTable = unsignedAt(trailer + 24, 8);

    QString problem;
    if (m_offsetSize < 1 || m_offsetSize > 8)
        problem = QStringLiteral("its offsets are %1 bytes wide").arg(m_offsetSize);
    else if (m_refSize < 1 || m_refSize > 8)
        problem = QStringLiteral("its object references are %1 bytes wide").arg(m_refSize);
    else if (m_count == 0 || m_count > m_end - headerSize)
        problem = QStringLiteral("it claims %1 objects").arg(m_count);
    else if (top >= m_count)
        problem = QStringLiteral("its top object %1 is not among its %2 objects").arg(top).arg(m_count);
    else if (m_offsetTable < headerSize || !fits(m_offsetTable, m_count, m_offsetSize))
        problem = QStringLiteral("its offset table lies outside the file");
    else if (m_offsetTable - headerSize < m_count)
        problem = QStringLiteral("its %1 objects cannot all lie before its offset table").arg(m_count);
    if (!problem.isEmpty()) {
        setError(error, QStringLiteral("The binary property list is damaged: %1.").arg(problem));
        return nullptr;
    }

    // Every reference is followed once per place it is used; a table whose
    // objects share containers over and over (a chain of arrays each holding
    // the next twice) would otherwise unfold into billions of objects.
    m_budget = 4 * m_count + 100000;
    m_onPath.fill(0, static_cast<qsizetype>(m_count));
    m_leaves.resize(static_cast<qsizetype>(m_count));

    CFObjectRef result = object(top, 0);
    if (!result && m_error.isEmpty())
        m_error = QStringLiteral("the top object is a null object");
    if (!result) {
        setError(error, QStringLiteral("The binary property list is damaged: %1.").arg(m_error));
        return nullptr;
    }
    return result;
}

bool BinaryReader::length(quint64 at, uint nibble, quint64& count, quint64& contentStart)
{
    if (nibble != 0xF) {
        count = nibble;
        contentStart = at + 1;
        return true;
    }
    // A longer count follows the marker as an integer object.
    const quint64 intAt = at + 1;
    if (!fits(intAt, 1, 1)) {
        fail(QStringLiteral("object at offset %1 is cut off").arg(at));
        return false;
    }
    const uint marker = m_data[intAt];
    const uint size = 1u << (marker & 0xF);
    if ((marker & 0xF0) != 0x10 || size > 8 || !fits(intAt + 1, 1, size)) {
        fail(QStringLiteral("object at offset %1 has a malformed length").arg(at));
        return false;
    }
    count = unsignedAt(intAt + 1, size);
    contentStart = intAt + 1 + size;
    return true;
}

CFObjectRef BinaryReader::object(quint64 index, int depth)
{
    if (index >= m_count)
        return fail(QStringLiteral("a reference points to object %1 of %2").arg(index).arg(m_count));
    if (m_budget == 0)
        return fail(QStringLiteral("its objects are shared so often that they unfold beyond %1 objects").arg(4 * m_count + 100000));
    --m_budget;
    const auto at = static_cast<qsizetype>(index);
    if (m_leaves.at(at))
        return m_leaves.at(at);
    if (m_onPath.at(at))
        return fail(QStringLiteral("object %1 contains itself").arg(index));
    const quint64 offset = unsignedAt(m_offsetTable + index * m_offsetSize, m_offsetSize);
    if (offset < 8 || offset >= m_end)
        return fail(QStringLiteral("object %1 lies outside the file").arg(index));
    m_onPath[at] = 1;
    CFObjectRef result = readObject(index, offset, depth);
    m_onPath[at] = 0;
    return result;
}

CFObjectRef BinaryReader::readObject(quint64 index, quint64 offset, int depth)
{
    const uint marker = m_data[offset];
    const uint kind = marker >> 4;
    const uint nibble = marker & 0xF;
    const auto cut = [&] { return fail(QStringLiteral("object %1 is cut off").arg(index)); };
    const auto remember = [&](CFObjectRef leaf) {
        m_leaves[static_cast<qsizetype>(index)] = leaf;
        return leaf;
    };

    switch (kind) {
    case 0x0:
        if (marker == 0x00) {
            // A null inside a container becomes a nullptr entry; the caller
            // tells it from a failure by m_error staying empty.
            return nullptr;
        }
        if (marker == 0x08 || marker == 0x09)
            return remember(CFBoolean::create(marker == 0x09));
        return fail(QStringLiteral("object %1 has the unknown marker 0x%2").arg(index).arg(marker, 2, 16, QLatin1Char('0')));
    case 0x1: {
        if (nibble > 4)
            return fail(QStringLiteral("integer object %1 is %2 bytes long").arg(index).arg(1ull << nibble));
        const uint size = 1u << nibble;
        if (!fits(offset + 1, 1, size))
            return cut();
        if (size == 16) {
            // 128 bits: only what fits in 64 signed bits is representable.
            const quint64 high = unsignedAt(offset + 1, 8);
            const quint64 low = unsignedAt(offset + 9, 8);
            const bool fitsSigned = (high == 0 && low <= quint64(std::numeric_limits<qint64>::max())) || (high == ~quint64(0) && (low >> 63) == 1);
            if (!fitsSigned)
                return fail(QStringLiteral("integer object %1 does not fit in 64 bits").arg(index));
            return remember(CFNumber::create(static_cast<qint64>(low)));
        }
        // 1, 2 and 4 bytes are unsigned, 8 bytes two's complement.
        return remember(CFNumber::create(static_cast<qint64>(unsignedAt(offset + 1, size))));
    }
    case 0x2: {
        if (nibble != 2 && nibble != 3)
            return fail(QStringLiteral("real object %1 is %2 bytes long").arg(index).arg(1ull << std::min(nibble, 15u)));
        const uint size = 1u << nibble;
        if (!fits(offset + 1, 1, size))
            return cut();
        const quint64 bits = unsignedAt(offset + 1, size);
        if (size == 4) {
            float f;
            const auto narrow = static_cast<quint32>(bits);
            std::memcpy(&f, &narrow, sizeof f);
            return remember(CFNumber::create(static_cast<double>(f)));
        }
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return remember(CFNumber::create(d));
    }
    case 0x3: {
        if (marker != 0x33 || !fits(offset + 1, 1, 8))
            return marker != 0x33 ? fail(QStringLiteral("date object %1 is malformed").arg(index)) : cut();
        const quint64 bits = unsignedAt(offset + 1, 8);
        double seconds;
        std::memcpy(&seconds, &bits, sizeof seconds);
        // Seconds since 2001-01-01 00:00:00 UTC; keep within what QDateTime
        // holds (about +-292 million years) with a wide margin.
        if (!std::isfinite(seconds) || std::fabs(seconds) > 1e15)
            return fail(QStringLiteral("date object %1 is out of range").arg(index));
        const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
        return remember(CFDate::create(reference.addMSecs(static_cast<qint64>(std::llround(seconds * 1000)))));
    }
    case 0x4:
    case 0x5:
    case 0x6:
    case 0x7: {
        quint64 count, start;
        if (!length(offset, nibble, count, start))
            return nullptr;
        const quint64 unit = kind == 0x6 ? 2 : 1;
        if (!fits(start, count, unit))
            return cut();
        const auto* bytes = reinterpret_cast<const char*>(m_data + start);
        const auto n = static_cast<qsizetype>(count);
        if (kind == 0x4)
            return remember(CFData::create(QByteArray(bytes, n)));
        if (kind == 0x5)
            return remember(CFString::create(QString::fromLatin1(bytes, n)));
        if (kind == 0x7)
            return remember(CFString::create(QString::fromUtf8(bytes, n)));
        QString text(n, Qt::Uninitialized);
        for (qsizetype i = 0; i < n; ++i)
            text[i] = QChar(static_cast<char16_t>(unsignedAt(start + 2 * static_cast<quint64>(i), 2)));
        return remember(CFString::create(text));
    }
    case 0x8: {
        // A UID (keyed archives): read as the integer it holds.
        const uint size = nibble + 1;
        if (size > 8)
            return fail(QStringLiteral("UID object %1 is %2 bytes long").arg(index).arg(size));
        if (!fits(offset + 1, 1, size))
            return cut();
        const quint64 uid = unsignedAt(offset + 1, size);
        if (uid > quint64(std::numeric_limits<qint64>::max()))
            return fail(QStringLiteral("UID object %1 does not fit in 64 bits").arg(index));
        return remember(CFNumber::create(static_cast<qint64>(uid)));
    }
    case 0xA:
    case 0xB:
    case 0xC:
    case 0xD: {
        if (depth >= PropertyList::MaxNesting)
            return fail(QStringLiteral("arrays and dictionaries nest deeper than %1 levels").arg(PropertyList::MaxNesting));
        quint64 count, start;
        if (!length(offset, nibble, count, start))
            return nullptr;
        const quint64 refs = kind == 0xD ? 2 : 1;
        if (!fits(start, count, refs * m_refSize))
            return cut();
        const auto refAt = [&](quint64 i) { return unsignedAt(start + i * m_refSize, m_refSize); };
        if (kind != 0xD) {
            // Sets (0xC) and ordered sets (0xB) read as arrays.
            QVector<CFObjectRef> items;
            items.reserve(static_cast<qsizetype>(count));
            for (quint64 i = 0; i < count; ++i) {
                CFObjectRef item = object(refAt(i), depth + 1);
                if (!item && !m_error.isEmpty())
                    return nullptr;
                items.append(std::move(item));
            }
            return CFArray::create(std::move(items));
        }
        auto result = std::make_shared<DictionaryBuilder>();
        result->reserveEntries(static_cast<qsizetype>(count));
        for (quint64 i = 0; i < count; ++i) {
            const CFStringRef key = cf_cast<CFString>(object(refAt(i), depth + 1));
            if (!key)
                return m_error.isEmpty() ? fail(QStringLiteral("dictionary %1 has a key that is not a string").arg(index)) : nullptr;
            CFObjectRef item = object(refAt(count + i), depth + 1);
            if (!item && !m_error.isEmpty())
                return nullptr;
            result->setEntry(key->value(), std::move(item));
        }
        return result;
    }
    default:
        return fail(QStringLiteral("object %1 has the unknown marker 0x%2").arg(index).arg(marker, 2, 16, QLatin1Char('0')));
    }
}

// --- XML writer

class XmlWriter {
public:
    // The whole document; false (and error()) when the object cannot be written.
    bool writeDocument(const CFObject& object);
    const QByteArray& data() const { return m_out; }
    const QString& error() const { return m_error; }

private:
    bool write(const CFObject& object, int depth);
    void indent(int depth) { m_out.append(depth, '\t'); }
    void element(const char* name, QByteArrayView text, int depth);
    void escaped(const QString& text);
    bool enter(const CFObject& container, int depth);

    QByteArray m_out;
    QString m_error;
    // The containers being written, outermost first: one met again is a cycle.
    QSet<const CFObject*> m_path;
};

bool XmlWriter::writeDocument(const CFObject& object)
{
    m_out.reserve(4096);
    m_out.append(PropertyList::XmlDeclaration).append('\n').append(PropertyList::XmlDoctype).append('\n').append("<plist version=\"1.0\">\n");
    if (!write(object, 0))
        return false;
    m_out.append("</plist>\n");
    return true;
}

// Escapes markup and writes CR as a reference so that no reader's line-end
// handling can turn it into LF; drops what XML 1.0 cannot hold at all.
void XmlWriter::escaped(const QString& text)
{
    const auto plain = [](char16_t c) { return c >= 0x20 ? (c != u'&' && c != u'<' && c != u'>' && c != 0xFFFE && c != 0xFFFF) : (c == u'\t' || c == u'\n'); };
    if (std::all_of(text.cbegin(), text.cend(), [&](QChar c) { return plain(c.unicode()); })) {
        m_out.append(text.toUtf8());
        return;
    }
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'\r':
            out += QLatin1String("&#13;");
            break;
        default:
            if (plain(c.unicode()))
                out += c;
        }
    }
    m_out.append(out.toUtf8());
}

void XmlWriter::element(const char* name, QByteArrayView text, int depth)
{
    indent(depth);
    m_out.append('<').append(name).append('>').append(text).append("</").append(name).append(">\n");
}

bool XmlWriter::enter(const CFObject& container, int depth)
{
    if (depth >= PropertyList::MaxNesting) {
        m_error = QStringLiteral("Arrays and dictionaries nest deeper than %1 levels.").arg(PropertyList::MaxNesting);
        return false;
    }
    if (m_path.contains(&container)) {
        m_error = QStringLiteral("An array or dictionary contains itself.");
        return false;
    }
    m_path.insert(&container);
    return true;
}

bool XmlWriter::write(const CFObject& object, int depth)
{
    switch (object.typeID()) {
    case CFTypeID::String:
        indent(depth);
        m_out.append("<string>");
        escaped(static_cast<const CFString&>(object).value());
        m_out.append("</string>\n");
        return true;
    case CFTypeID::Number: {
        const auto& number = static_cast<const CFNumber&>(object);
        if (number.isInteger()) {
            element("integer", QByteArray::number(number.toInt64()), depth);
            return true;
        }
        const double v = number.toDouble();
        QByteArray text;
        if (std::isnan(v))
            text = "nan";
        else if (std::isinf(v))
            text = v > 0 ? "+infinity" : "-infinity";
        else
            text = QString::number(v, 'g', QLocale::FloatingPointShortest).toLatin1();
        element("real", text, depth);
        return true;
    }
    case CFTypeID::Boolean:
        indent(depth);
        m_out.append(static_cast<const CFBoolean&>(object).value() ? "<true/>\n" : "<false/>\n");
        return true;
    case CFTypeID::Date: {
        const QDateTime utc = static_cast<const CFDate&>(object).value().toUTC();
        if (!utc.isValid() || utc.date().year() < 1 || utc.date().year() > 9999) {
            m_error = QStringLiteral("A date cannot be written: %1.").arg(utc.isValid() ? utc.toString(Qt::ISODate) : QStringLiteral("invalid"));
            return false;
        }
        element("date", utc.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'")).toLatin1(), depth);
        return true;
    }
    case CFTypeID::Data: {
        const QByteArray base64 = static_cast<const CFData&>(object).bytes().toBase64();
        indent(depth);
        if (base64.isEmpty()) {
            m_out.append("<data></data>\n");
            return true;
        }
        // Base64 in short lines indented like the element, the layout other
        // property-list writers use.
        m_out.append("<data>\n");
        for (qsizetype at = 0; at < base64.size(); at += 68) {
            indent(depth);
            m_out.append(QByteArrayView(base64).sliced(at, std::min<qsizetype>(68, base64.size() - at))).append('\n');
        }
        indent(depth);
        m_out.append("</data>\n");
        return true;
    }
    case CFTypeID::Array: {
        const auto& array = static_cast<const CFArray&>(object);
        if (!enter(object, depth))
            return false;
        indent(depth);
        bool empty = true;
        for (qsizetype i = 0; i < array.count(); ++i) {
            const CFObjectRef item = array.valueAt(i);
            if (!item)
                continue;
            if (empty)
                m_out.append("<array>\n");
            empty = false;
            if (!write(*item, depth + 1))
                return false;
        }
        if (empty) {
            m_out.append("<array/>\n");
        } else {
            indent(depth);
            m_out.append("</array>\n");
        }
        m_path.remove(&object);
        return true;
    }
    case CFTypeID::Dictionary: {
        const auto& dictionary = static_cast<const CFDictionary&>(object);
        if (!enter(object, depth))
            return false;
        indent(depth);
        bool empty = true;
        for (qsizetype i = 0; i < dictionary.count(); ++i) {
            const auto& [key, item] = dictionary.entryAt(i);
            if (!item)
                continue;
            if (empty)
                m_out.append("<dict>\n");
            empty = false;
            indent(depth + 1);
            m_out.append("<key>");
            escaped(key);
            m_out.append("</key>\n");
            if (!write(*item, depth + 1))
                return false;
        }
        if (empty) {
            m_out.append("<dict/>\n");
        } else {
            indent(depth);
            m_out.append("</dict>\n");
        }
        m_path.remove(&object);
        return true;
    }
    }
    m_error = QStringLiteral("An object of an unknown kind cannot be written.");
    return false;
}

} // namespace

namespace PropertyList {

CFObjectRef fromData(const QByteArray& data, QString* error)
{
    if (data.startsWith("bplist"))
        return fromBinaryData(data, error);
    return fromXmlData(data, error);
}

CFObjectRef fromXmlData(const QByteArray& data, QString* error) { return PropertyListXmlReader::read(data, error); }

CFObjectRef fromBinaryData(const QByteArray& data, QString* error)
{
    BinaryReader reader(data);
    return reader.read(error);
}

QByteArray toXmlData(const CFObjectRef& object, QString* error)
{
    if (!object) {
        setError(error, QStringLiteral("There is no object to write."));
        return {};
    }
    XmlWriter writer;
    if (!writer.writeDocument(*object)) {
        setError(error, writer.error());
        return {};
    }
    return writer.data();
}

} // namespace PropertyList
