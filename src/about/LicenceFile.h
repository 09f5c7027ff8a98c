#pragma once
// The licence text of the About dialog, and writing it to a text file in the user's code page.

#include "FileReplace.h"
#include "Platform.h"

#include <QString>

// The licence text: its lines joined by '\n', no line break after the last one.
QString licenceText();

// An ASCII look-alike for a character a code page lacks: '"' for curly double quotes, '\'' for
// curly single quotes, '-' for dashes; '?' for anything else.
QString asciiStandIn(char32_t character);

// Every line of `text`, the last included, followed by CR LF, in the code page of `encoder`. A
// character that code page lacks is written as its ASCII stand-in. No byte-order mark.
QByteArray crlfLinesInCodePage(const QString &text, const platform::CharacterEncoder &encoder);
