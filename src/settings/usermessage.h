#pragma once

// The one way the program's logic libraries show a modal message to the user.
// The application installs a handler that shows a message box and waits;
// tests install one that records the texts. Without a handler the text goes
// to the warning log, so nothing is lost.

#include <QString>

#include <functional>

namespace UserMessage {

using Handler = std::function<void(const QString& text)>;

// Shows the text (modal: returns once the user has answered).
void show(const QString& text);

// Replaces the handler; answers the previous one so a test can restore it.
Handler setHandler(Handler handler);

} // namespace UserMessage
