#pragma once
#include <QString>

// Opens the About dialog modally; the donate picture shows only for a non-empty address.
void ShowAbout(const QString &donateUrl);
