#pragma once
// Every control carries a Tag, a number the program gives it: an answer control carries the answer
// it stands for. It is the object's "Tag" property, so one definition serves every kind of control.

#include <QObject>
#include <QVariant>

inline int tagOf(const QObject *control)
{
    return control->property("Tag").toInt();
}

inline void setTag(QObject *control, int tag)
{
    control->setProperty("Tag", tag);
}
