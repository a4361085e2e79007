#include "burner/burnerlog.h"

Q_LOGGING_CATEGORY(lcBurner, "kestrow.burner", QtWarningMsg)
