#include "settings/usermessage.h"

#include <QDebug>

namespace UserMessage {

namespace {
Handler& currentHandler()
{
    static Handler handler;
    return handler;
}
} // namespace

void show(const QString& text)
{
    if (const Handler& handler = currentHandler())
        handler(text);
    else
        qWarning().noquote() << text;
}

Handler setHandler(Handler handler)
{
    Handler previous = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return previous;
}

} // namespace UserMessage
