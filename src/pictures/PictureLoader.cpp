#include "PictureLoader.h"
#include "Catalogue.h"
#include "PackedImage.h"

#include "controls/TBitBtn.h"
#include "controls/TImage.h"
#include "rules/Progression.h"
#include "rules/QuantityChallenge.h"

#include <QHash>
#include <QWidget>
#include <stdexcept>

namespace {

const QHash<QString, Picture> &allPictures()
{
    static const QHash<QString, Picture> pictures = [] {
        QHash<QString, Picture> result;
        for (const PictureOutput &out : builtInPictures())
            result.insert(out.name, Picture::fromFile(pictureResourcePath(out.packedFile), out.size,
                                                      out.isBitmap(), pictureResourcePath(out.packedFile2x),
                                                      readPictureFile));
        return result;
    }();
    return pictures;
}

void give(QWidget *control, const Picture &picture)
{
    if (auto *image = qobject_cast<TImage *>(control))
        image->setPicture(picture);
    else if (auto *button = qobject_cast<TBitBtn *>(control))
        button->setGlyph(picture);
}

} // namespace

Picture cataloguePicture(const QString &name)
{
    const auto &pictures = allPictures();
    const auto it = pictures.find(name);
    if (it == pictures.end())
        throw std::runtime_error("no picture named " + name.toStdString());
    return *it;
}

void loadMainWindowPictures(const std::function<QWidget *(const QString &)> &findComponent)
{
    const auto &pictures = allPictures();
    for (auto it = pictures.begin(); it != pictures.end(); ++it)
        if (QWidget *control = findComponent(it.key()))
            give(control, it.value());
    // The first places of the quantity pages start with their pages' objects, the streak strip
    // with the not-yet-reached disc; the first challenge and streak redraw replace them.
    for (int i = 0; i < kLevel3Quantities.objects; ++i)
        give(findComponent(QStringLiteral("imgNiv3Gauche_%1").arg(i)), cataloguePicture(QStringLiteral("imgNiv3_%1").arg(i + 1)));
    for (int i = 0; i < kLevel4Quantities.objects; ++i)
        give(findComponent(QStringLiteral("imgNiv4Gauche_%1").arg(i)), cataloguePicture(QStringLiteral("imgNiv4_%1").arg(i + 1)));
    for (int i = 0; i < kStreakLength; ++i)
        give(findComponent(QStringLiteral("imgScore%1").arg(i)), cataloguePicture(QStringLiteral("imgFutur")));
}

void loadPicturesByName(QWidget *window)
{
    const auto &pictures = allPictures();
    for (auto it = pictures.begin(); it != pictures.end(); ++it)
        if (auto *control = window->findChild<QWidget *>(it.key()))
            give(control, it.value());
}
