#pragma once

// The names a session's items get on the disc, computed with the same rules
// the burner layer's libisofs applies, so that the user can be told before a
// burn which names the disc cannot hold as they are. Pure functions, any
// thread (the folder walk reads the file system).
//
// The layer writes three trees: Rock Ridge (what Linux reads: full names up to
// 255 bytes, any depth), Joliet (what Windows reads) and plain ISO 9660.
// Joliet is written without libisofs's longer-names option, so a Joliet name
// keeps 64 UTF-16 characters (103 with that option, which some readers do not
// take and the layer does not use).

#include "burner/drfsobject.h"

#include <QString>
#include <QVector>

namespace DiscNames
{

// Joliet characters per name as the layer writes them, and with the
// longer-names option.
inline constexpr int JolietNameLength = 64;
inline constexpr int JolietLongNameLength = 103;
// Bytes of a Rock Ridge name; longer ones are cut.
inline constexpr int RockRidgeNameBytes = 255;
// Length of a whole Joliet path as libisofs counts it (two bytes per UTF-16
// character, one per "/"); an item with a longer path is left out of the
// Joliet tree, and what is inside it with it.
inline constexpr int JolietPathLength = 240;
// Folders deeper than the 8 levels of ISO 9660 are no change: libisoburn
// writes them in place in all three trees (it relaxes that rule by default).
// Bytes of the volume name: libisofs cuts longer ones; the layer also keeps
// to 16 characters so that the Joliet volume name is the same text.
inline constexpr int VolumeNameBytes = 32;
inline constexpr int VolumeNameCharacters = 16;

// A name in the Joliet tree: characters Joliet does not allow (* / : ; ?,
// the backslash and control characters) become "_"; a folder's name and a file name
// without extension are cut to maxChars; a file name with an extension keeps
// up to maxChars + 1 characters with its dot, and when longer the name part
// is cut first, keeping at least three characters of the extension.
[[nodiscard]] QString jolietName(const QString& name, bool folder, int maxChars = JolietNameLength);
// A name in the Rock Ridge tree: unchanged up to 255 bytes (UTF-8); a longer
// one keeps its first 222 bytes (a character cut there has its bytes
// replaced by "_"), then ":" and the MD5 of the whole name (its first 4095
// bytes) in hex.
[[nodiscard]] QString rockRidgeName(const QString& name);
// The volume name on the disc (both ISO 9660 and Joliet).
[[nodiscard]] QString volumeName(const QString& name);

struct Change {
    QString path; // "/"-separated from the disc's root; the volume name alone for the volume
    QString onDisc; // the name on the disc, or what happens to the item
    bool operator==(const Change&) const = default;
};

// Every item of the session whose name or place the disc cannot keep as it
// is, the volume name first, then the items in order, folders before their
// content. Real folders are walked on the disk (links are not followed, as
// the burner layer does not follow them). maxChars is the Joliet name length.
[[nodiscard]] QVector<Change> check(const QString& volumeName, const QVector<DRFSObjectRef>& items, int maxChars = JolietNameLength);

// The warning for a non-empty list: what is changed, up to ten lines
// "old name → name on the disc" (the item's own name, not its folders; each
// side shortened in the middle to 32 characters), "and N more", and that
// Linux keeps the full names.
[[nodiscard]] QString warningText(const QVector<Change>& changes);

} // namespace DiscNames
