#include "GameWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <memory>

namespace reporter {

GameWindow gameWindow(std::uint64_t window, qint64 pid)
{
    GameWindow game;
    game.screen = QGuiApplication::primaryScreen();
    if (window == 0 || !windowBelongsTo(window, pid))
        return game;
    const std::unique_ptr<QWindow> foreign(QWindow::fromWinId(WId(window)));
    if (foreign) {
        if (QScreen *screen = QGuiApplication::screenAt(foreign->geometry().center()))
            game.screen = screen;
    }
    if (game.screen)
        game.picture = game.screen->grabWindow(WId(window)).toImage();
    return game;
}

} // namespace reporter
