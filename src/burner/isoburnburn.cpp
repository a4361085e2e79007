#include "burner/isoburnburn.h"

#include "burner/burnerlog.h"
#include "burner/drconstants.h"
#include "burner/drnotificationcenter.h"
#include "burner/isoburnc_p.h"
#include "burner/isoburndevice.h"
#include "burner/isotreebuilder_p.h"

#include <QRegularExpression>

using namespace IsoburnC;

namespace {
// Blocks read per step of the read-back check (8 MiB).
constexpr int kVerifyBlocksPerStep = 4096;
// How often the write thread is looked at.
constexpr int kPollMilliseconds = 100;
// How long a failed or cancelled write's worker is given to end.
constexpr int kSettleMilliseconds = 1000;
// How often at least the progress of a write is reported with its numbers,
// and the shortest time a speed is measured over.
constexpr int kDetailMilliseconds = 1000;
constexpr int kMinimumSpeedSampleMilliseconds = 400;

struct Md5Deleter {
    void operator()(void* context) const
    {
        char ignored[16];
        iso_md5_end(&context, ignored);
    }
};
using Md5Ptr = std::unique_ptr<void, Md5Deleter>;
} // namespace

// The C objects of one burn, released in the order the libraries want:
// the write options and disc after the write thread ended, then the image.
struct IsoburnBurn::State {
    ImagePtr image;
    ImageOptsPtr imageOpts;
    DiscPtr disc;
    WriteOptsPtr writeOpts;
    bool prepared = false; // isoburn_prepare_disc ran
    bool writeStarted = false;
    int sessionBlocks = 0;
    // read-back check
    Md5Ptr md5;
    quint32 verifyStart = 0;
    quint32 verifyNext = 0;
    quint32 verifyEnd = 0;
    char expectedMd5[16] = {};
    QByteArray buffer;
};

IsoburnBurn::IsoburnBurn(std::shared_ptr<IsoburnDevice> device)
    : m_device(std::move(device))
    , d(std::make_unique<State>())
{
    connect(&m_timer, &QTimer::timeout, this, &IsoburnBurn::poll);
}

IsoburnBurn::~IsoburnBurn() = default;

void IsoburnBurn::WriteLayout(const DRFilesystemTrackRef& track)
{
    // A burn object writes once; a retry uses a new one.
    if (m_step != Step::Idle || !track)
        return;
    m_track = track;
    m_self = shared_from_this();
    const CFDictionaryRef props = Properties();
    const CFBooleanRef appendable = props->booleanValue(kDRBurnAppendableKey);
    m_appendable = !appendable || appendable->value();
    const CFBooleanRef verify = props->booleanValue(kDRBurnVerifyDiscKey);
    m_verify = verify && verify->value();
    const CFBooleanRef testing = props->booleanValue(kDRBurnTestingKey);
    m_testing = testing && testing->value();
    const CFStringRef action = props->stringValue(kDRBurnCompletionActionKey);
    m_eject = action && action->value() == kDRBurnCompletionActionEject;

    m_step = Step::Preparing;
    post(kDRStatusStatePreparing, -1);
    QTimer::singleShot(0, this, &IsoburnBurn::prepare);
}

void IsoburnBurn::Abort()
{
    if (m_step == Step::Idle || m_step == Step::Ended)
        return;
    m_abortRequested = true;
    if (m_step == Step::Writing) {
        burn_drive_cancel(m_device->drive());
    } else if (m_step == Step::Verifying) {
        m_timer.stop();
        fail(DRError::UserCanceled, QStringLiteral("The burn was cancelled."));
    }
}

void IsoburnBurn::post(const QString& state, double percent)
{
    CFMutableDictionaryRef status = CFMutableDictionary::create();
    status->setString(kDRStatusStateKey, state);
    status->setReal(kDRStatusPercentCompleteKey, percent);
    DRNotificationCenter::Post(kDRBurnStatusChangedNotification, *this, status);
}

