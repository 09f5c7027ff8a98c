// The screenshot tour: writes PNGs of the first view, every level, the streak strip, the About
// dialog and a contact sheet of every picture into the folder given as argument.

#include "app/Startup.h"
#include "app/VartolinApplication.h"
#include "controls/TImage.h"
#include "pictures/Catalogue.h"
#include "pictures/PictureLoader.h"
#include "rules/Random.h"
#include "uAbout.h"
#include "uMain.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPainter>
#include <QTimer>
#include <cstdio>

namespace {

void save(const QImage &image, const QDir &dir, const QString &name)
{
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    if (!image.save(path))
        std::fprintf(stderr, "tour: cannot write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

QImage contactSheet()
{
    const QList<PictureOutput> &outputs = builtInPictures();
    constexpr int sheetWidth = 1600, gap = 12, labelHeight = 16;
    // Lay the pictures out in rows, tallest row item deciding the row height.
    struct Placed { PictureOutput out; QPoint at; };
    QList<Placed> placed;
    int x = gap, y = gap, rowHeight = 0;
    for (const PictureOutput &out : outputs) {
        if (x + out.size.width() + gap > sheetWidth) {
            x = gap;
            y += rowHeight + labelHeight + gap;
            rowHeight = 0;
        }
        placed.append({out, QPoint(x, y)});
        x += std::max(out.size.width(), 90) + gap;
        rowHeight = std::max(rowHeight, out.size.height());
    }
    // At the screen's scale, showing the renderings a screen of that density gets.
    const qreal ratio = qApp->devicePixelRatio();
    const QSize sheetSize(sheetWidth, y + rowHeight + labelHeight + gap);
    QImage sheet((QSizeF(sheetSize) * ratio).toSize(), QImage::Format_RGB32);
    sheet.setDevicePixelRatio(ratio);
    sheet.fill(QColor(160, 160, 160));
    QPainter painter(&sheet);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    painter.setFont(font);
    for (const Placed &p : placed) {
        painter.drawPixmap(p.at, cataloguePicture(p.out.name).pixmap(ratio));
        painter.drawText(QRect(p.at.x(), p.at.y() + p.out.size.height() + 2, 200, labelHeight),
                         Qt::AlignLeft | Qt::AlignTop, p.out.name);
    }
    return sheet;
}

} // namespace

int main(int argc, char **argv)
{
    VartolinApplication app(argc, argv);
    configureApplication();
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("tour"));
    QDir().mkpath(dir.path());

    NoPacing noPauses;
    TfrmMain window;
    window.setPacing(&noPauses);
    randomSource().seed(2016);
    window.show();
    save(window.grab().toImage(), dir, QStringLiteral("first_view"));

    for (int level = 1; level <= 8; ++level) {
        window.startAt(level, level == 1 ? 0 : 3);
        save(window.grab().toImage(), dir, QStringLiteral("level%1").arg(level));
    }
    // Levels 1 and 2 with each answer expected.
    const char *signs[] = {"smaller", "equal", "greater"};
    for (int level : {1, 2}) {
        for (int expected : {-1, 0, 1}) {
            do
                window.startAt(level, 0);
            while (window.expectedAnswer() != expected);
            save(window.grab().toImage(), dir, QStringLiteral("level%1_%2").arg(level).arg(QLatin1String(signs[expected + 1])));
        }
    }
    // The quantity pages at their extremes: an empty side, and a full side.
    auto filled = [&window](const QString &family, const QString &side, int places) {
        int count = 0;
        for (int i = 0; i < places; ++i)
            count += !window.component<TImage>(family + side + QStringLiteral("_%1").arg(i))->picture().isNull();
        return count;
    };
    for (int level : {3, 4}) {
        const QString family = level == 3 ? QStringLiteral("imgNiv3") : QStringLiteral("imgNiv4");
        const int places = level == 3 ? 9 : 30;
        for (int wanted : {0, places}) {
            for (int tries = 0; tries < 5000; ++tries) {
                window.startAt(level, 0);
                if (filled(family, QStringLiteral("Gauche"), places) == wanted
                    || filled(family, QStringLiteral("Droite"), places) == wanted)
                    break;
            }
            save(window.grab().toImage(), dir, QStringLiteral("level%1_side_of_%2").arg(level).arg(wanted));
        }
    }
    for (int streak : {0, 5, 10}) {
        window.startAt(5, streak);
        save(window.grab().toImage(), dir, QStringLiteral("streak%1").arg(streak, 2, 10, QLatin1Char('0')));
    }

    // The About dialog is modal: grab it once it is up, then close it.
    QTimer::singleShot(0, [&dir] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QDialog *>(top); dialog && dialog->isVisible()) {
                save(dialog->grab().toImage(), dir, QStringLiteral("about"));
                dialog->close();
            }
        }
    });
    ShowAbout(QString());

    save(contactSheet(), dir, QStringLiteral("contact_sheet"));
    return 0;
}
