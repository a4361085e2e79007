#include "burner/drdevice.h"

DRDevice::~DRDevice() = default;
