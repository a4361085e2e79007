#include "settings/propertylist.h"

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QStringDecoder>
#include <QTime>

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

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

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isXmlSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isXmlSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

bool isBlank(const char* text)
{
    for (; *text; ++text) {
        if (!isXmlSpace(*text))
            return false;
    }
    return true;
}

QString quoted(std::string_view s)
{
    constexpr std::size_t shown = 40;
    QString text = QString::fromUtf8(s.data(), static_cast<qsizetype>(std::min(s.size(), shown)));
    if (s.size() > shown)
        text += QStringLiteral("...");
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// --- Scalar texts shared by the XML reader

bool parseInteger(std::string_view text, qint64& value)
{
    text = trimmed(text);
    // from_chars takes a minus sign but no plus sign; "+-1" stays refused.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-')
        text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    return ec == std::errc() && end == text.data() + text.size();
}

bool parseReal(std::string_view text, double& value)
{
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars takes no sign of its own here, so "+-1" stays refused.
    if (text.empty() || text.front() == '+' || text.front() == '-')
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (end != text.data() + text.size())
        return false;
    // Out of range: from_chars leaves value alone; the text is still a number,
    // and strtod's answer (0 or infinity) is the one every reader agrees on.
    if (ec == std::errc::result_out_of_range)
        value = std::strtod(std::string(text).c_str(), nullptr);
    else if (ec != std::errc())
        return false;
    if (negative)
        value = -value;
    return true;
}

bool parseDigits(std::string_view text, int& value)
{
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// Exactly YYYY-MM-DDTHH:MM:SSZ, in UTC.
bool parseDate(std::string_view text, QDateTime& value)
{
    text = trimmed(text);
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':' || text[19] != 'Z')
        return false;
    int year, month, day, hour, minute, second;
    if (!parseDigits(text.substr(0, 4), year) || !parseDigits(text.substr(5, 2), month) || !parseDigits(text.substr(8, 2), day)
        || !parseDigits(text.substr(11, 2), hour) || !parseDigits(text.substr(14, 2), minute) || !parseDigits(text.substr(17, 2), second))
        return false;
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    if (!date.isValid() || !time.isValid())
        return false;
    value = QDateTime(date, time, Qt::UTC);
    return true;
}

bool parseBase64(std::string_view text, QByteArray& value)
{
    QByteArray compact;
    compact.reserve(static_cast<qsizetype>(text.size()));
    for (const char c : text) {
        if (!isXmlSpace(c))
            compact.append(c);
    }
    auto result = QByteArray::fromBase64Encoding(compact, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!result)
        return false;
    value = std::move(*result);
    return true;
}

// --- XML reader

class XmlReader {
public:
    explicit XmlReader(const QByteArray& buffer)
        : m_buffer(buffer)
    {
    }

    CFObjectRef read(QString* error);

private:
    CFObjectRef value(const pugi::xml_node& element, int depth);
    CFObjectRef array(const pugi::xml_node& element, int depth);
    CFObjectRef dictionary(const pugi::xml_node& element, int depth);
    bool text(const pugi::xml_node& element, std::string_view& out);
    QString key(std::string_view text);
    CFObjectRef fail(const pugi::xml_node& node, const QString& what);
    int lineOf(std::ptrdiff_t offset) const;

    const QByteArray& m_buffer;
    pugi::xml_document m_document;
    QString m_error;
    // Text of an element made of several pieces (split by a comment or a
    // CDATA section); pugixml keeps each piece as a node of its own.
    std::string m_joined;
    // Album files repeat the same few dozen keys in every one of their
    // thousands of dictionaries: share one QString per key text instead of
    // decoding it again each time. The views point into m_document's buffer.
    QHash<QByteArrayView, QString> m_keys;
};

// Lines end at LF, CRLF or a lone CR: files from old systems use CR alone.
int XmlReader::lineOf(std::ptrdiff_t offset) const
{
    if (offset < 0 || offset > m_buffer.size())
        return 0;
    int line = 1;
    const char* text = m_buffer.constData();
    for (std::ptrdiff_t i = 0; i < offset; ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= m_buffer.size() || text[i + 1] != '\n')))
            ++line;
    }
    return line;
}

CFObjectRef XmlReader::fail(const pugi::xml_node& node, const QString& what)
{
    if (m_error.isEmpty()) {
        const int line = lineOf(node.offset_debug());
        m_error = line > 0 ? QStringLiteral("Line %1: %2").arg(line).arg(what) : what;
    }
    return nullptr;
}

