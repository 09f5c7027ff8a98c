#pragma once
// Puts the catalogue's pictures into the controls of a window, by control name, when the window
// is created. Each picture is read once per run and shared by every control that shows it.

#include "controls/Picture.h"
#include <QString>
#include <functional>

class QWidget;

// The picture of the catalogue output `name` (a control name such as "imgFacile_7_M").
Picture cataloguePicture(const QString &name);

// Every holder, fixed picture, glyph strip and initial place content of the main window.
void loadMainWindowPictures(const std::function<QWidget *(const QString &)> &findComponent);

// Gives every control of `window` that has a catalogue picture of its name that picture.
void loadPicturesByName(QWidget *window);