void IsoburnBurn::postWriting(double fraction, qint64 sector, qint64 sectors)
{
    CFMutableDictionaryRef status = CFMutableDictionary::create();
    status->setString(kDRStatusStateKey, kDRStatusStateTrackWrite);
    status->setReal(kDRStatusPercentCompleteKey, fraction);
    // libburn counts 2048-byte sectors of the session being written.
    status->setReal(kKestrowStatusBytesWrittenKey, static_cast<double>(sector) * 2048);
    status->setReal(kKestrowStatusBytesTotalKey, static_cast<double>(sectors) * 2048);
    // The speed over the time since the last sample; the first report of a
    // write has nothing to compare with and carries no speed.
    if (m_speedClock.isValid() && sector >= m_lastSector) {
        const qint64 ms = m_speedClock.elapsed();
        if (ms >= kMinimumSpeedSampleMilliseconds) {
            m_lastSpeed = static_cast<double>(sector - m_lastSector) * 2048 / ms; // bytes per ms = kB/s
            m_lastSector = sector;
            m_speedClock.restart();
        }
    } else {
        m_lastSector = sector;
        m_speedClock.start();
    }
    if (m_lastSpeed >= 0)
        status->setReal(kKestrowStatusCurrentSpeedKey, m_lastSpeed);
    DRNotificationCenter::Post(kDRBurnStatusChangedNotification, *this, status);
}

void IsoburnBurn::prepare()
{
    if (m_abortRequested)
        return fail(DRError::UserCanceled, QStringLiteral("The burn was cancelled."));
    QString why;
    if (const quint32 code = m_device->beginJob(&why))
        return fail(code, why);
    m_jobStarted = true;
    drainMessages();

    const MediaSnapshot media = m_device->reassess();
    if (!media.mediaPresent)
        return fail(DRError::MediaNotPresent, QStringLiteral("There is no disc in the burner."));
    if (!media.appendable)
        return fail(DRError::MediaNotWritable, QStringLiteral("The disc is closed or full and cannot take another session."));
    burn_drive* drive = m_device->drive();

    // Import the tree of the last session, so that the new session shows
    // every file ever burned.
    isoburn_read_opts* rawReadOpts = nullptr;
    isoburn_ropt_new(&rawReadOpts, 0);
    ReadOptsPtr readOpts(rawReadOpts);
    // noacl, noea: take no ACLs or extended attributes from local files.
    isoburn_ropt_set_extensions(readOpts.get(), isoburn_ropt_noacl | isoburn_ropt_noea);
    IsoImage* rawImage = nullptr;
    if (isoburn_read_image(drive, readOpts.get(), &rawImage) <= 0 || !rawImage) {
        QString text = QStringLiteral("The earlier sessions of the disc cannot be read.");
        for (const Message& m : drainMessages())
            if (isFailureSeverity(m.severity) || m.severity == QLatin1String("SORRY"))
                text = m.text;
        return fail(DRError::MediaNotWritable, text);
    }
    d->image.reset(rawImage);
    drainMessages();

    const QByteArray volume = IsoTreeBuilder::volumeID(m_track->root()->baseName());
    iso_image_set_volume_id(d->image.get(), volume.constData());
    // The application-use field of the volume descriptor records a closed
    // disc: libburn keeps no closed state for a file, and the field travels
    // with the image.
    const QByteArray marker = m_appendable ? QByteArray() : IsoburnDevice::closedMarker();
    iso_image_set_app_use(d->image.get(), marker.constData(), static_cast<int>(marker.size()));

    QString error;
    if (!IsoTreeBuilder::addItems(d->image.get(), iso_image_get_root(d->image.get()), m_track->root()->children(), &error))
        return fail(DRError::SourceUnreadable, error);
    drainMessages();

    isoburn_imgen_opts* rawImageOpts = nullptr;
    isoburn_igopt_new(&rawImageOpts, 0);
    d->imageOpts.reset(rawImageOpts);
    // Level 3 lets a file be larger than 4 GiB - 1.
    isoburn_igopt_set_level(d->imageOpts.get(), 3);
    int extensions = isoburn_igopt_rockridge | isoburn_igopt_joliet;
    // MD5s are recorded only with AAIP in the session: the session MD5 for
    // the read-back check, file MD5s so that any reader can check files.
    if (m_verify)
        extensions |= isoburn_igopt_aaip | isoburn_igopt_session_md5 | isoburn_igopt_file_md5;
    isoburn_igopt_set_extensions(d->imageOpts.get(), extensions);

    burn_disc* rawDisc = nullptr;
    if (isoburn_prepare_disc(drive, &rawDisc, d->imageOpts.get()) <= 0 || !rawDisc) {
        QString text = QStringLiteral("The session cannot be prepared.");
        for (const Message& m : drainMessages())
            if (isFailureSeverity(m.severity) || m.severity == QLatin1String("SORRY"))
                text = m.text;
        return fail(DRError::BadLayout, text);
    }
    d->disc.reset(rawDisc);
    d->prepared = true;

    int sessions = 0;
    burn_session** sessionList = burn_disc_get_sessions(d->disc.get(), &sessions);
    int tracks = 0;
    burn_track** trackList = sessions > 0 ? burn_session_get_tracks(sessionList[0], &tracks) : nullptr;
    d->sessionBlocks = tracks > 0 ? burn_track_get_sectors(trackList[0]) : 0;
    // Refuse before writing: libburn does not check the size of a file's
    // free space and would fail part-way.
    if (d->sessionBlocks > media.blocksFree) {
        return fail(DRError::InsufficientSpace,
            QStringLiteral("The session needs %1 blocks but the disc has only %2 blocks free.").arg(d->sessionBlocks).arg(media.blocksFree));
    }

    d->writeOpts.reset(burn_write_opts_new(drive));
    burn_write_opts_set_multi(d->writeOpts.get(), m_appendable ? 1 : 0);
    burn_write_opts_set_simulate(d->writeOpts.get(), m_testing ? 1 : 0);
    burn_write_opts_set_underrun_proof(d->writeOpts.get(), 1);
    const CFNumberRef speed = Properties()->numberValue(kDRBurnRequestedSpeedKey);
    // Speeds are in 1000 bytes per second, as libburn's; its 0 means the
    // drive's fastest.
    const double kbps = speed ? speed->toDouble() : kDRDeviceBurnSpeedMax;
    const int requested = (kbps <= 0 || kbps >= kDRDeviceBurnSpeedMax) ? 0 : static_cast<int>(kbps + 0.5);
    burn_drive_set_speed(drive, 0, requested);

    post(kDRStatusStateSessionOpen, 0);
    post(kDRStatusStateTrackOpen, 0);
    // Starts libburn's and libisofs's threads and returns at once.
    isoburn_disc_write(d->writeOpts.get(), d->disc.get());
    d->writeStarted = true;
    m_step = Step::Writing;
    m_timer.start(kPollMilliseconds);
}

