#pragma once

// The burner library's logging category, "kestrow.burner".

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcBurner)
