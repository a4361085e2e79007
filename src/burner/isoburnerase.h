#pragma once

// An erase on a libisoburn device: blanks a rewritable disc, or empties the
// disc image. Start returns at once; progress and the end are reported as
// kDREraseStatusChangedNotification. Internal to the burner library.

#include "burner/drerase.h"
#include "settings/cfobject.h"

#include <QObject>
#include <QTimer>

#include <memory>

class IsoburnDevice;

class IsoburnErase final : public QObject, public DRErase, public std::enable_shared_from_this<IsoburnErase> {
    Q_OBJECT
public:
    explicit IsoburnErase(std::shared_ptr<IsoburnDevice> device);
    ~IsoburnErase() override;
    void Start() override;

private:
    void run();
    void poll();
    void finish();
    void fail(quint32 code, const QString& text);
    void post(const QString& state, double percent, const CFDictionaryRef& error = nullptr);
    void end();

    std::shared_ptr<IsoburnDevice> m_device;
    std::shared_ptr<IsoburnErase> m_self;
    bool m_started = false;
    bool m_jobStarted = false;
    bool m_ended = false;
    QTimer m_timer;
};
