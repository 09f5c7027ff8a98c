#include "FontWarmup.h"

#include <QFontDatabase>
#include <QStringList>
#include <system_error>

#ifdef VARTOLIN_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

FontWarmup::FontWarmup()
{
    try {
        m_thread = std::thread([this] { run(); });
    } catch (const std::system_error &) {
        // No thread to spare: the first paint loads the fonts itself.
    }
}

FontWarmup::~FontWarmup()
{
    finish();
}

void FontWarmup::run()
{
#ifdef VARTOLIN_HAVE_FONTCONFIG
    FcInit();
#endif
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_next != Next::Wait; });
    if (m_next == Next::ListFonts) {
        lock.unlock();
        QFontDatabase::families(); // thread-safe; fills the database the GUI thread will use
    }
}

void FontWarmup::applicationReady()
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_next == Next::Wait)
            m_next = Next::ListFonts;
    }
    m_wake.notify_one();
}

void FontWarmup::finish()
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_next == Next::Wait)
            m_next = Next::Stop;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}
