#include "Demangle.h"

#include <cstdlib>
#if __has_include(<cxxabi.h>)
#include <cxxabi.h>
#define VARTOLIN_HAVE_CXXABI 1
#endif

namespace reporter {

QString demangled(const char *symbol)
{
#ifdef VARTOLIN_HAVE_CXXABI
    int status = -1;
    char *readable = abi::__cxa_demangle(symbol, nullptr, nullptr, &status);
    const QString name = status == 0 && readable ? QString::fromUtf8(readable) : QString::fromUtf8(symbol);
    std::free(readable);
    return name;
#else
    return QString::fromUtf8(symbol);
#endif
}

} // namespace reporter
