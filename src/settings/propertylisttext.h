#pragma once

// The texts inside an XML property list: integers, reals, dates, base64,
// character references, and the encoding of the whole document. Used by the
// XML reader; free functions without state, safe from any thread.

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>

#include <string>
#include <string_view>

namespace PropertyListText {

// XML's blanks; other control characters are text.
[[nodiscard]] inline bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

[[nodiscard]] std::string_view trimmed(std::string_view s);

// A whole decimal number in the 64-bit range, blanks and one sign allowed.
[[nodiscard]] bool parseInteger(std::string_view text, qint64& value);
// A decimal number, or nan, inf, infinity; blanks and one sign allowed.
[[nodiscard]] bool parseReal(std::string_view text, double& value);
// Exactly YYYY-MM-DDTHH:MM:SSZ (UTC), blanks around allowed.
[[nodiscard]] bool parseDate(std::string_view text, QDateTime& value);
// Base64 with blanks anywhere.
[[nodiscard]] bool parseBase64(std::string_view text, QByteArray& value);

// Appends raw text with XML's five entities and character references
// replaced; anything else after '&' stays as written. A reference to no
// character (a surrogate, beyond U+10FFFF) becomes U+FFFD.
void appendDecoded(std::string& out, std::string_view raw);

// UTF-16 and UTF-32 data (by byte order mark or the look of "<") as UTF-8;
// other data unchanged (shared, not copied).
[[nodiscard]] QByteArray asEightBit(const QByteArray& data);
// Whether the XML declaration names Latin-1 as the encoding.
[[nodiscard]] bool declaresLatin1(QByteArrayView data);

} // namespace PropertyListText
