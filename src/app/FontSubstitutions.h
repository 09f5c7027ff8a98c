#pragma once

// Where "Tahoma", "Verdana" or "Courier New" is missing, a face of like width takes its place. The
// game and its crash reporter both ask for these faces.
void installFontSubstitutions();
