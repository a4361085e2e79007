#include "burner/discnames.h"

#include "burner/drfolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

#include <functional>

namespace DiscNames
{

namespace
{

bool jolietAllowed(QChar c)
{
    return c.unicode() >= 0x20 && c != u'*' && c != u'/' && c != u':' && c != u';' && c != u'?' && c != u'\\';
}

QString jolietChars(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        out += jolietAllowed(c) ? c : QChar(u'_');
    return out;
}

struct Walker {
    int maxChars;
    QVector<Change> changes;

    // One item under a parent whose path
    // is parentPath and whose Joliet path has jolietLength characters.
    void item(const QString& name, bool folder, const QString& parentPath, int jolietLength, const std::function<void(const QString&, int)>& descend)
    {
        const QString path = parentPath.isEmpty() ? name : parentPath + u'/' + name;
        const QString rr = rockRidgeName(name);
        // libisofs makes the Joliet name from the node's (cut) name.
        const QString joliet = jolietName(rr, folder, maxChars);
        // libisofs counts a Joliet path in bytes: two per UTF-16 character
        // and one per separator.
        const int jolietPath = jolietLength + 1 + 2 * static_cast<int>(joliet.size());
        if (rr != name)
            changes.append({ path, rr });
        else if (joliet != name)
            changes.append({ path, joliet });
        if (jolietPath > JolietPathLength) {
            changes.append({ path, QStringLiteral("(left out of the Windows names: the path is too long)") });
            return;
        }
        if (folder)
            descend(path, jolietPath);
    }

    void disk(const QString& source, const QString& path, int jolietLength)
    {
        const QFileInfoList entries
            = QDir(source).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name | QDir::DirsFirst);
        for (const QFileInfo& entry : entries) {
            const bool folder = entry.isDir() && !entry.isSymLink();
            item(entry.fileName(), folder, path, jolietLength, [&](const QString& p, int j) { disk(entry.filePath(), p, j); });
        }
    }

    void items(const QVector<DRFSObjectRef>& list, const QString& path, int jolietLength)
    {
        for (const DRFSObjectRef& object : list) {
            if (!object)
                continue;
            const bool folder = object->isFolder();
            item(object->baseName(), folder, path, jolietLength, [&](const QString& p, int j) {
                if (object->isVirtual())
                    items(static_cast<const DRFolder*>(object.get())->children(), p, j);
                else
                    disk(object->sourcePath(), p, j);
            });
        }
    }
};

// At most length characters: the start and the end of the text (where a cut
// name differs) with "…" between, so that each change keeps to one line.
QString elideMiddle(const QString& text, int length)
{
    if (text.size() <= length)
        return text;
    const int tail = (length - 1) / 2;
    return text.left(length - 1 - tail) + QStringLiteral("\u2026") + text.right(tail);
}

} // namespace

QString jolietName(const QString& name, bool folder, int maxChars)
{
    const qsizetype dot = folder ? -1 : name.lastIndexOf(u'.');
    if (dot < 0 || dot == name.size() - 1)
        return jolietChars(QStringView(name).left(maxChars));
    const qsizetype nameLength = dot;
    const qsizetype extLength = name.size() - dot - 1;
    if (name.size() <= maxChars + 1)
        return jolietChars(name);
    // The whole is cut to maxChars characters plus the dot: the extension
    // gives way down to three characters, then the name part is cut.
    const qsizetype keepExt = extLength > 3 ? (nameLength < maxChars - 3 ? maxChars - nameLength : 3) : extLength;
    const qsizetype keepName = maxChars - keepExt;
    return jolietChars(QStringView(name).left(keepName)) + u'.' + jolietChars(QStringView(name).mid(dot + 1, keepExt));
}

QString rockRidgeName(const QString& name)
{
    const QByteArray bytes = name.toUtf8();
    if (bytes.size() <= RockRidgeNameBytes)
        return name;
    // 33 bytes go to ":" and the 32 hex digits.
    QByteArray kept = bytes.left(RockRidgeNameBytes - 33);
    // A character cut at the end: its leading bytes become "_".
    qsizetype start = kept.size();
    while (start > 0 && (static_cast<uchar>(kept.at(start - 1)) & 0xC0) == 0x80)
        --start;
    if (start > 0 && (static_cast<uchar>(kept.at(start - 1)) & 0x80)) {
        const uchar lead = static_cast<uchar>(kept.at(start - 1));
        const qsizetype length = (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 1;
        const qsizetype have = kept.size() - (start - 1);
        if (have < length) {
            for (qsizetype i = start - 1; i < kept.size(); ++i)
                kept[i] = '_';
        }
    }
    const QByteArray md5 = QCryptographicHash::hash(bytes.left(4095), QCryptographicHash::Md5).toHex();
    return QString::fromUtf8(kept) + u':' + QString::fromLatin1(md5);
}

QString volumeName(const QString& name)
{
    QByteArray id;
    int characters = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const int width = (name.at(i).isHighSurrogate() && i + 1 < name.size()) ? 2 : 1;
        const QByteArray piece = name.mid(i, width).toUtf8();
        if (id.size() + piece.size() > VolumeNameBytes || characters + width > VolumeNameCharacters)
            break;
        id += piece;
        characters += width;
        i += width - 1;
    }
    return QString::fromUtf8(id);
}

QVector<Change> check(const QString& volume, const QVector<DRFSObjectRef>& items, int maxChars)
{
    Walker walker { maxChars, {} };
    const QString onDisc = volumeName(volume);
    if (onDisc != volume)
        walker.changes.append({ volume, onDisc });
    walker.items(items, QString(), 0);
    return walker.changes;
}

QString warningText(const QVector<Change>& changes)
{
    constexpr int kShown = 10;
    QString text = QStringLiteral("Some names are too long for the disc and will be changed there. Linux reads the full names (Rock Ridge), "
                                  "except names longer than 255 bytes; Windows reads names of at most 64 characters (Joliet), and the volume name keeps "
                                  "16 characters:\n");
    for (qsizetype i = 0; i < changes.size() && i < kShown; ++i)
        text += QStringLiteral("\n") + elideMiddle(changes[i].path.section(u'/', -1), 32) + QStringLiteral(" \u2192 ") + elideMiddle(changes[i].onDisc, 32);
    if (changes.size() > kShown)
        text += QStringLiteral("\nand %1 more").arg(changes.size() - kShown);
    return text;
}

} // namespace DiscNames
