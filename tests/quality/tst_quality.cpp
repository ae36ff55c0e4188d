// One executable for the quality checks: the sharpness score, the analyzer on real files and the
// check service with stand-in services.

#include "tst_imagequalityanalyzer.h"
#include "tst_qualitycheckservice.h"
#include "tst_sharpness.h"

#include <QGuiApplication>
#include <QTest>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    int failures = 0;
    {
        TestSharpness test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        TestImageQualityAnalyzer test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        TestQualityCheckService test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
