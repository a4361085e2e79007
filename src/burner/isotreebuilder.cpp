#include "burner/isotreebuilder_p.h"

#include "burner/discnames.h"
#include "burner/drfolder.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace IsoTreeBuilder {

namespace {
QString describe(int code)
{
    return QString::fromLocal8Bit(iso_error_to_msg(code));
}

bool taken(IsoDir* parent, const QByteArray& name)
{
    IsoNode* existing = nullptr;
    return iso_dir_get_node(parent, name.constData(), &existing) == 1;
}
} // namespace

// "name (n)", the name cut (at a character boundary) so that the whole
// keeps within the 255 bytes of a Rock Ridge name; libisofs would mangle a
// longer one.
static QString numbered(const QString& name, int n)
{
    const QString suffix = QStringLiteral(" (%1)").arg(n);
    qsizetype keep = name.size();
    while (keep > 0 && QFile::encodeName(QStringView(name).left(keep).toString() + suffix).size() > 255)
        keep -= (keep >= 2 && name.at(keep - 1).isLowSurrogate()) ? 2 : 1;
    return name.left(keep) + suffix;
}

QString freeName(IsoDir* parent, const QString& name)
{
    QString candidate = name;
    for (int n = 2; taken(parent, QFile::encodeName(candidate)); ++n)
        candidate = numbered(name, n);
    return candidate;
}

QByteArray volumeID(const QString& name)
{
    QByteArray id;
    int characters = 0;
    for (int i = 0; i < name.size(); ++i) {
        // Keep surrogate pairs together.
        const int width = (name.at(i).isHighSurrogate() && i + 1 < name.size()) ? 2 : 1;
        const QByteArray piece = name.mid(i, width).toUtf8();
        if (id.size() + piece.size() > 32 || characters + width > 16)
            break;
        id += piece;
        characters += width;
        i += width - 1;
    }
    return id;
}

bool addItems(IsoImage* image, IsoDir* parent, const QVector<DRFSObjectRef>& items, QString* error)
{
    for (const DRFSObjectRef& item : items) {
        if (!item)
            continue;
        // libisofs refuses a name over 255 bytes ("Rock Ridge leaf name too
        // long") and with it the whole session: cut it the way its own
        // truncation does, which is also what the name check announced.
        const QByteArray name = QFile::encodeName(freeName(parent, DiscNames::rockRidgeName(item->baseName())));
        if (item->isVirtual()) {
            IsoDir* dir = nullptr;
            const int r = iso_tree_add_new_dir(parent, name.constData(), &dir);
            if (r < 0) {
                *error = QStringLiteral("The folder \"%1\" could not be added: %2").arg(item->baseName(), describe(r));
                return false;
            }
            const auto* folder = static_cast<const DRFolder*>(item.get());
            if (!addItems(image, dir, folder->children(), error))
                return false;
            continue;
        }

        const QFileInfo source(item->sourcePath());
        if (!source.exists() || !source.isReadable()) {
            // Say why: gone, a link that leads nowhere or in a loop, or no
            // permission.
            struct stat st {};
            const QByteArray raw = QFile::encodeName(item->sourcePath());
            const int why = ::stat(raw.constData(), &st) != 0 ? errno : (::access(raw.constData(), R_OK) != 0 ? errno : 0);
            *error = why ? QStringLiteral("The item \"%1\" cannot be read: %2.").arg(item->sourcePath(), QString::fromLocal8Bit(std::strerror(why)))
                         : QStringLiteral("The item \"%1\" cannot be read.").arg(item->sourcePath());
            return false;
        }
        const QByteArray path = QFile::encodeName(item->sourcePath());
        IsoNode* node = nullptr;
        int r = iso_tree_add_new_node(image, parent, name.constData(), path.constData(), &node);
        if (r < 0) {
            *error = QStringLiteral("The item \"%1\" could not be added: %2").arg(item->sourcePath(), describe(r));
            return false;
        }
        // A real folder: the new (empty) folder node takes the whole content
        // from the disk. Being new, nothing in it can clash.
        if (source.isDir() && iso_node_get_type(node) == LIBISO_DIR) {
            r = iso_tree_add_dir_rec(image, reinterpret_cast<IsoDir*>(node), path.constData());
            if (r < 0) {
                *error = QStringLiteral("The folder \"%1\" could not be added: %2").arg(item->sourcePath(), describe(r));
                return false;
            }
        }
    }
    return true;
}

} // namespace IsoTreeBuilder
