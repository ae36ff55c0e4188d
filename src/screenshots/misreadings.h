#pragma once

// The misreadings text recognition is prone to in file names at screen sizes, and the reading each
// would be if it were one. These are proposals: a mended reading replaces what was read only when
// something else confirms it (the second, enlarged reading of the same line, or the same name read
// as it stands elsewhere), and a name so changed is marked for the user to check.

#include <QString>

namespace quillmore {

// The letter O read inside the number of a camera file name ('DSCO1234', 'PO144621') is the digit
// zero, an l, I or L (a 1 and the dot after it read as one letter) the digit one: camera names are
// a maker's prefix followed by digits only. 'MG_1234' is '_MG_1234'.
QString mendCameraNumbers(const QString &text);

// The stroke through an Ł read as a 't' of its own, before or after it, at the start of a word
// ('tŁukasz', 'Łtukasz'): no name starts that way.
QString mendStrokedL(const QString &text);

// The number after a name's last underscore holds digits only: an O in it is read as 0, an l,
// I or L as 1 ('Olafur_09O1.jpg', 'Olafur_090l', 'IMG_223L.jpg').
QString mendNumbers(const QString &text);

// The dot of an extension that was read as a space, a comma or nothing after a name ending in a
// digit ('DSC05892 jpeg', 'kerk_8106JPG') is put back, and a g read as 9 after it ('.jp9').
QString mendExtensionDots(const QString &text);

// All of the above, in the order they build on each other.
QString mendReading(const QString &text);

} // namespace quillmore
