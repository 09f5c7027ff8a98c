#include "EscapedError.h"

#include <exception>

namespace controls {

namespace {
EscapedErrorSink g_sink = nullptr;
}

void setEscapedErrorSink(EscapedErrorSink sink)
{
    g_sink = sink;
}

void reportEscapedError()
{
    if (g_sink)
        g_sink();
    else
        std::terminate();
}

} // namespace controls
