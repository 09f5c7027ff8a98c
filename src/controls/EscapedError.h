#pragma once
// An error that escapes a handler of a control is reported right there, not unwound through the
// toolkit's event delivery, which is not written to survive it. Where it goes is handed to the
// controls at start-up (the crash reporting's error handler), so they know nothing of it.

#include <utility>

namespace controls {

// Called inside a catch block, with the escaped error as the current exception.
using EscapedErrorSink = void (*)();
void setEscapedErrorSink(EscapedErrorSink sink);
// Hands the current exception to the sink; with none, the error ends the program as uncaught.
void reportEscapedError();

template <class Handler> void guard(Handler &&handler)
{
    try {
        handler();
    } catch (...) {
        reportEscapedError();
    }
}

// The handler wrapped for connecting to a signal emitted by toolkit code (a button's click).
template <class Handler> auto guarded(Handler handler)
{
    return [handler = std::move(handler)] { guard(handler); };
}

} // namespace controls
