// The settings tree's two persistent forms: the indented tag text and the XML
// property list, in strings and in files, how a file is told apart, atomic
// saves, interoperability with another property-list reader and writer, and
// hostile input.

#include "settings/cxml.h"
#include "settings/propertylist.h"
#include "settings/usermessage.h"
#include "settings/xmlmodule.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <csignal>
#include <sys/resource.h>

namespace
{

const QString CR(QChar(13));

// One line per value ("key=text", line ends shown as \r) and per child
// ("[Name]"), children indented by two spaces: compact enough for a table.
void dumpInto(const CXML& node, const QString& indent, QStringList& out)
{
    for (const auto& [key, text] : node.Values.entries()) {
        QString shown = text;
        shown.replace(CR, QStringLiteral("\\r"));
        shown.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        out.append(indent + key + QLatin1Char('=') + shown);
    }
    for (const CXMLRef& child : node.Containers) {
        out.append(indent + QLatin1Char('[') + child->Name + QLatin1Char(']'));
        dumpInto(*child, indent + QStringLiteral("  "), out);
    }
}

QString dump(const CXML& node)
{
    QStringList out;
    dumpInto(node, QString(), out);
    return out.join(QLatin1Char('|'));
}

QString lines(std::initializer_list<const char*> list, const QString& end = CR)
{
    QString text;
    for (const char* line : list)
        text += QString::fromUtf8(line) + end;
    return text;
}

// The example tree: three root values and a "BurnWindow" child with the
// window bounds.
CXMLRef exampleTree()
{
    auto root = std::make_shared<CXML>();
    root->SetStringValue(QStringLiteral("Speed"), QStringLiteral("max"));
    root->SetBooleanValue(QStringLiteral("Verify"), true);
    root->SetIntegervalue(QStringLiteral("VolumePopup"), 1);
    auto window = std::make_shared<CXML>();
    window->Name = QStringLiteral("BurnWindow");
    window->SetIntegervalue(QStringLiteral("Left"), 20);
    window->SetIntegervalue(QStringLiteral("Top"), 44);
    window->SetIntegervalue(QStringLiteral("Width"), 560);
    window->SetIntegervalue(QStringLiteral("Height"), 400);
    root->InsertContainer(window);
    return root;
}

const char kInvalidUtf8AndNul[] = "<A>x\xFF\xFEy</A>\n<B>1\0002</B>\n";

const char* const kExampleDump = "Speed=max|Verify=True|VolumePopup=1|[BurnWindow]|  Left=20|  Top=44|  Width=560|  Height=400";

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString fixture(const char* name) { return QStringLiteral(KESTROW_TEST_SOURCE_DIR "/data/cxml/") + QLatin1String(name); }

} // namespace

class TestCXMLForms : public QObject
{
    Q_OBJECT

    QStringList m_messages;
    UserMessage::Handler m_previousHandler;

private Q_SLOTS:
    void initTestCase()
    {
        m_previousHandler = UserMessage::setHandler([this](const QString& text) { m_messages.append(text); });
    }

    void cleanupTestCase() { UserMessage::setHandler(m_previousHandler); }

    void init()
    {
        m_messages.clear();
        QCOMPARE(XMLModule::XMLIndent(), 0);
    }

    // ---- the text form, written ----

    void writeExample()
    {
        const CXMLRef root = exampleTree();
        QString fileText;
        QTextStream stream(&fileText);
        root->Save(stream);
        stream.flush();
        QCOMPARE(fileText,
            lines({ "<Speed>max</Speed>", "<Verify>True</Verify>", "<VolumePopup>1</VolumePopup>", "<BurnWindow>", "    <Left>20</Left>", "    <Top>44</Top>",
                "    <Width>560</Width>", "    <Height>400</Height>", "</BurnWindow>" }));
        QCOMPARE(XMLModule::XMLIndent(), 0);

        // The string form puts an empty line after every child block.
        QCOMPARE(root->SaveToString(),
            lines({ "<Speed>max</Speed>", "<Verify>True</Verify>", "<VolumePopup>1</VolumePopup>", "<BurnWindow>", "    <Left>20</Left>", "    <Top>44</Top>",
                "    <Width>560</Width>", "    <Height>400</Height>", "</BurnWindow>", "" }));
    }

