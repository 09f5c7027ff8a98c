#pragma once
// Loading the system's fonts is the slowest single step before the first paint, and nothing needs
// it until the first text is drawn. FontWarmup does it on a helper thread while the application
// object and the main window are being built: first fontconfig's configuration (which needs no Qt),
// then, once the application object exists, Qt's list of font families. Both libraries guard their
// own start-up, so the GUI thread either finds the work done or waits for it as it would have
// anyway.

#include <condition_variable>
#include <mutex>
#include <thread>

class FontWarmup
{
public:
    FontWarmup();
    ~FontWarmup();
    FontWarmup(const FontWarmup &) = delete;
    FontWarmup &operator=(const FontWarmup &) = delete;

    // The application object exists: the helper may build Qt's font list after the configuration.
    void applicationReady();
    // Stops and joins the helper; must happen before the application object is destroyed.
    void finish();

private:
    enum class Next { Wait, ListFonts, Stop };
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    Next m_next = Next::Wait;
    std::thread m_thread;
};
