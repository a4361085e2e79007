#include "settings/propertylistxmlreader.h"

#include "settings/propertylist.h"
#include "settings/propertylisttext.h"

#include <QByteArrayView>
#include <QHash>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace PropertyListText;

// CFDictionary keeps its setters for subclasses; the reader fills immutable
// dictionaries through this one.
class DictionaryBuilder final : public CFDictionary {
public:
    using CFDictionary::reserveEntries;
    using CFDictionary::setEntry;
    using CFDictionary::squeezeEntries;
};

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

bool isNameStart(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == ':' || u >= 0x80;
}

bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

bool isBlank(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), isXmlSpace);
}

QString decodeUtf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QString quoted(std::string_view s)
{
    constexpr std::size_t shown = 40;
    QString text = decodeUtf8(s.substr(0, std::min(s.size(), shown)));
    if (s.size() > shown)
        text += QStringLiteral("...");
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// The line of `at` in [begin, end). Lines end at LF, CRLF or a lone CR:
// files from old systems use CR alone.
int lineAt(const char* begin, const char* end, const char* at)
{
    if (at < begin || at > end)
        return 0;
    int line = 1;
    for (const char* c = begin; c < at; ++c) {
        if (*c == '\n' || (*c == '\r' && (c + 1 >= end || c[1] != '\n')))
            ++line;
    }
    return line;
}

// --- The reader

class Reader {
public:
    Reader(const char* begin, const char* end)
        : m_begin(begin)
        , m_p(begin)
        , m_end(end)
    {
    }

    CFObjectRef document(QString* error);

private:
    enum class Kind { End, Text, Cdata, Start, Close, Error };

    struct Token {
        Kind kind = Kind::End;
        std::string_view text; // Text, Cdata: the raw text; Start, Close: the name
        const char* at = nullptr; // where the markup begins
        bool empty = false; // Start: written <name/>
    };

    Token next(bool topLevel);
    bool skipTo(const char* from, std::string_view end, const char*& after) const;
    bool skipDoctype(const char* from);
    Token syntaxError(const char* at, const char* what);

    CFObjectRef value(const Token& start, int depth);
    CFObjectRef plist(const Token& start);
    CFObjectRef array(const Token& start, int depth);
    CFObjectRef dictionary(const Token& start, int depth);
    // The text of a leaf element up to its end tag; stable tells whether the
    // view points into the data (and so may key the shared-object tables).
    bool text(const Token& start, std::string_view& out, bool& stable);
    bool blankText(const Token& token);
    bool closes(const Token& end, const Token& start);
    // The next element inside a container: skips blank text, fails on other
    // text or a missing end tag, and reports the container's own end.
    enum class Step { Child, Closed, Failed };
    Step nextChild(const Token& start, const char* name, Token& child);

    CFObjectRef string(std::string_view text, bool stable);
    QString key(std::string_view text, bool stable);
    CFObjectRef number(const Token& start, std::string_view text, bool stable, bool integer);

    CFObjectRef fail(const char* at, const QString& what);
    int lineOf(const char* at) const;

    const char* m_begin;
    const char* m_p;
    const char* m_end;
    QString m_error;

    // Text of an element made of several pieces (split by a comment or a
    // CDATA section) or holding references, decoded.
    std::string m_joined;

    // Items and entries of the containers being read, innermost last: each
    // container takes its own off the end when it closes, so the vectors are
    // sized once for the whole read.
    std::vector<CFObjectRef> m_items;
    std::vector<CFDictionary::Entry> m_entries;

    // Album files repeat the same keys in each of their thousands of records,
    // the same image keys in every album's list and the same short values
    // ("JPEG", "Image", ratings, roll numbers): one object per text, shared.
    // The views point into the data being read.
    static constexpr std::size_t longestShared = 64;
    static constexpr std::size_t longestSharedNumber = 8;
    static constexpr qsizetype mostShared = 1 << 18;
    QHash<QByteArrayView, CFStringRef> m_strings;
    // Keyed by the element from its '<' to the end of its text, so an
    // <integer> and a <real> of the same text stay apart.
    QHash<QByteArrayView, CFObjectRef> m_numbers;
    CFObjectRef m_true;
    CFObjectRef m_false;
};

int Reader::lineOf(const char* at) const { return lineAt(m_begin, m_end, at); }

CFObjectRef Reader::fail(const char* at, const QString& what)
{
    if (m_error.isEmpty()) {
        const int line = lineOf(at);
        m_error = line > 0 ? QStringLiteral("Line %1: %2").arg(line).arg(what) : what;
    }
    return nullptr;
}

Reader::Token Reader::syntaxError(const char* at, const char* what)
{
    fail(at, QString::fromLatin1(what) + QLatin1Char('.'));
    return { Kind::Error, {}, at, false };
}

// Finds end from `from`; after is set past it.
bool Reader::skipTo(const char* from, std::string_view end, const char*& after) const
{
    const std::string_view rest(from, static_cast<std::size_t>(m_end - from));
    const std::size_t at = rest.find(end);
    if (at == std::string_view::npos)
        return false;
    after = from + at + end.size();
    return true;
}

// A DOCTYPE is skipped whole, internal subset included; nothing it declares
// is used. Declarations (<!...>) nest; quoted strings, comments and
// processing instructions are passed over whole; conditional sections
// (<![ ... ]]>) may nest too.
bool Reader::skipDoctype(const char* from)
{
    const auto startsAt = [this](const char* s, std::string_view what) { return m_end - s >= static_cast<std::ptrdiff_t>(what.size()) && std::memcmp(s, what.data(), what.size()) == 0; };
    std::size_t depth = 0;
    for (const char* s = from; s < m_end;) {
        if (startsAt(s, "<![")) {
            std::size_t sections = 0;
            s += 3;
            for (;;) {
                if (s >= m_end)
                    return false;
                if (startsAt(s, "<![")) {
                    s += 3;
                    ++sections;
                } else if (startsAt(s, "]]>")) {
                    s += 3;
                    if (sections-- == 0)
                        break;
                } else {
                    ++s;
                }
            }
        } else if (startsAt(s, "<!") && !startsAt(s, "<!-")) {
            s += 2;
            ++depth;
        } else if (startsAt(s, "<!--")) {
            if (!skipTo(s + 4, "-->", s))
                return false;
        } else if (startsAt(s, "<?")) {
            if (!skipTo(s + 2, "?>", s))
                return false;
        } else if (*s == '<') {
            return false;
        } else if (*s == '"' || *s == '\'') {
            const void* close = std::memchr(s + 1, *s, static_cast<std::size_t>(m_end - s - 1));
            if (!close)
                return false;
            s = static_cast<const char*>(close) + 1;
        } else if (*s == '>') {
            if (depth == 0) {
                m_p = s + 1;
                return true;
            }
            --depth;
            ++s;
        } else {
            ++s;
        }
    }
    return false;
}

// The next piece of the document: text, a CDATA section, a start or an end
// tag. Comments and processing instructions are passed over (text on either
// side of one comes as two pieces); a DOCTYPE may stand only outside the
// root element.
Reader::Token Reader::next(bool topLevel)
{
    for (;;) {
        if (m_p >= m_end)
            return { Kind::End, {}, m_end, false };
        const char* at = m_p;
        if (*at != '<') {
            const void* lt = std::memchr(at, '<', static_cast<std::size_t>(m_end - at));
            m_p = lt ? static_cast<const char*>(lt) : m_end;
            return { Kind::Text, std::string_view(at, static_cast<std::size_t>(m_p - at)), at, false };
        }
        const std::string_view rest(at, static_cast<std::size_t>(m_end - at));
        if (rest.size() < 2)
            return syntaxError(at, "Unrecognized tag");
        const char c = at[1];
        if (c == '/') {
            const char* s = at + 2;
            const char* name = s;
            while (s < m_end && isNameChar(*s))
                ++s;
            const std::string_view tagName(name, static_cast<std::size_t>(s - name));
            while (s < m_end && isXmlSpace(*s))
                ++s;
            if (tagName.empty() || !isNameStart(tagName.front()) || s >= m_end || *s != '>')
                return syntaxError(at, "Error parsing end element tag");
            m_p = s + 1;
            return { Kind::Close, tagName, at, false };
        }
        if (c == '?') {
            if (rest.size() < 3 || !isNameStart(at[2]) || !skipTo(at + 2, "?>", m_p))
                return syntaxError(at, "Error parsing document declaration/processing instruction");
            continue;
        }
        if (c == '!') {
            if (rest.starts_with("<!--")) {
                if (!skipTo(at + 4, "-->", m_p))
                    return syntaxError(at, "Error parsing comment");
                continue;
            }
            if (rest.starts_with("<![CDATA[")) {
                const char* after = nullptr;
                if (!skipTo(at + 9, "]]>", after))
                    return syntaxError(at, "Error parsing CDATA section");
                m_p = after;
                return { Kind::Cdata, std::string_view(at + 9, static_cast<std::size_t>(after - 3 - (at + 9))), at, false };
            }
            if (rest.starts_with("<!DOCTYPE")) {
                if (!topLevel || !skipDoctype(at + 9))
                    return syntaxError(at, "Error parsing document type declaration");
                continue;
            }
            return syntaxError(at, "Unrecognized tag");
        }
        if (!isNameStart(c))
            return syntaxError(at, "Unrecognized tag");

        const char* s = at + 1;
        while (s < m_end && isNameChar(*s))
            ++s;
        const std::string_view name(at + 1, static_cast<std::size_t>(s - at - 1));
        // Attributes are checked for form and otherwise ignored.
        for (;;) {
            const char* blank = s;
            while (s < m_end && isXmlSpace(*s))
                ++s;
            if (s >= m_end)
                return syntaxError(at, "Error parsing start element tag");
            if (*s == '>') {
                m_p = s + 1;
                return { Kind::Start, name, at, false };
            }
            if (*s == '/') {
                if (s + 1 >= m_end || s[1] != '>')
                    return syntaxError(at, "Error parsing start element tag");
                m_p = s + 2;
                return { Kind::Start, name, at, true };
            }
            if (s == blank || !isNameStart(*s))
                return syntaxError(at, "Error parsing start element tag");
            while (s < m_end && isNameChar(*s))
                ++s;
            while (s < m_end && isXmlSpace(*s))
                ++s;
            if (s >= m_end || *s != '=')
                return syntaxError(at, "Error parsing element attribute");
            ++s;
            while (s < m_end && isXmlSpace(*s))
                ++s;
            if (s >= m_end || (*s != '"' && *s != '\''))
                return syntaxError(at, "Error parsing element attribute");
            const void* close = std::memchr(s + 1, *s, static_cast<std::size_t>(m_end - s - 1));
            if (!close)
                return syntaxError(at, "Error parsing element attribute");
            s = static_cast<const char*>(close) + 1;
        }
    }
}

bool Reader::closes(const Token& end, const Token& start)
{
    if (end.text == start.text)
        return true;
    fail(end.at, QStringLiteral("Start-end tags mismatch."));
    return false;
}

// Whether text between elements is blank once its references are read.
bool Reader::blankText(const Token& token)
{
    if (isBlank(token.text))
        return true;
    if (token.kind == Kind::Cdata || token.text.find('&') == std::string_view::npos)
        return false;
    m_joined.clear();
    appendDecoded(m_joined, token.text);
    return isBlank(m_joined);
}

CFObjectRef Reader::document(QString* error)
{
    bool haveRoot = false;
    CFObjectRef result;
    for (;;) {
        const Token token = next(true);
        if (token.kind == Kind::End)
            break;
        if (token.kind == Kind::Error)
            break;
        if (token.kind == Kind::Text || token.kind == Kind::Cdata) {
            if (!blankText(token)) {
                fail(token.at, QStringLiteral("text %1 outside the root element.").arg(quoted(token.text)));
                break;
            }
            continue;
        }
        if (token.kind == Kind::Close) {
            fail(token.at, QStringLiteral("Start-end tags mismatch."));
            break;
        }
        if (haveRoot) {
            fail(token.at, QStringLiteral("a second root element <%1> follows the first.").arg(decodeUtf8(token.text)));
            break;
        }
        haveRoot = true;
        result = token.text == "plist" ? plist(token) : value(token, 0);
        if (!result)
            break;
    }
    if (m_error.isEmpty() && !haveRoot)
        m_error = QStringLiteral("The data holds no property list.");
    if (!m_error.isEmpty()) {
        setError(error, m_error);
        return nullptr;
    }
    return result;
}

Reader::Step Reader::nextChild(const Token& start, const char* name, Token& child)
{
    for (;;) {
        child = next(false);
        if (child.kind == Kind::Error)
            return Step::Failed;
        if (child.kind == Kind::End) {
            fail(m_end, QStringLiteral("<%1> is not closed.").arg(QLatin1String(name)));
            return Step::Failed;
        }
        if (child.kind == Kind::Text || child.kind == Kind::Cdata) {
            if (blankText(child))
                continue;
            fail(child.at, QStringLiteral("text %1 inside <%2>.").arg(quoted(child.text), QLatin1String(name)));
            return Step::Failed;
        }
        if (child.kind == Kind::Close)
            return closes(child, start) ? Step::Closed : Step::Failed;
        return Step::Child;
    }
}

CFObjectRef Reader::plist(const Token& start)
{
    CFObjectRef content;
    if (!start.empty) {
        for (;;) {
            Token token;
            const Step step = nextChild(start, "plist", token);
            if (step == Step::Failed)
                return nullptr;
            if (step == Step::Closed)
                break;
            if (content)
                return fail(token.at, QStringLiteral("<plist> holds more than one value."));
            content = value(token, 0);
            if (!content)
                return nullptr;
        }
    }
    if (!content)
        return fail(start.at, QStringLiteral("<plist> holds no value."));
    return content;
}

bool Reader::text(const Token& start, std::string_view& out, bool& stable)
{
    out = {};
    stable = true;
    if (start.empty)
        return true;
    int pieces = 0;
    for (;;) {
        const Token token = next(false);
        switch (token.kind) {
        case Kind::Error:
            return false;
        case Kind::End:
            fail(m_end, QStringLiteral("<%1> is not closed.").arg(decodeUtf8(start.text)));
            return false;
        case Kind::Start:
            fail(token.at, QStringLiteral("<%1> holds an element <%2> where only text may stand.").arg(decodeUtf8(start.text), decodeUtf8(token.text)));
            return false;
        case Kind::Close:
            if (!closes(token, start))
                return false;
            return true;
        case Kind::Text:
        case Kind::Cdata: {
            const bool raw = token.kind == Kind::Cdata || token.text.find('&') == std::string_view::npos;
            if (pieces == 0 && raw) {
                // The usual case: one piece of plain text, read in place.
                out = token.text;
            } else {
                if (pieces == 0 || stable) {
                    m_joined.assign(out);
                    stable = false;
                }
                if (token.kind == Kind::Cdata)
                    m_joined.append(token.text);
                else
                    appendDecoded(m_joined, token.text);
                out = m_joined;
            }
            ++pieces;
            break;
        }
        }
    }
}

CFObjectRef Reader::string(std::string_view text, bool stable)
{
    if (!stable || text.size() > longestShared)
        return CFString::create(decodeUtf8(text));
    const QByteArrayView view(text.data(), static_cast<qsizetype>(text.size()));
    const auto it = m_strings.constFind(view);
    if (it != m_strings.constEnd())
        return it.value();
    CFStringRef made = CFString::create(decodeUtf8(text));
    if (m_strings.size() < mostShared)
        m_strings.insert(view, made);
    return made;
}

QString Reader::key(std::string_view text, bool stable)
{
    if (!stable || text.size() > longestShared)
        return decodeUtf8(text);
    // The key shares its characters with string values of the same text
    // (image keys are listed again in every album).
    return static_cast<const CFString&>(*string(text, stable)).value();
}

CFObjectRef Reader::number(const Token& start, std::string_view text, bool stable, bool integer)
{
    const bool share = stable && !text.empty() && text.size() <= longestSharedNumber;
    QByteArrayView view;
    if (share) {
        view = QByteArrayView(start.at, text.data() + text.size() - start.at);
        const auto it = m_numbers.constFind(view);
        if (it != m_numbers.constEnd())
            return it.value();
    }
    CFObjectRef made;
    if (integer) {
        qint64 n = 0;
        if (!parseInteger(text, n))
            return fail(start.at, QStringLiteral("<integer> holds %1, not a whole number in the 64-bit range.").arg(quoted(text)));
        made = CFNumber::create(n);
    } else {
        double d = 0;
        if (!parseReal(text, d))
            return fail(start.at, QStringLiteral("<real> holds %1, not a number.").arg(quoted(text)));
        made = CFNumber::create(d);
    }
    if (share && m_numbers.size() < mostShared)
        m_numbers.insert(view, made);
    return made;
}

CFObjectRef Reader::value(const Token& start, int depth)
{
    const std::string_view name = start.text;
    if (name == "dict" || name == "array") {
        if (depth >= PropertyList::MaxNesting)
            return fail(start.at, QStringLiteral("arrays and dictionaries nest deeper than %1 levels.").arg(PropertyList::MaxNesting));
        return name == "dict" ? dictionary(start, depth + 1) : array(start, depth + 1);
    }
    if (name == "key")
        return fail(start.at, QStringLiteral("<key> stands outside a dictionary."));
    const bool known = name == "string" || name == "integer" || name == "real" || name == "true" || name == "false" || name == "date" || name == "data";
    if (!known)
        return fail(start.at, QStringLiteral("<%1> is not a property-list element.").arg(decodeUtf8(name)));

    std::string_view content;
    bool stable = true;
    if (!text(start, content, stable))
        return nullptr;

    if (name == "string")
        return string(content, stable);
    if (name == "integer" || name == "real")
        return number(start, content, stable, name == "integer");
    if (name == "true" || name == "false") {
        if (!trimmed(content).empty())
            return fail(start.at, QStringLiteral("<%1/> holds text %2.").arg(decodeUtf8(name), quoted(content)));
        CFObjectRef& shared = name == "true" ? m_true : m_false;
        if (!shared)
            shared = CFBoolean::create(name == "true");
        return shared;
    }
    if (name == "date") {
        QDateTime date;
        if (!parseDate(content, date))
            return fail(start.at, QStringLiteral("<date> holds %1, not a date of the form YYYY-MM-DDTHH:MM:SSZ.").arg(quoted(content)));
        return CFDate::create(date);
    }
    QByteArray bytes;
    if (!parseBase64(content, bytes))
        return fail(start.at, QStringLiteral("<data> holds %1, not base64.").arg(quoted(content)));
    return CFData::create(bytes);
}

CFObjectRef Reader::array(const Token& start, int depth)
{
    const std::size_t first = m_items.size();
    if (!start.empty) {
        for (;;) {
            Token token;
            const Step step = nextChild(start, "array", token);
            if (step == Step::Failed)
                return nullptr;
            if (step == Step::Closed)
                break;
            CFObjectRef item = value(token, depth);
            if (!item)
                return nullptr;
            m_items.push_back(std::move(item));
        }
    }
    QVector<CFObjectRef> items;
    items.reserve(static_cast<qsizetype>(m_items.size() - first));
    for (std::size_t i = first; i < m_items.size(); ++i)
        items.append(std::move(m_items[i]));
    m_items.resize(first);
    return CFArray::create(std::move(items));
}

CFObjectRef Reader::dictionary(const Token& start, int depth)
{
    const std::size_t first = m_entries.size();
    if (!start.empty) {
        QString pendingKey;
        const char* keyAt = nullptr;
        for (;;) {
            Token token;
            const Step step = nextChild(start, "dict", token);
            if (step == Step::Failed)
                return nullptr;
            if (step == Step::Closed)
                break;
            if (token.text == "key") {
                if (keyAt)
                    return fail(keyAt, QStringLiteral("<key>%1</key> has no value.").arg(pendingKey));
                std::string_view content;
                bool stable = true;
                if (!text(token, content, stable))
                    return nullptr;
                pendingKey = key(content, stable);
                keyAt = token.at;
                continue;
            }
            if (!keyAt)
                return fail(token.at, QStringLiteral("<%1> in a dictionary has no <key>.").arg(decodeUtf8(token.text)));
            CFObjectRef item = value(token, depth);
            if (!item)
                return nullptr;
            m_entries.emplace_back(std::move(pendingKey), std::move(item));
            pendingKey = QString();
            keyAt = nullptr;
        }
        if (keyAt)
            return fail(keyAt, QStringLiteral("<key>%1</key> has no value.").arg(pendingKey));
    }
    auto result = std::make_shared<DictionaryBuilder>();
    // Sized once: album files hold one dictionary of tens of thousands of
    // entries and tens of thousands of a dozen or so.
    result->reserveEntries(static_cast<qsizetype>(m_entries.size() - first));
    for (std::size_t i = first; i < m_entries.size(); ++i)
        result->setEntry(m_entries[i].first, std::move(m_entries[i].second));
    m_entries.resize(first);
    // A key named twice leaves the room of its second entry unused.
    result->squeezeEntries();
    return result;
}

} // namespace

