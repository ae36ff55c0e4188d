#pragma once

// From the boxes the engine read to lines of text: the likely misreadings of each box mended (as
// proposals), the labels of neighbouring icons read as one line parted, and the pieces of a label
// wrapped under its icon joined into one line. Pure text and geometry, testable without an
// engine.

#include "model/screenshotrecords.h"
#include "platform/ocrengine.h"

#include <QList>
#include <QRect>
#include <QString>

namespace quillmore {

// Recognised boxes in reading order become lines, with their likely misreadings mended (see
// AssembledTextLine for how far that goes); the pieces of an icon label that wrapped under its
// icon (two or three, or more for a selected label shown whole) are joined into one line, since
// the name only exists whole.
QList<RecognizedTextLine> assembleTextLines(const QList<OcrTextBox> &boxes);

// One assembled line and the boxes it was read from. `line.text` is the line with its likely
// misreadings mended; `asRead` the same line as the engine read it (pieces joined alike). The
// mended text is only a proposal: it is taken only where something confirms it.
struct AssembledTextLine {
    RecognizedTextLine line;
    QList<QRect> boxes;
    QString asRead;
};
QList<AssembledTextLine> assembleTextLinesWithBoxes(const QList<OcrTextBox> &boxes);

} // namespace quillmore
