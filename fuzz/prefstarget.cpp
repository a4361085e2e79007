// Another application's preference file.

#include "fuzzcommon.h"
#include "fuzztargets.h"

#include "photobackup/prefsmod.h"

namespace KestrowFuzz
{

int prefsMod(const std::uint8_t* data, std::size_t size)
{
    const QString appID = QStringLiteral("com.apple.iPhoto");
    writeFile(PrefsMod::PreferencesFile(appID), bytesOf(data, size));
    QString error;
    if (!PrefsMod::InitPreferences(appID, &error)) {
        if (error.isEmpty())
            fail("a preference file was refused without a reason");
        if (!PrefsMod::PrefItems().isEmpty())
            fail("a refused preference file left items behind");
        return 0;
    }
    for (auto it = PrefsMod::PrefItems().constBegin(); it != PrefsMod::PrefItems().constEnd(); ++it)
        (void)PrefsMod::GetPrefString(it.key(), QString());
    (void)PrefsMod::GetPrefString(QStringLiteral("RootDirectory"), QString());
    return 0;
}

} // namespace KestrowFuzz
