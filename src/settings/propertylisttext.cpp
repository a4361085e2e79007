#include "settings/propertylisttext.h"

#include <QDate>
#include <QStringDecoder>
#include <QTime>

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace PropertyListText {

namespace {

    bool isNameChar(char c)
    {
        const auto u = static_cast<unsigned char>(c);
        return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == ':' || u == '-' || u == '.' || u >= 0x80;
    }

} // namespace

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isXmlSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isXmlSpace(s.back()))
        s.remove_suffix(1);
    return s;
}


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

namespace {

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

} // namespace

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

namespace {

// Appends code point cp as UTF-8; one that no text may hold reads as U+FFFD,
// as undecodable bytes do.
void appendUtf8(std::string& out, quint32 cp)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

// Replaces the five predefined entities and character references; anything
// else after '&' (an entity a DOCTYPE might declare, a malformed reference)
// stays as written, as no entity is ever expanded.
void appendDecoded(std::string& out, std::string_view raw)
{
    static constexpr std::pair<std::string_view, char> named[] = { { "&amp;", '&' }, { "&lt;", '<' }, { "&gt;", '>' }, { "&quot;", '"' }, { "&apos;", '\'' } };
    while (!raw.empty()) {
        const std::size_t amp = raw.find('&');
        out.append(raw.substr(0, amp));
        if (amp == std::string_view::npos)
            return;
        raw.remove_prefix(amp);
        bool replaced = false;
        for (const auto& [entity, c] : named) {
            if (raw.substr(0, entity.size()) == entity) {
                out += c;
                raw.remove_prefix(entity.size());
                replaced = true;
                break;
            }
        }
        if (!replaced && raw.size() > 2 && raw[1] == '#') {
            const bool hex = raw[2] == 'x';
            std::size_t i = hex ? 3 : 2;
            quint32 cp = 0;
            bool overflow = false;
            const std::size_t first = i;
            for (; i < raw.size(); ++i) {
                const char c = raw[i];
                int digit;
                if (c >= '0' && c <= '9')
                    digit = c - '0';
                else if (hex && (c | ' ') >= 'a' && (c | ' ') <= 'f')
                    digit = (c | ' ') - 'a' + 10;
                else
                    break;
                cp = cp * (hex ? 16 : 10) + static_cast<quint32>(digit);
                overflow = overflow || cp > 0x10FFFF;
            }
            if (i > first && i < raw.size() && raw[i] == ';') {
                appendUtf8(out, overflow ? 0xFFFFFFFFu : cp);
                raw.remove_prefix(i + 1);
                replaced = true;
            }
        }
        if (!replaced) {
            out += '&';
            raw.remove_prefix(1);
        }
    }
}

// Wide encodings go through Qt first, so the reader sees 8-bit text.
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

// Whether the XML declaration names Latin-1 ("ISO-8859-1" or "latin1", in
// any case); everything else 8-bit is read as UTF-8. The encoding is the
// first "en..." in the declaration (the version before it holds no such
// text); a '?' before it ends the declaration.
bool declaresLatin1(QByteArrayView data)
{
    if (data.size() < 6 || !data.startsWith("<?xml") || !isXmlSpace(data.at(5)))
        return false;
    for (qsizetype i = 6; i + 1 < data.size(); ++i) {
        if (data.at(i) == '?')
            return false;
        if (data.at(i) != 'e' || data.at(i + 1) != 'n')
            continue;
        if (!data.sliced(i).startsWith("encoding"))
            return false;
        qsizetype at = i + 8;
        while (at < data.size() && isXmlSpace(data.at(at)))
            ++at;
        if (at >= data.size() || data.at(at) != '=')
            return false;
        ++at;
        while (at < data.size() && isXmlSpace(data.at(at)))
            ++at;
        if (at >= data.size() || (data.at(at) != '"' && data.at(at) != '\''))
            return false;
        const char quote = data.at(at++);
        const qsizetype first = at;
        while (at < data.size() && isNameChar(data.at(at)))
            ++at;
        if (at >= data.size() || data.at(at) != quote)
            return false;
        const QByteArray name = data.sliced(first, at - first).toByteArray().toLower();
        return name == "iso-8859-1" || name == "latin1";
    }
    return false;
}

} // namespace PropertyListText
