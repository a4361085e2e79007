#pragma once

// A burn on a libisoburn device: one new session holding the track's file
// system, on top of the tree of the disc's last session. Internal to the
// burner library.
//
// WriteLayout returns at once; the work runs in steps from the main thread's
// event loop (preparation, then polling libburn's write thread, then the
// read-back check), each step reporting kDRBurnStatusChangedNotification.
// A running burn keeps itself alive until it has reported its end.

#include "burner/drburn.h"

#include <QObject>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>

class IsoburnDevice;

class IsoburnBurn final : public QObject, public DRBurn, public std::enable_shared_from_this<IsoburnBurn> {
    Q_OBJECT
public:
    explicit IsoburnBurn(std::shared_ptr<IsoburnDevice> device);
    ~IsoburnBurn() override;

    void WriteLayout(const DRFilesystemTrackRef& track) override;
    void Abort() override;

private:
    enum class Step { Idle, Preparing, Writing, Verifying, Ended };

    void prepare();
    void poll();
    void afterWrite();
    void startVerify();
    void verifyChunk();
    void finish();
    void fail(quint32 code, const QString& text, const QString& sense = QString());
    void post(const QString& state, double percent);
    // A kDRStatusStateTrackWrite report with the bytes written, the
    // session's size and the current speed.
    void postWriting(double fraction, qint64 sector, qint64 sectors);
    void end();

    std::shared_ptr<IsoburnDevice> m_device;
    DRFilesystemTrackRef m_track;
    std::shared_ptr<IsoburnBurn> m_self;
    Step m_step = Step::Idle;
    bool m_jobStarted = false;
    bool m_abortRequested = false;
    bool m_appendable = true;
    bool m_verify = false;
    bool m_testing = false;
    bool m_eject = false;
    int m_lastPercent = -2;
    qint64 m_lastSector = 0;
    double m_lastSpeed = -1; // kB/s; negative until measured
    QElapsedTimer m_speedClock;
    QString m_sourceError;
    QString m_lastLibraryText;
    QString m_lastSense;
    QTimer m_timer;

    struct State;
    std::unique_ptr<State> d;
};