CFObjectRef PropertyListXmlReader::read(const QByteArray& data, QString* error)
{
    QByteArray text = asEightBit(data);

    // A NUL has no place in XML text, and &#0; refers to it; both are refused
    // rather than read as the end of a value. The scan does not tell markup
    // from CDATA: "&#0;" written inside a CDATA section is refused too, which
    // no property-list writer produces.
    const char* nul = static_cast<const char*>(std::memchr(text.constData(), 0, static_cast<std::size_t>(text.size())));
    if (nul) {
        setError(error, QStringLiteral("The data holds a NUL byte at offset %1.").arg(nul - text.constData()));
        return nullptr;
    }
    for (qsizetype at = text.indexOf("&#"); at >= 0; at = text.indexOf("&#", at + 2)) {
        qsizetype i = at + 2;
        const bool hex = i < text.size() && (text.at(i) == 'x' || text.at(i) == 'X');
        if (hex)
            ++i;
        const qsizetype digits = i;
        while (i < text.size() && text.at(i) == '0')
            ++i;
        if (i > digits && i < text.size() && text.at(i) == ';') {
            const char* begin = text.constData();
            setError(error, QStringLiteral("Line %1: a character reference to NUL is not allowed in XML.").arg(lineAt(begin, begin + text.size(), begin + at)));
            return nullptr;
        }
    }

    // Read in place: a copy of an album file would cost as much again as
    // the file. A UTF-8 byte order mark is passed over.
    qsizetype start = 0;
    if (text.startsWith("\xEF\xBB\xBF"))
        start = 3;
    else if (declaresLatin1(text))
        text = QString::fromLatin1(text).toUtf8();

    Reader reader(text.constData() + start, text.constData() + text.size());
    return reader.document(error);
}
