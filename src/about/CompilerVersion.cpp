#include "CompilerVersion.h"

#include <QLocale>

namespace {

// 2 -> 0.2, 12 -> 0.12: the minor number as the digits after the point.
constexpr double asFraction(int minor)
{
    double fraction = minor;
    while (fraction >= 1.0)
        fraction /= 10.0;
    return fraction;
}

} // namespace

double compilerVersionNumber()
{
    // The compiler's own major.minor: GCC 12.2 gives 12.20, Clang 15.0 gives 15.00, and MSVC its
    // _MSC_VER over 100 (1938 gives 19.38). Clang comes first, as it also poses as the other two.
#if defined(__clang__)
    return __clang_major__ + asFraction(__clang_minor__);
#elif defined(_MSC_VER)
    return _MSC_VER / 100.0;
#elif defined(__GNUC__)
    return __GNUC__ + asFraction(__GNUC_MINOR__);
#else
    return 0.0;
#endif
}

QString compilerVersionText()
{
    return QStringLiteral("Compiler & RTL: %1  ").arg(QLocale().toString(compilerVersionNumber(), 'f', 2));
}
