// The property-list parser of the object layer.

#include "fuzzcommon.h"
#include "fuzztargets.h"

#include "settings/cfobject.h"
#include "settings/propertylist.h"

#include <QSet>

#include <vector>

namespace KestrowFuzz
{

namespace
{

    // Visits every object once (a binary list may share objects, so a plain
    // walk could take exponential time) and reads each one's value.
    void visit(const CFObjectRef& root)
    {
        QSet<const CFObject*> seen;
        std::vector<CFObjectRef> pending { root };
        while (!pending.empty()) {
            const CFObjectRef object = std::move(pending.back());
            pending.pop_back();
            if (!object || seen.contains(object.get()))
                continue;
            seen.insert(object.get());
            if (const auto array = cf_cast<CFArray>(object)) {
                for (qsizetype i = 0; i < array->count(); ++i)
                    pending.push_back(array->valueAt(i));
            } else if (const auto dictionary = cf_cast<CFDictionary>(object)) {
                for (qsizetype i = 0; i < dictionary->count(); ++i) {
                    const auto& [key, value] = dictionary->entryAt(i);
                    if (dictionary->value(key) != value)
                        fail("a dictionary answers another value than the one at its key's place", key);
                    pending.push_back(value);
                }
            } else if (const auto number = cf_cast<CFNumber>(object)) {
                (void)number->toInt32();
                (void)number->toInt64();
                (void)number->toDouble();
            } else if (const auto date = cf_cast<CFDate>(object)) {
                (void)date->value().toString();
            }
        }
    }

} // namespace

int propertyList(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    QString error;
    const CFObjectRef object = PropertyList::fromData(bytes, &error);
    if (!object) {
        if (error.isEmpty())
            fail("a parse failed without a reason");
        return 0;
    }
    visit(object);

    // What the writer makes of it must read back, and writing that again
    // must be stable (the first write may drop what XML cannot hold).
    const QByteArray written = PropertyList::toXmlData(object);
    if (written.isEmpty())
        return 0;
    const CFObjectRef reread = PropertyList::fromXmlData(written, &error);
    if (!reread)
        fail("our own XML does not read back", error);
    const QByteArray writtenAgain = PropertyList::toXmlData(reread);
    const CFObjectRef rereadAgain = PropertyList::fromXmlData(writtenAgain, &error);
    if (!rereadAgain)
        fail("our own XML does not read back", error);
    if (PropertyList::toXmlData(rereadAgain) != writtenAgain)
        fail("writing a list read from our own XML is not stable", QString::fromUtf8(writtenAgain));
    return 0;
}

} // namespace KestrowFuzz