    void writeMultiLineAndEmptyValues()
    {
        const CXMLRef root = exampleTree();
        const CXMLRef window = root->GetContainer(QStringLiteral("BurnWindow"), 1);
        window->SetStringValue(QStringLiteral("Note"), QStringLiteral("first") + CR + QStringLiteral("second"));
        window->SetStringValue(QStringLiteral("Empty"), QString());
        auto inner = std::make_shared<CXML>();
        inner->Name = QStringLiteral("Inner");
        inner->SetStringValue(QStringLiteral("Tag"), QStringLiteral("<b>"));
        window->InsertContainer(inner);
        QString fileText;
        QTextStream stream(&fileText);
        root->Save(stream);
        stream.flush();
        QCOMPARE(fileText,
            lines({ "<Speed>max</Speed>", "<Verify>True</Verify>", "<VolumePopup>1</VolumePopup>", "<BurnWindow>", "    <Left>20</Left>", "    <Top>44</Top>",
                "    <Width>560</Width>", "    <Height>400</Height>", "    <Note>", "        first", "        second", "    </Note>", "    <Inner>",
                "        <Tag>&#60;b&#62;</Tag>", "    </Inner>", "</BurnWindow>" }));
    }

    // ---- the text form, read from a string ----

    void readText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("the example") << lines({ "<Speed>max</Speed>", "<Verify>True</Verify>", "<VolumePopup>1</VolumePopup>", "<BurnWindow>",
            "    <Left>20</Left>", "    <Top>44</Top>", "    <Width>560</Width>", "    <Height>400</Height>", "</BurnWindow>" })
                                     << kExampleDump;
        QTest::newRow("multi-line value") << lines({ "<BurnWindow>", "    <Note>", "        first", "        second", "    </Note>", "</BurnWindow>" })
                                          << "[BurnWindow]|  Note=first\\rsecond";
        QTest::newRow("comments skipped, also inside a value")
            << lines({ "# settings", "<A>1</A>", "   # indented comment", "<Note>", "# dropped", "x", "#<B>2</B>", "y", "</Note>" }) << "A=1|Note=x\\ry";
        QTest::newRow("one-line value keeps leading blanks") << lines({ "<A>  x</A>" }) << "A=  x";
        QTest::newRow("multi-line value loses leading blanks and leading empty lines")
            << lines({ "<Note>", "", "\t  first", "", "   second", "</Note>" }) << "Note=first\\r\\rsecond";
        QTest::newRow("text before the element ignored, after the close kept") << lines({ "junk<A>1</A>tail" }) << "A=1tail";
        QTest::newRow("closing tag removed everywhere") << lines({ "<A>1</A>2</A>" }) << "A=12";
        QTest::newRow("empty container reads as empty value") << lines({ "<E>", "</E>", "<F>1</F>" }) << "E=|F=1";
        QTest::newRow("empty tag adds nothing") << lines({ "<>x</>", "<A>1</A>" }) << "A=1";
        QTest::newRow("lines that are no element") << lines({ "plain text", "a > b < c", "<A>1</A>" }) << "A=1";
        QTest::newRow("child named like its parent ends the parent early")
            << lines({ "<A>", "<B>", "<A>1</A>", "</B>", "</A>" }) << "[A]|  [B]|    A=1|[/B]|  /A=";
        QTest::newRow("cut off: container keeps what was read") << lines({ "<A>", "<B>1</B>", "<C>2" }) << "[A]|  B=1|  C=2";
        QTest::newRow("cut off: value keeps what was read") << lines({ "<Note>", "first", "second" }) << "Note=first\\rsecond";
        QTest::newRow("last line without line end is ignored") << QStringLiteral("<A>1</A>\r<B>2</B>") << "A=1";
        QTest::newRow("single line without line end") << QStringLiteral("<A>1</A>") << "";
        QTest::newRow("escaped text stays escaped") << lines({ "<A>&#60;b</A>" }) << "A=&#60;b";
        QTest::newRow("later value of a key replaces") << lines({ "<A>1</A>", "<A>2</A>" }) << "A=2";
        QTest::newRow("two children of one name") << lines({ "<W>", "<L>1</L>", "</W>", "<W>", "<L>2</L>", "</W>" }) << "[W]|  L=1|[W]|  L=2";
        QTest::newRow("line feeds are no line ends in a string") << QStringLiteral("<A>1</A>\n<B>2</B>\r") << "A=1\\n<B>2</B>";
        QTest::newRow("nested three levels") << lines({ "<A>", "    <B>", "        <C>", "            <V>deep</V>", "        </C>", "    </B>", "    <W>x</W>",
            "</A>" }) << "[A]|  W=x|  [B]|    [C]|      V=deep";
    }

    void readText()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        auto root = std::make_shared<CXML>(true);
        root->loadFromString(text);
        QVERIFY(!root->IsPlist);
        QVERIFY(root->EndOfFile);
        QCOMPARE(dump(*root), expected);
        QVERIFY(m_messages.isEmpty());
        for (const CXMLRef& child : root->Containers) {
            QCOMPARE(child->parent.get(), root.get());
            QVERIFY(!child->IsPlist);
            QVERIFY(child->ValueBuffer.empty());
        }
        QVERIFY(root->ValueBuffer.empty());
    }

    void readTextEscapes()
    {
        auto root = std::make_shared<CXML>();
        root->loadFromString(lines({ "<A>&#60;b&#62;</A>" }));
        QCOMPARE(root->GetStringValue(QStringLiteral("A")), QStringLiteral("<b>"));
    }

    void textRoundTrip()
    {
        const CXMLRef root = exampleTree();
        const CXMLRef window = root->GetContainer(QStringLiteral("BurnWindow"), 1);
        window->SetStringValue(QStringLiteral("Note"), QStringLiteral("first") + CR + QStringLiteral("second <x>"));
        auto inner = std::make_shared<CXML>();
        inner->Name = QStringLiteral("Inner");
        inner->SetDate(QStringLiteral("When"), Date(2005, 7, 4, 21, 5, 0));
        window->InsertContainer(inner);
        const QString text = root->SaveToString();

        auto back = std::make_shared<CXML>();
        back->loadFromString(text);
        QCOMPARE(dump(*back), dump(*root));
        QCOMPARE(back->GetContainer(QStringLiteral("BurnWindow"), 1)->GetStringValue(QStringLiteral("Note")),
            QStringLiteral("first") + CR + QStringLiteral("second <x>"));
    }

    void stringLineSourceIndex()
    {
        CXML node;
        node.LoadingFromString = true;
        node.LoadFromStringBuffer = QStringLiteral("ab\r  cd\rtail");
        QCOMPARE(node.GetNextLine(), QStringLiteral("ab"));
        QCOMPARE(node.ReadFromStringIndex, 3);
        QCOMPARE(node.GetNextLine(), QStringLiteral("cd"));
        QCOMPARE(node.ReadFromStringIndex, 8);
        QVERIFY(!node.EndOfFile);
        QCOMPARE(node.GetNextLine(), QString());
        QVERIFY(node.EndOfFile);
    }

    // ---- files: which form ----

    void readTextFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QByteArray example = "<Speed>max</Speed>\n<Verify>True</Verify>\n<VolumePopup>1</VolumePopup>\n<BurnWindow>\n    <Left>20</Left>\n"
                                   "    <Top>44</Top>\n    <Width>560</Width>\n    <Height>400</Height>\n</BurnWindow>";
        QByteArray crlf = example;
        crlf.replace("\n", "\r\n");
        QByteArray cr = example;
        cr.replace("\n", "\r");
        QByteArray mixed = example;
        mixed.replace("<Verify>True</Verify>\n", "<Verify>True</Verify>\r\n").replace("<VolumePopup>1</VolumePopup>\n", "<VolumePopup>1</VolumePopup>\r");
        QTest::newRow("LF, last line without end") << example << kExampleDump;
        QTest::newRow("CRLF") << crlf << kExampleDump;
        QTest::newRow("CR") << cr << kExampleDump;
        QTest::newRow("mixed") << mixed << kExampleDump;
        QTest::newRow("empty lines between CRs") << QByteArray("<A>1</A>\r\r\n\r<B>2</B>\r\n") << "A=1|B=2";
        QTest::newRow("BOM before the declaration: text form")
            << QByteArray("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<A>1</A>\n") << "[?xml version=\"1.0\" encoding=\"UTF-8\"?]|  A=1";
        QTest::newRow("blank line before the declaration: text form")
            << QByteArray("\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<A>1</A>\n") << "[?xml version=\"1.0\" encoding=\"UTF-8\"?]|  A=1";
        QTest::newRow("UTF-8 text") << QByteArray("<Name>Fotos \xC3\xA9t\xC3\xA9 \xE2\x82\xAC</Name>\n") << QStringLiteral("Name=Fotos été €");
        QTest::newRow("invalid UTF-8 and NUL bytes") << QByteArray(kInvalidUtf8AndNul, sizeof(kInvalidUtf8AndNul) - 1)
                                                     << QStringLiteral("A=x\uFFFD\uFFFDy|B=1") + QChar(0) + QStringLiteral("2");
        QTest::newRow("empty file") << QByteArray() << "";
        QTest::newRow("shorter than the declaration") << QByteArray("<?xml") << "";
    }

    void readTextFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Kestrow Preferences"));
        QVERIFY(writeFile(path, bytes));
        const CXMLRef root = XMLModule::XMLLoad(path);
        QVERIFY(root);
        QVERIFY(!root->IsPlist);
        QCOMPARE(dump(*root), expected);
        QVERIFY(m_messages.isEmpty());
        QVERIFY(!root->inStream);
    }

    void missingOrUnreadableFile()
    {
        QTemporaryDir dir;
        const CXMLRef missing = XMLModule::XMLLoad(dir.filePath(QStringLiteral("nothing here")));
        QVERIFY(missing);
        QVERIFY(!missing->IsPlist);
        QCOMPARE(dump(*missing), QString());

        const CXMLRef folder = XMLModule::XMLLoad(dir.path());
        QVERIFY(folder);
        QCOMPARE(dump(*folder), QString());
        QVERIFY(m_messages.isEmpty());
    }

    void declarationButNoPropertyList_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("declaration then text form") << fixture("declaration-then-text.txt");
        QTest::newRow("truncated property list") << fixture("truncated-plist.xml");
        QTest::newRow("property list of an array") << fixture("array-plist.xml");
    }

    void declarationButNoPropertyList()
    {
        QFETCH(QString, path);
        const CXMLRef root = XMLModule::XMLLoad(path);
        QVERIFY(root->IsPlist);
        QCOMPARE(dump(*root), QString());
        QCOMPARE(m_messages, QStringList(QLatin1String("Unable to parse the plist file: ") + QFileInfo(path).fileName()));
        QCOMPARE(root->GetStringValue(QStringLiteral("Speed"), QStringLiteral("max")), QStringLiteral("max"));
    }

    // ---- the property-list form ----

    void plistStringRoundTrip()
    {
        const CXMLRef root = exampleTree();
        root->GetContainer(QStringLiteral("BurnWindow"), 1)->SetStringValue(QStringLiteral("Note"), QStringLiteral("first") + CR + QStringLiteral("second"));
        root->SetStringValue(QStringLiteral("Empty"), QString());
        root->SaveToPlist();
        QVERIFY(root->IsPlist);
        const QString text = root->SaveToString();
        QVERIFY(text.startsWith(QLatin1String(PropertyList::XmlDeclaration)));

        auto back = std::make_shared<CXML>();
        back->loadFromString(text);
        QVERIFY(m_messages.isEmpty());
        QVERIFY(back->IsPlist);
        QVERIFY(!back->RootPlistDictionary);
        QCOMPARE(dump(*back),
            QStringLiteral("Speed=max|Verify=True|VolumePopup=1|Empty=|[BurnWindow]|  Left=20|  Top=44|  Width=560|  Height=400|"
                           "  Note=first\\rsecond"));
        const CXMLRef window = back->GetContainer(QStringLiteral("BurnWindow"), 1);
        QCOMPARE(window->parent.get(), back.get());
        QVERIFY(window->IsPlist);
        QVERIFY(back->Values.contains(QStringLiteral("Empty")));
    }

    void textToPlistConversion_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("the example") << lines({ "<Speed>max</Speed>", "<Verify>True</Verify>", "<VolumePopup>1</VolumePopup>", "<BurnWindow>",
            "    <Left>20</Left>", "    <Top>44</Top>", "    <Width>560</Width>", "    <Height>400</Height>", "</BurnWindow>" })
                                     << kExampleDump;
        QTest::newRow("escaped text keeps its escaped form") << lines({ "<A>&#60;b</A>" }) << "A=&#60;b";
        QTest::newRow("two BurnWindow children become one entry, the first")
            << lines({ "<BurnWindow>", "<Left>1</Left>", "</BurnWindow>", "<BurnWindow>", "<Left>2</Left>", "</BurnWindow>" }) << "[BurnWindow]|  Left=1";
        QTest::newRow("value wins over a child of the same name") << lines({ "<W>1</W>", "<W>", "<L>2</L>", "</W>" }) << "W=1";
        QTest::newRow("multi-line value") << lines({ "<Note>", "a", "b", "</Note>" }) << "Note=a\\rb";
    }

    void textToPlistConversion()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        auto root = std::make_shared<CXML>();
        root->loadFromString(text);
        root->SaveToPlist();
        const QString plist = root->SaveToString();
        auto back = std::make_shared<CXML>();
        back->loadFromString(plist);
        QVERIFY(back->IsPlist);
        QCOMPARE(dump(*back), expected);
        QVERIFY(m_messages.isEmpty());
    }

    void escapedTextReadsBackEscapedInPlistMode()
    {
        auto root = std::make_shared<CXML>();
        root->loadFromString(lines({ "<A>&#60;b</A>" }));
        QCOMPARE(root->GetStringValue(QStringLiteral("A")), QStringLiteral("<b"));
        root->SaveToPlist();
        auto back = std::make_shared<CXML>();
        back->loadFromString(root->SaveToString());
        QCOMPARE(back->GetStringValue(QStringLiteral("A")), QStringLiteral("&#60;b"));
    }

    void badPlistStrings_data()
    {
        QTest::addColumn<QString>("text");
        const QString declaration = QLatin1String(PropertyList::XmlDeclaration);
        QTest::newRow("declaration only") << declaration;
        QTest::newRow("not a plist") << declaration + QStringLiteral("\n<html></html>");
        QTest::newRow("array, not a dictionary") << declaration + QStringLiteral("<plist version=\"1.0\"><array/></plist>");
        QTest::newRow("unclosed dict") << declaration + QStringLiteral("<plist version=\"1.0\"><dict><key>A</key><string>1</string>");
    }

    void badPlistStrings()
    {
        QFETCH(QString, text);
        auto root = std::make_shared<CXML>();
        root->loadFromString(text);
        QVERIFY(root->IsPlist);
        QCOMPARE(dump(*root), QString());
        QCOMPARE(m_messages, QStringList(QStringLiteral("Error: LoadFromString: unable to parse inBuffer into valid XML")));
    }

    // ---- files: writing ----

    void saveFileBothForms()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Kestrow Preferences"));

        const CXMLRef text = exampleTree();
        QVERIFY(XMLModule::XMLSave(path, text));
        QCOMPARE(readFile(path),
            lines({ "<Speed>max</Speed>", "<Verify>True</Verify>", "<VolumePopup>1</VolumePopup>", "<BurnWindow>", "    <Left>20</Left>", "    <Top>44</Top>",
                      "    <Width>560</Width>", "    <Height>400</Height>", "</BurnWindow>" })
                .toUtf8());
        const CXMLRef textBack = XMLModule::XMLLoad(path);
        QVERIFY(!textBack->IsPlist);
        QCOMPARE(dump(*textBack), QLatin1String(kExampleDump));

        // What the application does: convert at start, save at quit.
        XMLModule::XMLRoot() = textBack;
        if (!XMLModule::XMLRoot()->IsPlist)
            XMLModule::XMLRoot()->SaveToPlist();
        QVERIFY(XMLModule::XMLSave(path, XMLModule::XMLRoot()));
        QVERIFY(readFile(path).startsWith(PropertyList::XmlDeclaration));
        const CXMLRef plistBack = XMLModule::XMLLoad(path);
        QVERIFY(plistBack->IsPlist);
        QCOMPARE(dump(*plistBack), QLatin1String(kExampleDump));
        QVERIFY(m_messages.isEmpty());
        XMLModule::XMLRoot() = std::make_shared<CXML>();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList(QStringLiteral("Kestrow Preferences")));
    }

    void saveFailsCleanly_data()
    {
        QTest::addColumn<bool>("isPlist");
        QTest::addColumn<QString>("message");
        QTest::newRow("property list") << true << "Unable to create XML output file";
        QTest::newRow("text") << false << "UNable to create text XML output file";
    }

    void saveFailsCleanly()
    {
        QFETCH(bool, isPlist);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const CXMLRef tree = exampleTree();
        if (isPlist)
            tree->SaveToPlist();

        // No folder to write into.
        QVERIFY(!tree->SaveToFile(dir.filePath(QStringLiteral("missing/Kestrow Preferences"))));
        QCOMPARE(m_messages, QStringList(message));
        m_messages.clear();

        // The target is a folder: it stays one.
        const QString folder = dir.filePath(QStringLiteral("folder"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        QVERIFY(!tree->SaveToFile(folder));
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(m_messages, QStringList(message));
        m_messages.clear();

        // A write that fails half way (the file size limit stands in for a
        // full disc, and works for every user) leaves the old file whole.
        const QString path = dir.filePath(QStringLiteral("Kestrow Preferences"));
        const QByteArray old = "<Speed>old</Speed>\r";
        QVERIFY(writeFile(path, old));
        tree->SetStringValue(QStringLiteral("Big"), QString(200000, QLatin1Char('x')));
        rlimit previous {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &previous), 0);
        const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = previous;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool saved = tree->SaveToFile(path);
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousSignal);
        QVERIFY(!saved);
        QCOMPARE(m_messages, QStringList(message));
        QCOMPARE(readFile(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList(QStringLiteral("Kestrow Preferences")));
    }

    void saveToReadOnlyFolder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Kestrow Preferences"));
        const QByteArray old = "<Speed>old</Speed>\r";
        QVERIFY(writeFile(path, old));
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const bool bypass = QFile(dir.filePath(QStringLiteral("probe"))).open(QIODevice::WriteOnly);
        if (bypass) {
            QFile::remove(dir.filePath(QStringLiteral("probe")));
            QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            QSKIP("This user writes into read-only folders (root); saveFailsCleanly covers the failed write.");
        }
        const CXMLRef tree = exampleTree();
        tree->SaveToPlist();
        QVERIFY(!XMLModule::XMLSave(path, tree));
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(m_messages, QStringList(QStringLiteral("Unable to create XML output file")));
        QCOMPARE(readFile(path), old);
    }

    // ---- another property-list implementation ----

    void pythonReadsWhatWeWrite()
    {
        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (python.isEmpty())
            QSKIP("python3 is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Kestrow Preferences"));
        const CXMLRef tree = exampleTree();
        tree->SaveToPlist();
        // Set in property-list mode, so stored unescaped.
        tree->GetContainer(QStringLiteral("BurnWindow"), 1)->SetStringValue(QStringLiteral("Note"), QStringLiteral("first\rsecond & <third>\r\n"));
        tree->SetStringValue(QStringLiteral("Unicode"), QStringLiteral("été €"));
        QVERIFY(XMLModule::XMLSave(path, tree));

        QProcess process;
        process.start(python,
            { QStringLiteral("-c"),
                QStringLiteral("import plistlib, sys, json\n"
                               "with open(sys.argv[1], 'rb') as f: p = plistlib.load(f)\n"
                               "print(json.dumps(p, sort_keys=True))"),
                path });
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        const QByteArray out = process.readAllStandardOutput().trimmed();
        QCOMPARE(out,
            QByteArray("{\"BurnWindow\": {\"Height\": \"400\", \"Left\": \"20\", \"Note\": \"first\\rsecond & <third>\\r\\n\", \"Top\": \"44\", "
                       "\"Width\": \"560\"}, \"Speed\": \"max\", \"Unicode\": \"\\u00e9t\\u00e9 \\u20ac\", \"Verify\": \"True\", \"VolumePopup\": \"1\"}"));
    }

    void weReadWhatPythonWrites()
    {
        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (python.isEmpty())
            QSKIP("python3 is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Kestrow Preferences"));
        QProcess process;
        process.start(python,
            { QStringLiteral("-c"),
                QStringLiteral("import plistlib, sys\n"
                               "p = {'Speed': 'max', 'Note': 'a\\nb <c> & d \u00e9', 'BurnWindow': {'Left': '20', 'Top': '44'}, 'Count': 3, 'Flag': True}\n"
                               "with open(sys.argv[1], 'wb') as f: plistlib.dump(p, f, sort_keys=False)"),
                path });
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        const CXMLRef root = XMLModule::XMLLoad(path);
        QVERIFY(m_messages.isEmpty());
        QVERIFY(root->IsPlist);
        QCOMPARE(dump(*root), QStringLiteral("Speed=max|Note=a\\nb <c> & d é|Count=3|Flag=True|[BurnWindow]|  Left=20|  Top=44"));
        QCOMPARE(root->GetStringValue(QStringLiteral("Note")), QStringLiteral("a\nb <c> & d é"));
    }

    // ---- hostile input ----

    void randomBytesNeverCrash()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("noise"));
        QRandomGenerator random(1904);
        for (int round = 0; round < 20; ++round) {
            QByteArray bytes(8192, Qt::Uninitialized);
            for (char& byte : bytes) {
                // Bias toward the characters the reader reacts to.
                static const char special[] = "<>/#\r\n \t";
                byte = random.bounded(3) == 0 ? special[random.bounded(int(sizeof(special) - 1))] : char(random.bounded(256));
            }
            if (round % 2)
                bytes.prepend(PropertyList::XmlDeclaration);
            QVERIFY(writeFile(path, bytes));
            const CXMLRef root = XMLModule::XMLLoad(path);
            QVERIFY(root);
            auto fromString = std::make_shared<CXML>();
            fromString->loadFromString(QString::fromUtf8(bytes));
        }
    }

    void deepNestingIsBounded()
    {
        // 100,000 nested elements: the reader stops descending at its depth
        // limit and keeps the deeper lines as the innermost value's text.
        const int levels = 100000;
        QString text;
        text.reserve(levels * 20);
        for (int i = 0; i < levels; ++i)
            text += QStringLiteral("<N%1>\r").arg(i);
        text += QStringLiteral("<V>bottom</V>\r");
        for (int i = levels - 1; i >= 0; --i)
            text += QStringLiteral("</N%1>\r").arg(i);

        QElapsedTimer timer;
        timer.start();
        auto root = std::make_shared<CXML>();
        root->loadFromString(text);
        const qint64 elapsed = timer.elapsed();
        qInfo("100,000 nested elements read in %lld ms", elapsed);

        int depth = 0;
        CXML* node = root.get();
        while (!node->Containers.isEmpty()) {
            node = node->Containers.first().get();
            ++depth;
        }
        QCOMPARE(depth, CXML::MaxDepth);
        const QString innermost = QStringLiteral("N%1").arg(CXML::MaxDepth);
        QVERIFY(node->Values.contains(innermost));
        QVERIFY(node->Values.value(innermost).contains(QStringLiteral("<V>bottom</V>")));
        // Writing the bounded tree back works too.
        QVERIFY(!root->SaveToString().isEmpty());
    }

    void deepPlistIsBounded()
    {
        // Nested dictionaries below the depth limit are dropped, not recursed into.
        CFMutableDictionaryRef top = CFMutableDictionary::create();
        CFMutableDictionaryRef tip = top;
        for (int i = 0; i < CXML::MaxDepth + 50; ++i) {
            auto next = CFMutableDictionary::create();
            next->setString(QStringLiteral("Level"), QString::number(i + 1));
            tip->setValue(QStringLiteral("D"), next);
            tip = next;
        }
        auto root = std::make_shared<CXML>(top, QString(), nullptr);
        int depth = 0;
        CXML* node = root.get();
        while (!node->Containers.isEmpty()) {
            node = node->Containers.first().get();
            ++depth;
        }
        QCOMPARE(depth, CXML::MaxDepth);
        QCOMPARE(node->GetIntegerValue(QStringLiteral("Level")), CXML::MaxDepth);
    }

    void manyLinesAreLinear()
    {
        // 100,000 lines in one container read from a file and from a string:
        // each line is taken once per nesting level, so this stays fast.
        QString text;
        text += QStringLiteral("<Top>\r");
        for (int i = 0; i < 100000; ++i) {
            if (i % 1000 == 0)
                text += QStringLiteral("<Group>\r");
            text += QStringLiteral("    <Key%1>value %1</Key%1>\r").arg(i % 1000);
            if (i % 1000 == 999)
                text += QStringLiteral("</Group>\r");
        }
        text += QStringLiteral("</Top>\r");
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("lines"));
        QVERIFY(writeFile(path, text.toUtf8()));

        QElapsedTimer timer;
        timer.start();
        const CXMLRef fromFile = XMLModule::XMLLoad(path);
        const qint64 fileMs = timer.restart();
        auto fromString = std::make_shared<CXML>();
        fromString->loadFromString(text);
        const qint64 stringMs = timer.elapsed();
        qInfo("100,200 lines: file %lld ms, string %lld ms", fileMs, stringMs);
        const CXMLRef top = fromFile->GetContainer(QStringLiteral("Top"), 1);
        QVERIFY(top);
        QCOMPARE(top->GetContainerCount(QStringLiteral("Group")), 100);
        QCOMPARE(top->GetContainer(QStringLiteral("Group"), 100)->GetStringValue(QStringLiteral("Key999")), QStringLiteral("value 999"));
        QCOMPARE(dump(*fromString), dump(*fromFile));
        // AddressSanitizer (make sanitize) slows every allocation several times over.
#ifdef __SANITIZE_ADDRESS__
        constexpr qint64 limitMs = 5000;
#else
        constexpr qint64 limitMs = 1000;
#endif
        QVERIFY2(fileMs < limitMs && stringMs < limitMs, "reading 100,000 lines took too long");
    }

    void longSingleLine()
    {
        // One line of 20 million characters, from a file and from a string.
        const qsizetype length = 20'000'000;
        QByteArray bytes;
        bytes.reserve(length + 16);
        bytes += "<Big>";
        bytes += QByteArray(length, 'x');
        bytes += "</Big>";
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("long"));
        QVERIFY(writeFile(path, bytes));
        QElapsedTimer timer;
        timer.start();
        const CXMLRef root = XMLModule::XMLLoad(path);
        qInfo("20 MB line read in %lld ms", timer.elapsed());
        QCOMPARE(root->Values.value(QStringLiteral("Big")).size(), length);

        auto fromString = std::make_shared<CXML>();
        fromString->loadFromString(QString::fromLatin1(bytes) + CR);
        QCOMPARE(fromString->Values.value(QStringLiteral("Big")).size(), length);
    }
};

QTEST_GUILESS_MAIN(TestCXMLForms)
#include "tst_cxmlforms.moc"
