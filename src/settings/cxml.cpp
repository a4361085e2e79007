#include "settings/cxml.h"

#include "settings/propertylist.h"
#include "settings/usermessage.h"
#include "settings/xmlmodule.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QTextStream>

#include <cmath>
#include <limits>

namespace
{

constexpr QChar kCarriageReturn(13);

// What a numeric getter reads: the number the text begins with (after leading
// blanks), with an optional sign, fraction and exponent; 0 when the text does
// not begin with one. Parsed with the C locale, so a German desktop does not
// turn "2.5" into 25.
double leadingNumber(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        ++i;
    const qsizetype digitsStart = i;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128)
        ++i;
    qsizetype digits = i - digitsStart;
    if (i < n && text[i] == QLatin1Char('.')) {
        const qsizetype fractionStart = ++i;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128)
            ++i;
        digits += i - fractionStart;
    }
    if (digits == 0)
        return 0;
    qsizetype end = i;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == QLatin1Char('-') || text[j] == QLatin1Char('+')))
            ++j;
        const qsizetype exponentStart = j;
        while (j < n && text[j].isDigit() && text[j].unicode() < 128)
            ++j;
        if (j > exponentStart)
            end = j;
    }
    bool ok = false;
    const double value = QLocale::c().toDouble(text.mid(start, end - start), &ok);
    if (ok)
        return value;
    // Out of double range: toDouble refuses it, the sign still tells which end.
    if (std::isinf(value))
        return value;
    return text[start] == QLatin1Char('-') ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
}