CFObjectRef XmlReader::read(QString* error)
{
    // pugixml answers only the part of a text before a NUL (its strings end
    // there), so a NUL byte or &#0; would silently cut a value short. The
    // scan does not tell markup from CDATA: "&#0;" written inside a CDATA
    // section is refused too, which no property-list writer produces.
    const char* nul = static_cast<const char*>(std::memchr(m_buffer.constData(), 0, static_cast<std::size_t>(m_buffer.size())));
    if (nul) {
        setError(error, QStringLiteral("The data holds a NUL byte at offset %1.").arg(nul - m_buffer.constData()));
        return nullptr;
    }
    for (qsizetype at = m_buffer.indexOf("&#"); at >= 0; at = m_buffer.indexOf("&#", at + 2)) {
        qsizetype i = at + 2;
        const bool hex = i < m_buffer.size() && (m_buffer.at(i) == 'x' || m_buffer.at(i) == 'X');
        if (hex)
            ++i;
        const qsizetype digits = i;
        while (i < m_buffer.size() && m_buffer.at(i) == '0')
            ++i;
        if (i > digits && i < m_buffer.size() && m_buffer.at(i) == ';') {
            setError(error, QStringLiteral("Line %1: a character reference to NUL is not allowed in XML.").arg(lineOf(at)));
            return nullptr;
        }
    }

    // parse_ws_pcdata keeps text made only of blanks (a <string> of spaces);
    // parse_eol is left out so a raw CR or CRLF inside a value survives;
    // parse_fragment keeps text outside the root element in the tree, where
    // we can refuse it; no parse_doctype: the DOCTYPE is skipped, and pugixml
    // never expands entities.
    constexpr unsigned flags = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_ws_pcdata | pugi::parse_fragment;
    const pugi::xml_parse_result parsed = m_document.load_buffer(m_buffer.constData(), static_cast<std::size_t>(m_buffer.size()), flags, pugi::encoding_auto);
    if (!parsed) {
        setError(error, QStringLiteral("Line %1: %2.").arg(lineOf(parsed.offset)).arg(QString::fromUtf8(parsed.description())));
        return nullptr;
    }

    pugi::xml_node root;
    for (const pugi::xml_node& node : m_document.children()) {
        if (node.type() == pugi::node_element) {
            if (root) {
                fail(node, QStringLiteral("a second root element <%1> follows the first.").arg(QString::fromUtf8(node.name())));
                break;
            }
            root = node;
        } else if ((node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) && !isBlank(node.value())) {
            fail(node, QStringLiteral("text %1 outside the root element.").arg(quoted(node.value())));
            break;
        }
    }
    if (m_error.isEmpty() && !root)
        m_error = QStringLiteral("The data holds no property list.");

    CFObjectRef result;
    if (m_error.isEmpty()) {
        if (std::strcmp(root.name(), "plist") == 0) {
            pugi::xml_node content;
            for (const pugi::xml_node& node : root.children()) {
                if (node.type() == pugi::node_element) {
                    if (content) {
                        fail(node, QStringLiteral("<plist> holds more than one value."));
                        break;
                    }
                    content = node;
                } else if (!isBlank(node.value())) {
                    fail(node, QStringLiteral("text %1 inside <plist>.").arg(quoted(node.value())));
                    break;
                }
            }
            if (m_error.isEmpty() && !content)
                fail(root, QStringLiteral("<plist> holds no value."));
            if (m_error.isEmpty())
                result = value(content, 0);
        } else {
            result = value(root, 0);
        }
    }
    if (!result) {
        setError(error, m_error);
        return nullptr;
    }
    return result;
}

bool XmlReader::text(const pugi::xml_node& element, std::string_view& out)
{
    const pugi::xml_node first = element.first_child();
    if (!first) {
        out = {};
        return true;
    }
    const bool firstIsText = first.type() == pugi::node_pcdata || first.type() == pugi::node_cdata;
    if (firstIsText && !first.next_sibling()) {
        out = first.value();
        return true;
    }
    m_joined.clear();
    for (const pugi::xml_node& node : element.children()) {
        if (node.type() == pugi::node_element) {
            fail(node, QStringLiteral("<%1> holds an element <%2> where only text may stand.").arg(QString::fromUtf8(element.name()), QString::fromUtf8(node.name())));
            return false;
        }
        if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata)
            m_joined += node.value();
    }
    out = m_joined;
    return true;
}

QString XmlReader::key(std::string_view text)
{
    constexpr std::size_t longestShared = 128;
    constexpr qsizetype mostShared = 4096;
    if (text.size() > longestShared)
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    // m_joined is reused: only text that lives in the document may be a view.
    const bool stable = text.data() != m_joined.data();
    const QByteArrayView view(text.data(), static_cast<qsizetype>(text.size()));
    if (stable) {
        const auto it = m_keys.constFind(view);
        if (it != m_keys.constEnd())
            return it.value();
    }
    QString decoded = QString::fromUtf8(view);
    if (stable && m_keys.size() < mostShared)
        m_keys.insert(view, decoded);
    return decoded;
}

