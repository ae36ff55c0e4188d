#pragma once

#include <QObject>
#include <QTemporaryDir>

class TestQualityCheckService : public QObject {
    Q_OBJECT
private slots:
    void nothingToCheck_data();
    void nothingToCheck();
    void passesRunInOrderWithStatusBeforeEachItem();
    void analyzerAnswers_data();
    void analyzerAnswers();
    void duplicates_data();
    void duplicates();
    void tagsCarryEveryFlagInOneWrite();
    void laterErrorReplacesEarlierOne();
    void tagFailureIsThatFilesError();
    void cancellation_data();
    void cancellation();
    void realAnalyzerOnRealFiles();
    void parallelRunIsTheSerialRun();
    void workersAreBoundedByCoresAndRequest();
};
