#pragma once

#include <QObject>

class TestSharpness : public QObject {
    Q_OBJECT
private slots:
    void noScore_data();
    void noScore();
    void checkerboards_data();
    void checkerboards();
    void sameScoreForScaledOrShiftedGrey();
    void bestTileCounts();
    void cancellationIsTestedEvery32Rows();
    void scalingToFit_data();
    void scalingToFit();
    void orientation_data();
    void orientation();
};
