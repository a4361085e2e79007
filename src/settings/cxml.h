#pragma once

// CXML: one node of the settings tree. A node holds text values under string
// keys and an ordered list of named child nodes (its containers). Typed
// accessors convert integers, doubles, booleans and dates to text and back, so
// every value is stored, compared and written as text.
//
// Two persistent forms: an indented tag text (one element per line) and an XML
// property list (every node a dictionary, every value a string). Files and
// strings are told apart by their first 38 characters: the XML declaration
// means property list, anything else the text form.
//
// Modes: a node in text mode (IsPlist false) stores string values escaped
// ("<" as "&#60;", ">" as "&#62;"), the form the text file holds; a node in
// property-list mode stores them as they are. SaveToPlist switches a subtree
// to property-list mode.
//
// Ownership: nodes are shared (CXMLRef). A node owns its values and its child
// nodes; `parent` is a non-owning back reference that reads as null once the
// parent is destroyed. A node is neither copyable nor movable (Clone makes a
// deep copy).
//
// Keys, names and the comparison with "True" are case-sensitive.
//
// Main thread only. The text writers share XMLModule::XMLIndent(), so two
// text saves must not run at once.

#include "settings/cfobject.h"
#include "settings/date.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QTextStream;
class CXML;
using CXMLRef = std::shared_ptr<CXML>;

class CXML
{
public:
    // A string-keyed dictionary of texts that keeps its keys in insertion
    // order (a replaced value keeps its place), with hashed lookups.
    class ValueDictionary
    {
    public:
        using Entry = std::pair<QString, QString>;

        [[nodiscard]] bool contains(const QString& key) const { return m_index.contains(key); }
        // nullptr when the key is absent; valid until the next change.
        [[nodiscard]] const QString* find(const QString& key) const;
        // The text, or the empty text when the key is absent.
        [[nodiscard]] QString value(const QString& key) const;
        void insert(const QString& key, const QString& text);
        // Answers whether the key was there.
        bool remove(const QString& key);
        void clear();
        [[nodiscard]] qsizetype count() const { return qsizetype(m_entries.size()); }
        [[nodiscard]] bool isEmpty() const { return m_entries.empty(); }
        [[nodiscard]] QStringList keys() const;
        [[nodiscard]] const std::vector<Entry>& entries() const { return m_entries; }

    private:
        std::vector<Entry> m_entries;
        QHash<QString, qsizetype> m_index;
    };

    // A non-owning reference to a node that reads as null once that node is
    // destroyed (each node carries a small shared anchor that it clears in its
    // destructor), so a removed or cloned node never points at a dead parent.
    class NodeLink
    {
    public:
        NodeLink() = default;
        NodeLink(const CXML* node); // implicit, so that "child->parent = this" reads naturally
        NodeLink& operator=(const CXML* node);
        [[nodiscard]] CXML* get() const { return m_anchor ? *m_anchor : nullptr; }
        CXML* operator->() const { return get(); }
        explicit operator bool() const { return get() != nullptr; }
        friend bool operator==(const NodeLink& a, const CXML* b) { return a.get() == b; }

    private:
        std::shared_ptr<CXML*> m_anchor;
    };

    // An empty node in text mode.
    CXML();
    // An empty node; in property-list mode with a new, empty RootPlistDictionary when isPlist is true.
    explicit CXML(bool isPlist);
    // A node in property-list mode with that name and parent (it does not add
    // itself to the parent's Containers). With a dictionary it parses it at
    // once into values and children; with nullptr it gets a new, empty one.
    CXML(CFMutableDictionaryRef dictionary, const QString& name, const CXML* parentNode);
    ~CXML();
    CXML(const CXML&) = delete;
    CXML& operator=(const CXML&) = delete;

