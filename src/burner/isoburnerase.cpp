#include "burner/isoburnerase.h"

#include "burner/burnerlog.h"
#include "burner/drconstants.h"
#include "burner/drnotificationcenter.h"
#include "burner/isoburnc_p.h"
#include "burner/isoburndevice.h"

using namespace IsoburnC;

IsoburnErase::IsoburnErase(std::shared_ptr<IsoburnDevice> device)
    : m_device(std::move(device))
{
    connect(&m_timer, &QTimer::timeout, this, &IsoburnErase::poll);
}

IsoburnErase::~IsoburnErase() = default;

void IsoburnErase::Start()
{
    if (m_started)
        return;
    m_started = true;
    m_self = shared_from_this();
    post(kDRStatusStatePreparing, -1);
    QTimer::singleShot(0, this, &IsoburnErase::run);
}

void IsoburnErase::post(const QString& state, double percent, const CFDictionaryRef& error)
{
    CFMutableDictionaryRef status = CFMutableDictionary::create();
    status->setString(kDRStatusStateKey, state);
    status->setReal(kDRStatusPercentCompleteKey, percent);
    if (error)
        status->setValue(kDRErrorStatusKey, error);
    DRNotificationCenter::Post(kDREraseStatusChangedNotification, *this, status);
}

void IsoburnErase::run()
{
    QString why;
    if (const quint32 code = m_device->beginJob(&why))
        return fail(code, why);
    m_jobStarted = true;
    const MediaSnapshot media = m_device->reassess();
    if (!media.mediaPresent)
        return fail(DRError::MediaNotPresent, QStringLiteral("There is no disc in the burner."));
    if (!media.erasable)
        return fail(DRError::MediaNotErasable, QStringLiteral("The disc cannot be erased."));
    post(kDRStatusStateErasing, 0);

    if (m_device->isImage()) {
        // libburn's erase of a file only spoils the start of the first
        // session and keeps the length; the image is emptied instead, which
        // makes it blank and short again.
        if (!m_device->truncateImage(&why))
            return fail(DRError::EraseFailed, why);
        return finish();
    }
    // fast = 1: blank only the table of contents, as a quick erase does.
    isoburn_disc_erase(m_device->drive(), 1);
    m_timer.start(200);
}

void IsoburnErase::poll()
{
    burn_progress progress {};
    if (burn_drive_get_status(m_device->drive(), &progress) != BURN_DRIVE_IDLE) {
        // On blank, sectors is 0x10000 and sector counts up to it.
        if (progress.sectors > 0)
            post(kDRStatusStateErasing, std::clamp(static_cast<double>(progress.sector) / progress.sectors, 0.0, 1.0));
        return;
    }
    m_timer.stop();
    QString text = QStringLiteral("The disc could not be erased.");
    for (const Message& m : drainMessages())
        if (isFailureSeverity(m.severity) || m.severity == QLatin1String("SORRY"))
            text = m.text;
    if (burn_drive_wrote_well(m_device->drive()) != 1)
        return fail(DRError::EraseFailed, text);
    finish();
}

void IsoburnErase::finish()
{
    m_ended = true;
    post(kDRStatusStateDone, 1.0);
    m_device->endJob(false);
    end();
}

void IsoburnErase::fail(quint32 code, const QString& text)
{
    if (m_ended)
        return;
    m_ended = true;
    qCWarning(lcBurner).noquote() << "erase failed:" << Qt::hex << code << text;
    CFMutableDictionaryRef error = CFMutableDictionary::create();
    error->setNumber(kDRErrorStatusErrorKey, static_cast<qint32>(code));
    error->setString(kDRErrorStatusErrorStringKey, text);
    post(kDRStatusStateFailed, -1, error);
    if (m_jobStarted)
        m_device->endJob(false);
    end();
}

void IsoburnErase::end()
{
    QTimer::singleShot(0, [self = std::move(m_self)]() {});
}
