#pragma once

// Private to src/burner: the C libraries' headers and owners for their
// objects. Included only by .cpp files of this library.
//
// Include order: libisofs, then libburn (whose C++ declarations live in
// namespace burn), then libisoburn, which refers to them as burn::... .
// libisofs and libisoburn need uint32_t/uint8_t declared before them.

#include <cstdint>

#include <libisofs/libisofs.h>
#include <libburn/libburn.h>
using namespace burn;
#include <libisoburn/libisoburn.h>

#include <QString>
#include <QStringList>

#include <memory>

static_assert(sizeof(off_t) == 8, "libburn and libisofs need a 64-bit off_t");

namespace IsoburnC {

// One reference to the initialised libraries. isoburn_initialize runs when the
// first reference is taken, isoburn_finish when the last one goes, so devices
// and jobs that outlive the service still find the libraries alive.
class Library {
public:
    // nullptr when the libraries cannot be initialised (the reason is logged).
    static std::shared_ptr<Library> acquire();
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

private:
    Library() = default;
};

struct DiscDeleter {
    void operator()(burn_disc* d) const { burn_disc_free(d); }
};
struct WriteOptsDeleter {
    void operator()(burn_write_opts* o) const { burn_write_opts_free(o); }
};
struct ReadOptsDeleter {
    void operator()(isoburn_read_opts* o) const { isoburn_ropt_destroy(&o, 0); }
};
struct ImageOptsDeleter {
    void operator()(isoburn_imgen_opts* o) const { isoburn_igopt_destroy(&o, 0); }
};
struct ImageDeleter {
    void operator()(IsoImage* i) const { iso_image_unref(i); }
};
struct TocDeleter {
    void operator()(isoburn_toc_disc* t) const { isoburn_toc_disc_free(t); }
};
struct SpeedListDeleter {
    void operator()(burn_speed_descriptor* s) const { burn_drive_free_speedlist(&s); }
};
using DiscPtr = std::unique_ptr<burn_disc, DiscDeleter>;
using WriteOptsPtr = std::unique_ptr<burn_write_opts, WriteOptsDeleter>;
using ReadOptsPtr = std::unique_ptr<isoburn_read_opts, ReadOptsDeleter>;
using ImageOptsPtr = std::unique_ptr<isoburn_imgen_opts, ImageOptsDeleter>;
using ImagePtr = std::unique_ptr<IsoImage, ImageDeleter>;
using TocPtr = std::unique_ptr<isoburn_toc_disc, TocDeleter>;
using SpeedListPtr = std::unique_ptr<burn_speed_descriptor, SpeedListDeleter>;

// A drive acquired through libisoburn; released (and its info array freed)
// when the guard goes.
class DriveGrab {
public:
    // address: "/dev/sr0" or "stdio:/path". flags as isoburn_drive_aquire.
    static std::unique_ptr<DriveGrab> acquire(const QString& address, int flags);
    ~DriveGrab();
    DriveGrab(const DriveGrab&) = delete;
    DriveGrab& operator=(const DriveGrab&) = delete;

    [[nodiscard]] burn_drive* drive() const { return m_infos[0].drive; }
    // Re-reads drive and media state after a write or an erase.
    bool reassess();
    // Eject the disc when the drive is released.
    void setEjectOnRelease(bool eject) { m_eject = eject; }

private:
    DriveGrab(burn_drive_info* infos, QByteArray address, int flags);
    burn_drive_info* m_infos;
    QByteArray m_address;
    int m_flags;
    bool m_eject = false;
};

// One message of libburn's or libisofs's queue.
struct Message {
    int code = 0;
    QString severity;
    QString text;
    int osErrno = 0;
};

// Takes every queued message of both libraries (libisofs keeps its own queue).
QVector<Message> drainMessages();
// Whether a severity is a failure of the job (MISHAP, ERRFILE, FAILURE and above).
bool isFailureSeverity(const QString& severity);
// Whether a libisofs message says that a source file could not be read.
bool isSourceFileProblem(const Message& m);
// Whether the message only says that the image stream was stopped early,
// which follows a failed write or an abort and never is the cause.
bool isWriteCancelled(const Message& m);
// The message's text, with the system's text for its errno when it has one.
QString textWithSystemError(const Message& m);

} // namespace IsoburnC