CFObjectRef XmlReader::value(const pugi::xml_node& element, int depth)
{
    const std::string_view name = element.name();
    if (name == "dict" || name == "array") {
        if (depth >= PropertyList::MaxNesting)
            return fail(element, QStringLiteral("arrays and dictionaries nest deeper than %1 levels.").arg(PropertyList::MaxNesting));
        return name == "dict" ? dictionary(element, depth + 1) : array(element, depth + 1);
    }

    std::string_view content;
    if (!text(element, content))
        return nullptr;

    if (name == "string")
        return CFString::create(QString::fromUtf8(content.data(), static_cast<qsizetype>(content.size())));
    if (name == "integer") {
        qint64 number = 0;
        if (!parseInteger(content, number))
            return fail(element, QStringLiteral("<integer> holds %1, not a whole number in the 64-bit range.").arg(quoted(content)));
        return CFNumber::create(number);
    }
    if (name == "real") {
        double number = 0;
        if (!parseReal(content, number))
            return fail(element, QStringLiteral("<real> holds %1, not a number.").arg(quoted(content)));
        return CFNumber::create(number);
    }
    if (name == "true" || name == "false") {
        if (!trimmed(content).empty())
            return fail(element, QStringLiteral("<%1/> holds text %2.").arg(QString::fromUtf8(element.name()), quoted(content)));
        return CFBoolean::create(name == "true");
    }
    if (name == "date") {
        QDateTime date;
        if (!parseDate(content, date))
            return fail(element, QStringLiteral("<date> holds %1, not a date of the form YYYY-MM-DDTHH:MM:SSZ.").arg(quoted(content)));
        return CFDate::create(date);
    }
    if (name == "data") {
        QByteArray bytes;
        if (!parseBase64(content, bytes))
            return fail(element, QStringLiteral("<data> holds %1, not base64.").arg(quoted(content)));
        return CFData::create(bytes);
    }
    if (name == "key")
        return fail(element, QStringLiteral("<key> stands outside a dictionary."));
    return fail(element, QStringLiteral("<%1> is not a property-list element.").arg(QString::fromUtf8(element.name())));
}

qsizetype elementCount(const pugi::xml_node& element)
{
    qsizetype n = 0;
    for (pugi::xml_node node = element.first_child(); node; node = node.next_sibling())
        n += node.type() == pugi::node_element ? 1 : 0;
    return n;
}

CFObjectRef XmlReader::array(const pugi::xml_node& element, int depth)
{
    QVector<CFObjectRef> items;
    items.reserve(elementCount(element));
    for (const pugi::xml_node& node : element.children()) {
        if (node.type() == pugi::node_element) {
            CFObjectRef item = value(node, depth);
            if (!item)
                return nullptr;
            items.append(std::move(item));
        } else if (!isBlank(node.value())) {
            return fail(node, QStringLiteral("text %1 inside <array>.").arg(quoted(node.value())));
        }
    }
    return CFArray::create(std::move(items));
}

CFObjectRef XmlReader::dictionary(const pugi::xml_node& element, int depth)
{
    auto result = std::make_shared<DictionaryBuilder>();
    // Album files hold dictionaries of tens of thousands of entries: size
    // the table once instead of growing it step by step.
    result->reserveEntries(elementCount(element) / 2);
    QString pendingKey;
    pugi::xml_node keyNode;
    for (const pugi::xml_node& node : element.children()) {
        if (node.type() != pugi::node_element) {
            if (!isBlank(node.value()))
                return fail(node, QStringLiteral("text %1 inside <dict>.").arg(quoted(node.value())));
            continue;
        }
        if (std::strcmp(node.name(), "key") == 0) {
            if (keyNode)
                return fail(keyNode, QStringLiteral("<key>%1</key> has no value.").arg(pendingKey));
            std::string_view content;
            if (!text(node, content))
                return nullptr;
            pendingKey = key(content);
            keyNode = node;
            continue;
        }
        if (!keyNode)
            return fail(node, QStringLiteral("<%1> in a dictionary has no <key>.").arg(QString::fromUtf8(node.name())));
        CFObjectRef item = value(node, depth);
        if (!item)
            return nullptr;
        result->setEntry(pendingKey, std::move(item));
        keyNode = pugi::xml_node();
    }
    if (keyNode)
        return fail(keyNode, QStringLiteral("<key>%1</key> has no value.").arg(pendingKey));
    return result;
}

// Wide encodings go through Qt first, so the NUL checks and pugixml see
// 8-bit text.
QByteArray asEightBit(const QByteArray& data)
{
    const auto starts = [&data](const char* prefix, qsizetype n) { return data.size() >= n && std::memcmp(data.constData(), prefix, static_cast<std::size_t>(n)) == 0; };
    QStringConverter::Encoding encoding;
    if (starts("\x00\x00\xFE\xFF", 4) || starts("\x00\x00\x00<", 4))
        encoding = QStringConverter::Utf32BE;
    else if (starts("\xFF\xFE\x00\x00", 4) || starts("<\x00\x00\x00", 4))
        encoding = QStringConverter::Utf32LE;
    else if (starts("\xFE\xFF", 2) || starts("\x00<", 2))
        encoding = QStringConverter::Utf16BE;
    else if (starts("\xFF\xFE", 2) || starts("<\x00", 2))
        encoding = QStringConverter::Utf16LE;
    else
        return data;
    QStringDecoder decode(encoding);
    const QString text = decode(data);
    return text.toUtf8();
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

CFObjectRef fromXmlData(const QByteArray& data, QString* error)
{
    const QByteArray buffer = asEightBit(data);
    XmlReader reader(buffer);
    return reader.read(error);
}

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
