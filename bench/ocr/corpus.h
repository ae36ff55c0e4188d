#pragma once

// Renders file-browser screenshots with known names: list, compact and icon layouts, light and
// dark themes, selected rows, file icons, 1x and 2x scale, with sizes, dates and distractors.

#include <QImage>
#include <QString>
#include <QStringList>

#include <random>

struct CorpusShot {
    QString name; // file name of the screenshot (…png or …jpg)
    QImage image;
    QStringList truth; // the picture names it shows, exactly as shown
    QString layout;
    bool dark = false;
    int scale = 1;
};

// Shot number `index` of a corpus made from `seed`; the same arguments give the same shot.
CorpusShot renderCorpusShot(int index, unsigned seed);
