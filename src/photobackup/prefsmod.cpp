#include "photobackup/prefsmod.h"

#include "settings/propertylist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace PrefsMod {

namespace {

    struct State {
        QString appID;
        QVariantHash items;
    };

    State& state()
    {
        static State s;
        return s;
    }

    // Preference files are small; anything this large is not one, and reading
    // it whole would only waste memory.
    constexpr qint64 MaxPreferenceFileSize = 64 * 1024 * 1024;

    // The plain value of a number, boolean or string; an invalid QVariant for
    // every other kind (and for null, which a binary list may hold).
    QVariant plainValue(const CFObjectRef& value)
    {
        if (const auto number = cf_cast<CFNumber>(value))
            return QVariant::fromValue<qint32>(number->toInt32());
        if (const auto boolean = cf_cast<CFBoolean>(value))
            return QVariant(boolean->value());
        if (const auto string = cf_cast<CFString>(value))
            return QVariant(string->value());
        return {};
    }

} // namespace

const QString& AppID() { return state().appID; }

const QVariantHash& PrefItems() { return state().items; }

QString PreferencesFile(const QString& appID)
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath(appID + QStringLiteral(".plist"));
}

bool InitPreferences(const QString& appID, QString* error)
{
    State& s = state();
    s.appID = appID;
    s.items = QVariantHash();

    const QString path = PreferencesFile(appID);
    const QFileInfo info(path);
    if (!info.exists())
        return true;

    auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!info.isFile() || info.size() > MaxPreferenceFileSize)
        return fail(QStringLiteral("%1 is not a preference file").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("%1: %2").arg(path, file.errorString()));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("%1: %2").arg(path, file.errorString()));

    QString parseError;
    const auto root = cf_cast<CFDictionary>(PropertyList::fromData(data, &parseError));
    if (!root)
        return fail(QStringLiteral("%1: %2").arg(path, parseError.isEmpty() ? QStringLiteral("not a dictionary") : parseError));

    QVariantHash items;
    items.reserve(root->count());
    for (qsizetype i = 0; i < root->count(); ++i) {
        const auto& [key, value] = root->entryAt(i);
        if (const auto dictionary = cf_cast<CFDictionary>(value)) {
            items.insert(key, ConvertCFDictionary(dictionary));
            continue;
        }
        const QVariant plain = plainValue(value);
        if (plain.isValid())
            items.insert(key, plain);
    }
    s.items = std::move(items);
    return true;
}

QString GetPrefString(const QString& key, const QString& defaultValue)
{
    const auto it = state().items.constFind(key);
    if (it == state().items.constEnd())
        return defaultValue;
    if (it->typeId() == QMetaType::Bool)
        return it->toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return it->toString();
}

CFStringRef CFStr(const QString& text) { return CFString::create(text); }

QVariantHash ConvertCFDictionary(const CFDictionaryRef& dictionary)
{
    QVariantHash result;
    if (!dictionary)
        return result;
    // Keys of this object layer are always text, so the key needs no
    // conversion; only the values are told apart by kind.
    for (qsizetype i = 0; i < dictionary->count(); ++i) {
        const auto& [key, value] = dictionary->entryAt(i);
        const QVariant plain = plainValue(value);
        if (plain.isValid())
            result.insert(key, plain);
    }
    return result;
}

} // namespace PrefsMod
