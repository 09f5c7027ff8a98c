#include "Shell.h"
#include "Platform.h"

namespace {

ShellOpener &opener()
{
    static ShellOpener current = platform::openAddress;
    return current;
}

} // namespace

void shellOpen(QWidget *owner, const QString &address)
{
    opener()(owner, address);
}

ShellOpener setShellOpener(ShellOpener replacement)
{
    ShellOpener previous = std::move(opener());
    opener() = replacement ? std::move(replacement) : ShellOpener(platform::openAddress);
    return previous;
}
