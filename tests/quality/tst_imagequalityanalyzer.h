#pragma once

#include <QObject>
#include <QTemporaryDir>

class TestImageQualityAnalyzer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void answers_data();
    void answers();
    void previewSizes_data();
    void previewSizes();
    void orientationIsApplied_data();
    void orientationIsApplied();
    void changedFileIsLookedAtAgain();
    void cancellation();

private:
    QString path(const QString &name) const;
    QTemporaryDir m_dir;
};
