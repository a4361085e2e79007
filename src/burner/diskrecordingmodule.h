#pragma once

// The burner list and the disc recording service the program uses.
// Main thread only.

#include "burner/ccdr.h"

#include <QtGlobal>

#include <memory>
#include <vector>

class BurnHost;
class DRService;

namespace DiskRecordingModule {

// The device objects; index i is item i of the burner popup. Index 0 is
// always empty (nullptr): it stands for "None".
std::vector<std::shared_ptr<CCDR>>& DRDeviceArray();

// Asks the service for its burners and appends a device object for each one
// present, in the service's order. Answers the number of entries in the
// service's list, empty ones included. Does not empty the list first.
qint32 DRLoadBurnableDevices();

// Back to one empty position (start-up, quit and tests).
void ResetDeviceArray();

// The service: the libisoburn one, made on first use, unless a test has
// installed another. Installing one does not touch DRDeviceArray.
DRService& Service();
void SetService(std::unique_ptr<DRService> service);

// The main window, as burns see it (see burnhost.h). Not owned.
void SetBurnHost(BurnHost* host);
BurnHost* CurrentBurnHost();

} // namespace DiskRecordingModule
