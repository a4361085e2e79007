#include "burner/ccallback.h"

CCallBack::CCallBack(QObject* parent)
    : QObject(parent)
{
    // Lets a receiver connect with a queued connection too.
    qRegisterMetaType<CFDictionaryRef>("CFDictionaryRef");
}

void CCallBack::CBGotMedia(const QString& name, const CFDictionaryRef& info)
{
    Q_EMIT EMediaReady(name, info);
}
