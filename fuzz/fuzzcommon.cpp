#include "fuzzcommon.h"
#include "fuzztargets.h"

#include "settings/usermessage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace KestrowFuzz
{

namespace
{

    std::unique_ptr<QTemporaryDir>& scratch()
    {
        static std::unique_ptr<QTemporaryDir> dir;
        return dir;
    }

    int& messageCount()
    {
        static int count = 0;
        return count;
    }

    // Qt's warnings about bad input would flood the fuzzer's output; fatal
    // messages still end the run.
    void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
            std::abort();
        }
    }

} // namespace

void initialize()
{
    if (scratch())
        return;
    qInstallMessageHandler(quietMessages);
    UserMessage::setHandler([](const QString&) { ++messageCount(); });
    scratch() = std::make_unique<QTemporaryDir>();
    if (!scratch()->isValid())
        fail("cannot make a temporary folder", scratch()->errorString());
    // The preferences folder of every reader that looks for one (read through
    // QStandardPaths, which honours the variable on every call).
    const QString config = scratch()->filePath(QStringLiteral("config"));
    if (!QDir().mkpath(config))
        fail("cannot make the preferences folder", config);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
    // The folder is removed at exit, also when libFuzzer ends the run.
    std::atexit([] { scratch().reset(); });
}

QByteArray bytesOf(const std::uint8_t* data, std::size_t size) { return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)); }

int messagesShown() { return messageCount(); }

QString scratchPath(const QString& name)
{
    if (!scratch())
        fail("initialize() was not called");
    return scratch()->filePath(name);
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("cannot write the input file", path + QStringLiteral(": ") + file.errorString());
}

void fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "fuzz target: %s%s%s\n", what, detail.isEmpty() ? "" : ": ", qPrintable(detail));
    std::abort();
}

} // namespace KestrowFuzz