void IsoburnBurn::poll()
{
    if (m_step == Step::Verifying)
        return verifyChunk();
    if (m_step != Step::Writing)
        return;
    burn_drive* drive = m_device->drive();
    for (const Message& m : drainMessages()) {
        if (isSourceFileProblem(m) && m_sourceError.isEmpty()) {
            // libisofs fills an unreadable source with zeros and goes on;
            // the session must not be taken as good.
            m_sourceError = m.severity == QLatin1String("MISHAP") ? m.text : QStringLiteral("The file \"%1\" cannot be read.").arg(m.text);
            burn_drive_cancel(drive);
        } else if ((isFailureSeverity(m.severity) || m.severity == QLatin1String("SORRY")) && !isWriteCancelled(m) && m_lastLibraryText.isEmpty()) {
            // The first failure is the cause; what follows (the image
            // stream stopped, the run failed) only reports its effects.
            m_lastLibraryText = textWithSystemError(m);
            static const QRegularExpression sense(QStringLiteral("\\[([0-9A-Fa-f]+ [0-9A-Fa-f]+ [0-9A-Fa-f]+)\\]\\s*(.*)"));
            const QRegularExpressionMatch match = sense.match(m.text);
            if (match.hasMatch())
                m_lastSense = match.captured(2).isEmpty() ? match.captured(1) : match.captured(2);
        }
    }
    burn_progress progress {};
    if (burn_drive_get_status(drive, &progress) != BURN_DRIVE_IDLE) {
        if (progress.sectors > 0) {
            const double fraction = std::clamp(static_cast<double>(progress.sector) / progress.sectors, 0.0, 1.0);
            const int percent = static_cast<int>(fraction * 100);
            // A report at each new percent, and at least about once a second
            // while data move, so that the speed and time left stay current.
            const bool due = !m_speedClock.isValid() || m_speedClock.elapsed() >= kDetailMilliseconds;
            if (percent != m_lastPercent || (due && progress.sector != m_lastSector)) {
                m_lastPercent = percent;
                postWriting(fraction, progress.sector, progress.sectors);
            }
        }
        return;
    }
    m_timer.stop();
    if (isoburn_drive_wrote_well(drive) != 1 || !m_lastLibraryText.isEmpty() || !m_sourceError.isEmpty() || m_abortRequested) {
        // libburn reports the drive idle a moment before its write worker
        // of a failed or cancelled write has let go of the drive; releasing
        // the drive before that left the worker registered, and the next
        // burn on the image was refused. Give it time to finish.
        QTimer::singleShot(kSettleMilliseconds, this, &IsoburnBurn::afterWrite);
        return;
    }
    afterWrite();
}