    // Values. A missing key gives the empty text, 0, false, nullopt or the default.
    [[nodiscard]] QString GetStringValue(const QString& key) const;
    [[nodiscard]] QString GetStringValue(const QString& key, const QString& defaultValue) const;
    void SetStringValue(const QString& key, const QString& text);
    // The number the text begins with, truncated toward zero, clamped to 32 bits.
    [[nodiscard]] qint32 GetIntegerValue(const QString& key) const;
    [[nodiscard]] qint32 GetIntegerValue(const QString& key, qint32 defaultValue) const;
    void SetIntegervalue(const QString& key, qint32 value);
    [[nodiscard]] double GetDoubleValue(const QString& key) const;
    [[nodiscard]] double GetDoubleValue(const QString& key, double defaultValue) const;
    // At most ten decimals, no trailing zeros, no grouping ("0.5", "3", "-2.25").
    void SetDoubleValue(const QString& key, double value);
    // True only for the exact text "True".
    [[nodiscard]] bool GetBooleanValue(const QString& key) const;
    [[nodiscard]] bool getBooleanValue(const QString& key, bool defaultValue) const;
    [[nodiscard]] bool GetBooleanValue(const QString& key, bool defaultValue) const { return getBooleanValue(key, defaultValue); }
    void SetBooleanValue(const QString& key, bool value);
    // Stored as "M/D/YYYY H:M:S" (24-hour clock, no leading zeros); nullopt removes the key.
    void SetDate(const QString& key, const std::optional<Date>& date);
    [[nodiscard]] std::optional<Date> getDate(const QString& key) const;
    [[nodiscard]] Date getDate(const QString& key, const Date& defaultValue) const;
    void removeObject(const QString& key);

    // Containers, addressed by name and an ordinal counting from 1 among the
    // children of that name.
    [[nodiscard]] CXMLRef GetContainer(const QString& name, qint32 ordinal) const;
    [[nodiscard]] qint32 GetContainerCount(const QString& name) const;
    // Appends the child (nullptr is ignored) and makes this node its parent.
    void InsertContainer(const CXMLRef& child);
    void removeContainer(const QString& name, qint32 ordinal);
    void removeContainer(const CXMLRef& child);
    void ReplaceContainer(const QString& name, qint32 ordinal, const CXMLRef& child);
    // A deep copy with the same Name, parent (the copy is not added to the
    // parent), mode, ValueBuffer and values; copied children point at the copy.
    [[nodiscard]] CXMLRef Clone() const;
    // Four spaces per level of XMLModule::XMLIndent().
    [[nodiscard]] static QString GetIndent();

    // The text form. The stream is not owned and is used only during load();
    // inStream is null again when load() returns.
    void load(QTextStream* stream, const CXML* parentNode);
    void LoadObject();
    [[nodiscard]] QString GetNextLine();
    // Writes the subtree in the text form, lines ending in a carriage return.
    void Save(QTextStream& out);

    // Either form, by the first characters / bytes.
    [[nodiscard]] QString SaveToString();
    void loadFromString(const QString& text);
    void loadFromFile(const QString& path, const CXML* parentNode);
    // Replaces the file atomically (a temporary file renamed over it); on any
    // failure the user is told and the old file stays as it was. Answers success.
    bool SaveToFile(const QString& path);

    // The property-list form.
    void ParsePlist();
    void SaveToPlist();

    // Deepest nesting the readers build; deeper text-form content is kept as
    // the value text of the element at this depth, deeper property-list
    // dictionaries are dropped.
    static constexpr int MaxDepth = 64;

    QList<CXMLRef> Containers;
    ValueDictionary Values;
    QTextStream* inStream = nullptr;
    bool EndOfFile = false;
    std::deque<QString> ValueBuffer;
    NodeLink parent;
    QString Name;
    QStringList NewLineBuffer;
    QString inStringBuffer;
    bool LoadingFromString = false;
    // Index just past the last line end consumed in LoadFromStringBuffer
    // (the 1-based position of that line end's last character); 0 before the first line.
    qsizetype ReadFromStringIndex = 0;
    QString LoadFromStringBuffer;
    qint32 loadFromStringHelper = 0;
    qint32 LoadFromStringOffset = 0;
    qsizetype LoadFromStringLength = 0;
    bool IsPlist = false;
    CFMutableDictionaryRef RootPlistDictionary;
    QString LastArrayName;
    CFMutableArrayRef LastArray;

private:
    [[nodiscard]] qsizetype containerIndex(const QString& name, qint32 ordinal) const;
    [[nodiscard]] bool nextStreamLine(QString& line);
    void loadLines();
    void parseDictionary(const CFDictionary& dictionary);
    void saveToPlistUnder(CXML* parentNode);
    void appendTextForm(QString& out, const QString& lineEnd, bool blankLineAfterChild) const;

    std::shared_ptr<CXML*> m_anchor;
    // Nesting depth below the node a read started at (0 for that node).
    int m_depth = 0;
    // Decoded text read ahead from inStream, and the read position in it.
    QString m_streamBuffer;
    qsizetype m_streamPos = 0;
    qsizetype m_streamScanned = 0;
    bool m_skipLineFeed = false;
};
