#include "burner/ccallbackinterface.h"

CCallBackInterface::~CCallBackInterface() = default;
