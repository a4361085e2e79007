#include "burner/burnhost.h"

BurnHost::~BurnHost() = default;
