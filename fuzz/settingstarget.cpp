// The settings tree's two file forms.

#include "fuzzcommon.h"
#include "fuzztargets.h"

#include "settings/cxml.h"
#include "settings/propertylist.h"
#include "settings/xmlmodule.h"

#include <QIODevice>
#include <QTextStream>

#include <vector>

namespace KestrowFuzz
{

namespace
{

    // Reads every value of every node through each typed getter, looks every
    // child up by name and ordinal, and writes the tree in its form.
    QString exercise(const CXMLRef& root)
    {
        std::vector<CXML*> pending { root.get() };
        while (!pending.empty()) {
            CXML* node = pending.back();
            pending.pop_back();
            for (const QString& key : node->Values.keys()) {
                (void)node->GetStringValue(key);
                (void)node->GetIntegerValue(key);
                (void)node->GetDoubleValue(key);
                (void)node->GetBooleanValue(key);
                (void)node->getDate(key);
            }
            for (const CXMLRef& child : node->Containers) {
                (void)node->GetContainerCount(child->Name);
                (void)node->GetContainer(child->Name, node->GetContainerCount(child->Name));
                pending.push_back(child.get());
            }
        }
        (void)root->Clone();
        return root->SaveToString();
    }

} // namespace

int settingsText(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = bytesOf(data, size);

    auto fromString = std::make_shared<CXML>();
    fromString->loadFromString(QString::fromUtf8(bytes));
    (void)exercise(fromString);

    // The stream reader, as the settings file is read at start-up.
    QByteArray buffer = bytes;
    QTextStream stream(&buffer, QIODevice::ReadOnly);
    auto fromStream = std::make_shared<CXML>();
    fromStream->load(&stream, nullptr);
    if (fromStream->inStream)
        fail("the stream is still held after load()");
    (void)exercise(fromStream);

    const QString path = scratchPath(QStringLiteral("Kestrow Preferences"));
    writeFile(path, bytes);
    CXMLRef fromFile = XMLModule::XMLLoad(path);
    // Start-up converts a text file to the property-list form.
    if (!fromFile->IsPlist)
        fromFile->SaveToPlist();
    (void)exercise(fromFile);
    return 0;
}

int settingsPlist(const std::uint8_t* data, std::size_t size)
{
    // Only text behind the declaration is read as a property list.
    QByteArray bytes = bytesOf(data, size);
    const QByteArray declaration(PropertyList::XmlDeclaration);
    if (!bytes.startsWith(declaration))
        bytes.prepend(declaration);

    auto fromString = std::make_shared<CXML>();
    fromString->loadFromString(QString::fromUtf8(bytes));
    (void)exercise(fromString);

    const QString path = scratchPath(QStringLiteral("Kestrow Preferences"));
    writeFile(path, bytes);
    CXMLRef fromFile = XMLModule::XMLLoad(path);
    if (!fromFile->IsPlist)
        fail("a file that begins with the declaration was read as text");
    const QString saved = exercise(fromFile);

    // What we save must read back, and saving that again must be stable
    // (the first save may drop characters XML cannot hold, merging keys).
    if (!XMLModule::XMLSave(path, fromFile))
        fail("the tree could not be saved");
    const int messagesBefore = messagesShown();
    CXMLRef again = XMLModule::XMLLoad(path);
    if (!again->IsPlist || messagesShown() != messagesBefore)
        fail("our own save did not read back as a property list", saved);
    const QString savedAgain = again->SaveToString();
    auto third = std::make_shared<CXML>();
    third->loadFromString(savedAgain);
    if (messagesShown() != messagesBefore || third->SaveToString() != savedAgain)
        fail("saving a tree read from our own file is not stable", savedAgain);
    return 0;
}

} // namespace KestrowFuzz