void IsoburnBurn::afterWrite()
{
    burn_drive* drive = m_device->drive();
    for (const Message& m : drainMessages()) {
        if (isSourceFileProblem(m) && m_sourceError.isEmpty())
            m_sourceError = m.severity == QLatin1String("MISHAP") ? m.text : QStringLiteral("The file \"%1\" cannot be read.").arg(m.text);
        else if ((isFailureSeverity(m.severity) || m.severity == QLatin1String("SORRY")) && !isWriteCancelled(m) && m_lastLibraryText.isEmpty())
            m_lastLibraryText = textWithSystemError(m);
    }
    // A write that libburn refused to start, or that met a failure it did
    // not count against the drive, must not pass for a good one either.
    const bool wroteWell = isoburn_drive_wrote_well(drive) == 1 && m_lastLibraryText.isEmpty();
    if (!m_sourceError.isEmpty())
        return fail(DRError::SourceUnreadable, m_sourceError);
    if (m_abortRequested)
        return fail(DRError::UserCanceled, QStringLiteral("The burn was cancelled."));
    if (!wroteWell)
        return fail(DRError::WriteFailed, m_lastLibraryText.isEmpty() ? QStringLiteral("The session could not be written.") : m_lastLibraryText,
            m_lastSense);

    if (m_lastPercent < 100)
        postWriting(1.0, d->sessionBlocks, d->sessionBlocks);
    post(kDRStatusStateTrackClose, 1.0);
    post(kDRStatusStateSessionClose, 1.0);
    post(kDRStatusStateFinishing, 1.0);
    // Only now does the new session become the disc's last one. A test
    // burn wrote nothing, so there is nothing to make visible.
    if (!m_testing && isoburn_activate_session(drive) <= 0)
        return fail(DRError::WriteFailed, QStringLiteral("The new session could not be completed."));
    isoburn_sync_after_write(drive, nullptr, 0);
    d->prepared = false;
    drainMessages();
    d->writeOpts.reset();
    d->disc.reset();
    d->image.reset();
    m_device->reassess();

    if (m_verify && !m_testing)
        return startVerify();
    finish();
}

void IsoburnBurn::startVerify()
{
    burn_drive* drive = m_device->drive();
    isoburn_read_opts* rawReadOpts = nullptr;
    isoburn_ropt_new(&rawReadOpts, 0);
    ReadOptsPtr readOpts(rawReadOpts);
    isoburn_ropt_set_extensions(readOpts.get(), isoburn_ropt_noacl | isoburn_ropt_noea);
    IsoImage* rawImage = nullptr;
    if (isoburn_read_image(drive, readOpts.get(), &rawImage) <= 0 || !rawImage)
        return fail(DRError::VerifyFailed, QStringLiteral("The new session cannot be read back."));
    d->image.reset(rawImage);
    uint32_t start = 0;
    uint32_t end = 0;
    if (iso_image_get_session_md5(d->image.get(), &start, &end, d->expectedMd5, 0) != 1 || end <= start)
        return fail(DRError::VerifyFailed, QStringLiteral("The new session carries no checksum to verify."));
    d->image.reset();
    drainMessages();
    void* context = nullptr;
    if (iso_md5_start(&context) != 1)
        return fail(DRError::Internal, QStringLiteral("The checksum cannot be computed."));
    d->md5.reset(context);
    d->verifyStart = start;
    d->verifyNext = start;
    d->verifyEnd = end;
    d->buffer.resize(kVerifyBlocksPerStep * 2048);
    m_step = Step::Verifying;
    post(kDRStatusStateVerifying, 0);
    m_timer.start(0);
}

