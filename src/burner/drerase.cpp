#include "burner/drerase.h"

DRErase::~DRErase() = default;