qint32 leadingInteger(QStringView text)
{
    const double value = leadingNumber(text);
    if (value >= double(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    if (value <= double(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    return static_cast<qint32>(value); // truncates toward zero
}

QString formatDouble(double value)
{
    QString text = QString::number(value, 'f', 10);
    if (text.contains(QLatin1Char('.'))) {
        qsizetype end = text.size();
        while (end > 0 && text[end - 1] == QLatin1Char('0'))
            --end;
        if (end > 0 && text[end - 1] == QLatin1Char('.'))
            --end;
        text.truncate(end);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

QString dateText(const Date& date)
{
    return QString::number(date.Month()) + QLatin1Char('/') + QString::number(date.Day()) + QLatin1Char('/') + QString::number(date.Year()) + QLatin1Char(' ')
        + QString::number(date.Hour()) + QLatin1Char(':') + QString::number(date.Minute()) + QLatin1Char(':') + QString::number(date.Second());
}

// A property-list value that is not a dictionary, as value text. Our own
// files hold only strings; other kinds get the text their setter would have
// stored. Arrays and data have no text form and are left out.
std::optional<QString> plistValueText(const CFObjectRef& value)
{
    if (const auto string = cf_cast<CFString>(value))
        return string->value();
    if (const auto boolean = cf_cast<CFBoolean>(value))
        return boolean->value() ? QStringLiteral("True") : QStringLiteral("False");
    if (const auto number = cf_cast<CFNumber>(value))
        return number->isInteger() ? QString::number(number->toInt64()) : formatDouble(number->toDouble());
    if (const auto date = cf_cast<CFDate>(value))
        return dateText(Date::fromQDateTime(date->value()));
    return std::nullopt;
}

QString stripLeadingBlanks(QString line)
{
    qsizetype i = 0;
    while (i < line.size() && (line[i] == QLatin1Char(' ') || line[i] == QLatin1Char('\t')))
        ++i;
    if (i > 0)
        line.remove(0, i);
    return line;
}

} // namespace

// ---- ValueDictionary ----

const QString* CXML::ValueDictionary::find(const QString& key) const
{
    const auto it = m_index.constFind(key);
    return it == m_index.constEnd() ? nullptr : &m_entries[size_t(*it)].second;
}

QString CXML::ValueDictionary::value(const QString& key) const
{
    const QString* text = find(key);
    return text ? *text : QString();
}

void CXML::ValueDictionary::insert(const QString& key, const QString& text)
{
    const auto it = m_index.constFind(key);
    if (it != m_index.constEnd()) {
        m_entries[size_t(*it)].second = text;
        return;
    }
    m_index.insert(key, qsizetype(m_entries.size()));
    m_entries.emplace_back(key, text);
}

bool CXML::ValueDictionary::remove(const QString& key)
{
    const auto it = m_index.constFind(key);
    if (it == m_index.constEnd())
        return false;
    const qsizetype at = *it;
    m_index.erase(it);
    m_entries.erase(m_entries.begin() + at);
    for (qsizetype i = at; i < qsizetype(m_entries.size()); ++i)
        m_index[m_entries[size_t(i)].first] = i;
    return true;
}

void CXML::ValueDictionary::clear()
{
    m_entries.clear();
    m_index.clear();
}

QStringList CXML::ValueDictionary::keys() const
{
    QStringList result;
    result.reserve(count());
    for (const Entry& entry : m_entries)
        result.append(entry.first);
    return result;
}

// ---- NodeLink ----

CXML::NodeLink::NodeLink(const CXML* node)
    : m_anchor(node ? node->m_anchor : nullptr)
{
}

CXML::NodeLink& CXML::NodeLink::operator=(const CXML* node)
{
    m_anchor = node ? node->m_anchor : nullptr;
    return *this;
}

// ---- construction ----

CXML::CXML()
    : m_anchor(std::make_shared<CXML*>(this))
{
    QString& eol = XMLModule::XMLeol();
    if (eol.size() != 1 || eol[0] != kCarriageReturn)
        eol = QString(kCarriageReturn);
}

CXML::CXML(bool isPlist)
    : CXML()
{
    if (isPlist) {
        IsPlist = true;
        RootPlistDictionary = CFMutableDictionary::create();
    }
}

CXML::CXML(CFMutableDictionaryRef dictionary, const QString& name, const CXML* parentNode)
    : CXML()
{
    IsPlist = true;
    Name = name;
    parent = parentNode;
    if (parentNode)
        m_depth = parentNode->m_depth + 1;
    if (dictionary) {
        RootPlistDictionary = std::move(dictionary);
        ParsePlist();
    } else {
        RootPlistDictionary = CFMutableDictionary::create();
    }
}

CXML::~CXML()
{
    *m_anchor = nullptr;
    // Release the subtree without recursion, so that a very deep tree cannot
    // exhaust the stack: children nobody else holds hand their own children
    // over before they go.
    std::vector<CXMLRef> pending(Containers.begin(), Containers.end());
    Containers.clear();
    while (!pending.empty()) {
        CXMLRef node = std::move(pending.back());
        pending.pop_back();
        if (node && node.use_count() == 1) {
            pending.insert(pending.end(), node->Containers.begin(), node->Containers.end());
            node->Containers.clear();
        }
    }
}

// ---- values ----

QString CXML::GetStringValue(const QString& key) const
{
    const QString* text = Values.find(key);
    if (!text)
        return {};
    return IsPlist ? *text : XMLModule::XMLUnEscape(*text);
}

QString CXML::GetStringValue(const QString& key, const QString& defaultValue) const
{
    if (!Values.contains(key))
        return defaultValue;
    return GetStringValue(key);
}

void CXML::SetStringValue(const QString& key, const QString& text) { Values.insert(key, IsPlist ? text : XMLModule::XMLEscape(text)); }

qint32 CXML::GetIntegerValue(const QString& key) const
{
    const QString* text = Values.find(key);
    return text ? leadingInteger(*text) : 0;
}

qint32 CXML::GetIntegerValue(const QString& key, qint32 defaultValue) const
{
    const QString* text = Values.find(key);
    return text ? leadingInteger(*text) : defaultValue;
}

void CXML::SetIntegervalue(const QString& key, qint32 value) { Values.insert(key, QString::number(value)); }

double CXML::GetDoubleValue(const QString& key) const
{
    const QString* text = Values.find(key);
    return text ? leadingNumber(*text) : 0.0;
}

double CXML::GetDoubleValue(const QString& key, double defaultValue) const
{
    const QString* text = Values.find(key);
    return text ? leadingNumber(*text) : defaultValue;
}

void CXML::SetDoubleValue(const QString& key, double value) { Values.insert(key, formatDouble(value)); }

bool CXML::GetBooleanValue(const QString& key) const
{
    const QString* text = Values.find(key);
    return text && *text == QLatin1String("True");
}

bool CXML::getBooleanValue(const QString& key, bool defaultValue) const
{
    const QString* text = Values.find(key);
    return text ? *text == QLatin1String("True") : defaultValue;
}

void CXML::SetBooleanValue(const QString& key, bool value) { Values.insert(key, value ? QStringLiteral("True") : QStringLiteral("False")); }

void CXML::SetDate(const QString& key, const std::optional<Date>& date)
{
    if (!date) {
        Values.remove(key);
        return;
    }
    Values.insert(key, dateText(*date));
}

std::optional<Date> CXML::getDate(const QString& key) const
{
    const QString* text = Values.find(key);
    if (!text)
        return std::nullopt;
    const qsizetype space = text->indexOf(QLatin1Char(' '));
    const QStringView whole(*text);
    const QStringView datePart = space < 0 ? whole : whole.left(space);
    const QStringView timePart = space < 0 ? QStringView() : whole.mid(space + 1);
    const auto dateParts = datePart.split(QLatin1Char('/'));
    const auto timeParts = timePart.split(QLatin1Char(':'));
    const auto part = [](const QList<QStringView>& parts, qsizetype i) { return i < parts.size() ? leadingInteger(parts[i]) : 0; };
    return Date(part(dateParts, 2), part(dateParts, 0), part(dateParts, 1), part(timeParts, 0), part(timeParts, 1), part(timeParts, 2));
}

Date CXML::getDate(const QString& key, const Date& defaultValue) const { return getDate(key).value_or(defaultValue); }

void CXML::removeObject(const QString& key) { Values.remove(key); }

// ---- containers ----

qsizetype CXML::containerIndex(const QString& name, qint32 ordinal) const
{
    if (ordinal < 1)
        return -1;
    qint32 seen = 0;
    for (qsizetype i = 0; i < Containers.size(); ++i) {
        const CXMLRef& child = Containers[i];
        if (child && child->Name == name && ++seen == ordinal)
            return i;
    }
    return -1;
}

CXMLRef CXML::GetContainer(const QString& name, qint32 ordinal) const
{
    const qsizetype at = containerIndex(name, ordinal);
    return at < 0 ? nullptr : Containers[at];
}

qint32 CXML::GetContainerCount(const QString& name) const
{
    qint32 count = 0;
    for (const CXMLRef& child : Containers) {
        if (child && child->Name == name)
            ++count;
    }
    return count;
}

void CXML::InsertContainer(const CXMLRef& child)
{
    if (!child)
        return;
    child->parent = this;
    Containers.append(child);
}

void CXML::removeContainer(const QString& name, qint32 ordinal)
{
    const qsizetype at = containerIndex(name, ordinal);
    if (at >= 0)
        Containers.removeAt(at);
}

void CXML::removeContainer(const CXMLRef& child)
{
    const qsizetype at = Containers.indexOf(child);
    if (at >= 0)
        Containers.removeAt(at);
}

void CXML::ReplaceContainer(const QString& name, qint32 ordinal, const CXMLRef& child)
{
    if (!child)
        return;
    const qsizetype at = containerIndex(name, ordinal);
    if (at < 0)
        return;
    child->parent = this;
    Containers[at] = child;
}

CXMLRef CXML::Clone() const
{
    auto copy = std::make_shared<CXML>();
    copy->Name = Name;
    copy->parent = parent;
    // The copy keeps the mode, so its accessors read the stored texts the way
    // the source's do.
    copy->IsPlist = IsPlist;
    copy->ValueBuffer = ValueBuffer;
    copy->Values = Values;
    copy->Containers.reserve(Containers.size());
    for (const CXMLRef& child : Containers) {
        if (!child)
            continue;
        CXMLRef childCopy = child->Clone();
        childCopy->parent = copy.get();
        copy->Containers.append(std::move(childCopy));
    }
    return copy;
}

QString CXML::GetIndent() { return QString(4 * qMax(0, XMLModule::XMLIndent()), QLatin1Char(' ')); }

// ---- the text form: reading ----

bool CXML::nextStreamLine(QString& line)
{
    if (!inStream)
        return false;
    // Decoded text is read ahead in chunks; a line ends at CR, LF or CRLF.
    // Scanning resumes where the last scan stopped, so a very long line costs
    // time in proportion to its length.
    constexpr qint64 kChunk = 1 << 16;
    for (;;) {
        if (m_skipLineFeed && m_streamPos < m_streamBuffer.size()) {
            if (m_streamBuffer[m_streamPos] == QLatin1Char('\n'))
                ++m_streamPos;
            m_skipLineFeed = false;
            m_streamScanned = qMax(m_streamScanned, m_streamPos);
        }
        if (!m_skipLineFeed) {
            const QChar* data = m_streamBuffer.constData();
            const qsizetype size = m_streamBuffer.size();
            for (qsizetype i = qMax(m_streamScanned, m_streamPos); i < size; ++i) {
                const char16_t ch = data[i].unicode();
                if (ch != u'\r' && ch != u'\n')
                    continue;
                line = m_streamBuffer.mid(m_streamPos, i - m_streamPos);
                m_streamPos = i + 1;
                if (ch == u'\r') {
                    if (i + 1 < size) {
                        if (data[i + 1] == QLatin1Char('\n'))
                            ++m_streamPos;
                    } else {
                        m_skipLineFeed = true;
                    }
                }
                m_streamScanned = m_streamPos;
                return true;
            }
            m_streamScanned = size;
        }
        // A read error also yields no text: it ends the source like the end
        // of the file does, instead of asking again forever.
        const QString chunk = inStream->atEnd() ? QString() : inStream->read(kChunk);
        if (chunk.isEmpty()) {
            m_skipLineFeed = false;
            if (m_streamPos < m_streamBuffer.size()) {
                line = m_streamBuffer.mid(m_streamPos);
                m_streamBuffer.clear();
                m_streamPos = m_streamScanned = 0;
                return true;
            }
            return false;
        }
        if (m_streamPos > 0) {
            m_streamBuffer.remove(0, m_streamPos);
            m_streamScanned -= m_streamPos;
            m_streamPos = 0;
        }
        m_streamBuffer += chunk;
    }
}

QString CXML::GetNextLine()
{
    QString line;
    bool got = false;
    if (LoadingFromString) {
        const QString& eol = XMLModule::XMLeol();
        // An empty line end would match everywhere and never advance.
        const qsizetype at = eol.isEmpty() ? -1 : LoadFromStringBuffer.indexOf(eol, ReadFromStringIndex);
        if (at >= 0) {
            line = LoadFromStringBuffer.mid(ReadFromStringIndex, at - ReadFromStringIndex);
            ReadFromStringIndex = at + eol.size();
            got = true;
        }
    } else if (CXML* source = parent.get(); source && !source->ValueBuffer.empty()) {
        line = std::move(source->ValueBuffer.front());
        source->ValueBuffer.pop_front();
        got = true;
    } else {
        got = nextStreamLine(line);
    }
    if (!got) {
        EndOfFile = true;
        return {};
    }
    return stripLeadingBlanks(std::move(line));
}

void CXML::load(QTextStream* stream, const CXML* parentNode)
{
    parent = parentNode;
    inStream = stream;
    while (!EndOfFile)
        LoadObject();
    inStream = nullptr;
    m_streamBuffer.clear();
    m_streamPos = m_streamScanned = 0;
    m_skipLineFeed = false;
}

void CXML::LoadObject()
{
    QString line;
    qsizetype open = -1;
    qsizetype close = -1;
    for (;;) {
        line = GetNextLine();
        if (EndOfFile)
            return;
        if (line.startsWith(QLatin1Char('#')))
            continue;
        open = line.indexOf(QLatin1Char('<'));
        if (open < 0)
            continue;
        close = line.indexOf(QLatin1Char('>'), open + 1);
        if (close >= 0)
            break;
    }

    const QString tag = line.mid(open + 1, close - open - 1);
    QString rest = line.mid(close + 1);
    const QString closingTag = QLatin1String("</") + tag + QLatin1Char('>');
    ValueBuffer.clear();
    bool isContainer = false;

    if (rest.contains(closingTag)) {
        rest.remove(closingTag);
        ValueBuffer.push_back(std::move(rest));
    } else {
        if (!rest.startsWith(QLatin1Char('#')))
            ValueBuffer.push_back(std::move(rest));
        for (;;) {
            line = GetNextLine();
            if (EndOfFile)
                break;
            if (line.startsWith(QLatin1Char('#')))
                continue;
            if (line.contains(closingTag)) {
                line.remove(closingTag);
                if (!line.isEmpty())
                    ValueBuffer.push_back(std::move(line));
                break;
            }
            if (line.contains(QLatin1Char('<')))
                isContainer = true;
            ValueBuffer.push_back(std::move(line));
        }
    }

    if (tag.isEmpty()) {
        ValueBuffer.clear();
        return;
    }
    // Past the depth limit a container's lines stay text: a file nested
    // deeper than any real settings file cannot exhaust the stack.
    if (isContainer && m_depth < MaxDepth) {
        auto child = std::make_shared<CXML>();
        child->Name = tag;
        child->m_depth = m_depth + 1;
        child->load(nullptr, this);
        Containers.append(std::move(child));
        ValueBuffer.clear();
        return;
    }
    const QString& eol = XMLModule::XMLeol();
    QString text;
    for (const QString& bufferLine : ValueBuffer) {
        if (!text.isEmpty())
            text += eol;
        text += bufferLine;
    }
    ValueBuffer.clear();
    Values.insert(tag, text);
}

// ---- the text form: writing ----

void CXML::appendTextForm(QString& out, const QString& lineEnd, bool blankLineAfterChild) const
{
    qint32& indent = XMLModule::XMLIndent();
    const bool named = !Name.isEmpty();
    if (named) {
        out += GetIndent() + QLatin1Char('<') + Name + QLatin1Char('>') + lineEnd;
        ++indent;
    }
    const QString valueIndent = GetIndent();
    const QString lineIndent = valueIndent + QLatin1String("    ");
    const QString& eol = XMLModule::XMLeol();
    for (const auto& [key, text] : Values.entries()) {
        if (text.isEmpty())
            continue;
        if (eol.isEmpty() || !text.contains(eol)) {
            out += valueIndent + QLatin1Char('<') + key + QLatin1Char('>') + text + QLatin1String("</") + key + QLatin1Char('>') + lineEnd;
            continue;
        }
        QString body = text;
        body.replace(eol, eol + lineIndent);
        out += valueIndent + QLatin1Char('<') + key + QLatin1Char('>') + lineEnd;
        out += lineIndent + body + lineEnd;
        out += valueIndent + QLatin1String("</") + key + QLatin1Char('>') + lineEnd;
    }
    for (const CXMLRef& child : Containers) {
        if (!child)
            continue;
        child->appendTextForm(out, lineEnd, blankLineAfterChild);
        if (blankLineAfterChild)
            out += lineEnd;
    }
    if (named) {
        --indent;
        out += GetIndent() + QLatin1String("</") + Name + QLatin1Char('>') + lineEnd;
    }
}

void CXML::Save(QTextStream& out)
{
    QString text;
    appendTextForm(text, QString(kCarriageReturn), false);
    out << text;
}

// ---- strings and files ----

QString CXML::SaveToString()
{
    if (IsPlist) {
        SaveToPlist();
        return QString::fromUtf8(PropertyList::toXmlData(RootPlistDictionary));
    }
    QString text;
    appendTextForm(text, XMLModule::XMLeol(), true);
    return text;
}

void CXML::loadFromString(const QString& text)
{
    if (!text.startsWith(QLatin1String(PropertyList::XmlDeclaration))) {
        IsPlist = false;
        LoadingFromString = true;
        LoadFromStringBuffer = text;
        LoadFromStringOffset = 0;
        LoadFromStringLength = text.size();
        while (!EndOfFile)
            LoadObject();
        return;
    }
    IsPlist = true;
    const CFDataRef data = CFData::create(text.toUtf8());
    if (!data) {
        UserMessage::show(QStringLiteral("Error: LoadFromString: unable to turn inBuffer into a CFBinaryObject"));
        return;
    }
    const CFObjectRef root = PropertyList::fromXmlData(data->bytes());
    const auto dictionary = cf_cast<CFDictionary>(root);
    if (!dictionary) {
        UserMessage::show(QStringLiteral("Error: LoadFromString: unable to parse inBuffer into valid XML"));
        return;
    }
    // A freshly parsed tree belongs to nobody else: no copy needed when it is mutable already.
    RootPlistDictionary = cf_cast<CFMutableDictionary>(root);
    if (!RootPlistDictionary)
        RootPlistDictionary = dictionary->mutableCopy();
    ParsePlist();
}

void CXML::loadFromFile(const QString& path, const CXML* parentNode)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray declaration(PropertyList::XmlDeclaration);
    const QByteArray head = file.read(declaration.size());
    if (head != declaration) {
        file.close();
        IsPlist = false;
        QFile textFile(path);
        if (!textFile.open(QIODevice::ReadOnly))
            return;
        QTextStream stream(&textFile);
        load(&stream, parentNode);
        return;
    }

    IsPlist = true;
    const QString fileName = QFileInfo(path).fileName();
    QByteArray bytes;
    bool readOk = file.seek(0);
    if (readOk) {
        bytes = file.readAll();
        readOk = file.error() == QFileDevice::NoError;
    }
    file.close();
    const CFDataRef data = readOk ? CFData::create(bytes) : nullptr;
    if (!data) {
        UserMessage::show(QLatin1String("Unable to load the plist file ") + fileName);
        return;
    }
    const CFObjectRef root = PropertyList::fromXmlData(data->bytes());
    const auto dictionary = cf_cast<CFDictionary>(root);
    if (!dictionary) {
        UserMessage::show(QLatin1String("Unable to parse the plist file: ") + fileName);
        return;
    }
    RootPlistDictionary = cf_cast<CFMutableDictionary>(root);
    if (!RootPlistDictionary)
        RootPlistDictionary = dictionary->mutableCopy();
    ParsePlist();
}

bool CXML::SaveToFile(const QString& path)
{
    // QSaveFile writes a temporary file beside the target and renames it over
    // the target only once everything is written, so a failed or interrupted
    // save never leaves a truncated settings file behind.
    QSaveFile file(path);
    if (IsPlist) {
        const QString failure = QStringLiteral("Unable to create XML output file");
        if (!file.open(QIODevice::WriteOnly)) {
            UserMessage::show(failure);
            return false;
        }
        SaveToPlist();
        const QByteArray data = PropertyList::toXmlData(RootPlistDictionary);
        if (data.isEmpty() || file.write(data) != data.size() || !file.commit()) {
            file.cancelWriting();
            UserMessage::show(failure);
            return false;
        }
        return true;
    }
    const QString failure = QStringLiteral("UNable to create text XML output file");
    if (!file.open(QIODevice::WriteOnly)) {
        UserMessage::show(failure);
        return false;
    }
    QTextStream stream(&file);
    XMLModule::XMLIndent() = 0;
    Save(stream);
    stream.flush();
    if (stream.status() != QTextStream::Ok || !file.commit()) {
        file.cancelWriting();
        UserMessage::show(failure);
        return false;
    }
    return true;
}

// ---- the property-list form ----

void CXML::ParsePlist()
{
    if (!RootPlistDictionary)
        return;
    const CFMutableDictionaryRef dictionary = std::move(RootPlistDictionary);
    RootPlistDictionary.reset();
    parseDictionary(*dictionary);
}

void CXML::parseDictionary(const CFDictionary& dictionary)
{
    // Children are filled straight from the parsed dictionaries, which nothing
    // else holds: copying each level first would cost time in proportion to
    // size times depth.
    for (qsizetype i = 0; i < dictionary.count(); ++i) {
        const auto& [key, value] = dictionary.entryAt(i);
        if (const auto childDictionary = cf_cast<CFDictionary>(value)) {
            if (m_depth >= MaxDepth)
                continue;
            auto child = std::make_shared<CXML>();
            child->IsPlist = true;
            child->Name = key;
            child->parent = this;
            child->m_depth = m_depth + 1;
            child->parseDictionary(*childDictionary);
            Containers.append(std::move(child));
        } else if (const auto text = plistValueText(value)) {
            Values.insert(key, *text);
        }
    }
}

void CXML::SaveToPlist() { saveToPlistUnder(parent.get()); }

void CXML::saveToPlistUnder(CXML* parentNode)
{
    // The tree being converted passes itself down, so every child lands in the
    // dictionary of the node that holds it, whatever its parent link says.
    RootPlistDictionary = CFMutableDictionary::create();
    IsPlist = true;
    RootPlistDictionary->reserve(Values.count() + Containers.size());
    for (const auto& [key, text] : Values.entries())
        RootPlistDictionary->setString(key, text);
    for (const CXMLRef& child : Containers) {
        if (child)
            child->saveToPlistUnder(this);
    }
    if (parentNode && parentNode->RootPlistDictionary)
        parentNode->RootPlistDictionary->addValue(Name, RootPlistDictionary);
}