void IsoburnBurn::verifyChunk()
{
    burn_drive* drive = m_device->drive();
    const quint32 blocks = std::min<quint32>(kVerifyBlocksPerStep, d->verifyEnd - d->verifyNext);
    off_t count = 0;
    // bit1: report no error message of our own for a read error.
    const int r = burn_read_data(drive, static_cast<off_t>(d->verifyNext) * 2048, d->buffer.data(), static_cast<off_t>(blocks) * 2048, &count, 2);
    drainMessages();
    if (r <= 0) {
        m_timer.stop();
        return fail(DRError::VerifyFailed, QStringLiteral("The new session cannot be read back at block %1.").arg(d->verifyNext));
    }
    iso_md5_compute(d->md5.get(), d->buffer.data(), static_cast<int>(blocks) * 2048);
    d->verifyNext += blocks;
    post(kDRStatusStateVerifying, static_cast<double>(d->verifyNext - d->verifyStart) / (d->verifyEnd - d->verifyStart));
    if (d->verifyNext < d->verifyEnd)
        return;
    m_timer.stop();
    void* context = d->md5.release();
    char actual[16];
    iso_md5_end(&context, actual);
    if (!iso_md5_match(actual, d->expectedMd5))
        return fail(DRError::VerifyFailed, QStringLiteral("The data read back from the disc differ from what was written."));
    finish();
}

void IsoburnBurn::finish()
{
    m_step = Step::Ended;
    post(kDRStatusStateDone, 1.0);
    m_device->endJob(m_eject);
    end();
}

void IsoburnBurn::fail(quint32 code, const QString& text, const QString& sense)
{
    if (m_step == Step::Ended)
        return;
    m_step = Step::Ended;
    m_timer.stop();
    qCWarning(lcBurner).noquote() << "burn failed:" << Qt::hex << code << text;
    if (d->prepared && !d->writeStarted) {
        // A prepared session that will not be written must be revoked, or
        // libisofs's producer thread waits for ever. Once isoburn_disc_write
        // ran, the write itself has ended the image stream: revoking it then
        // left libburn's write worker registered on the drive, and the next
        // burn on the same image was refused ("A drive operation is still
        // going on") and taken for a good one.
        isoburn_cancel_prepared_write(m_device->drive(), nullptr, 0);
    }
    d->prepared = false;
    drainMessages();
    d->writeOpts.reset();
    d->disc.reset();
    d->image.reset();
    d->md5.reset();

    CFMutableDictionaryRef error = CFMutableDictionary::create();
    error->setNumber(kDRErrorStatusErrorKey, static_cast<qint32>(code));
    error->setString(kDRErrorStatusErrorStringKey, text);
    if (!sense.isEmpty())
        error->setString(kDRErrorStatusAdditionalSenseStringKey, sense);
    CFMutableDictionaryRef status = CFMutableDictionary::create();
    status->setString(kDRStatusStateKey, kDRStatusStateFailed);
    status->setReal(kDRStatusPercentCompleteKey, -1);
    status->setValue(kDRErrorStatusKey, error);
    DRNotificationCenter::Post(kDRBurnStatusChangedNotification, *this, status);
    if (m_jobStarted)
        m_device->endJob(false);
    end();
}

void IsoburnBurn::end()
{
    // Let go of ourselves from the event loop, never inside our own call.
    QTimer::singleShot(0, [self = std::move(m_self)]() {});
}
