// bench-ocr: screenshot name recognition on a rendered corpus of file-browser screenshots, against
// plain Tesseract on the same images with the same name rules.
//
//   bench-ocr [--count N] [--seed S] [--corpus DIR] [--no-baseline] [--misses] [FILE ...]
//
// The corpus (PNG and JPEG files with their truth) is written to DIR (default
// bench-data/ocr), which is kept out of git. Named FILEs are read instead when given, with the
// truth taken from a "FILE.truth" text file beside each (one name a line), if present.
// For one core: taskset -c 0 bench-ocr ...

#include "corpus.h"

#include "model/cancellation.h"
#include "screenshots/filenamerules.h"
#include "screenshots/textrecognizer.h"
#include "platform/ocrengine.h"
#include "platform/screenshotimage.h"
#include "platform/text.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QSet>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <map>

#include <sys/resource.h>

using namespace quillmore;

namespace {

struct Score {
    qint64 truth = 0, found = 0, predicted = 0, correct = 0;
    void add(const QSet<QString> &t, const QSet<QString> &p)
    {
        truth += t.size();
        predicted += p.size();
        for (const QString &name : p) {
            if (t.contains(name))
                ++correct;
        }
        for (const QString &name : t) {
            if (p.contains(name))
                ++found;
        }
    }
    double recall() const { return truth ? double(found) / double(truth) : 1.0; }
    double precision() const { return predicted ? double(correct) / double(predicted) : 1.0; }
};

QSet<QString> namesIn(const QStringList &lines)
{
    QSet<QString> names;
    for (const QString &line : lines) {
        for (const QString &token : screenshotNamesInLine(line))
            names.insert(token);
    }
    return names;
}

bool accented(const QString &name)
{
    for (QChar c : name) {
        if (c.unicode() > 0x7f)
            return true;
    }
    return false;
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double processSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QStringList plainTesseract(const QString &file)
{
    QProcess process;
    process.start(QStringLiteral("tesseract"), {file, QStringLiteral("stdout"), QStringLiteral("-l"), QStringLiteral("eng")});
    if (!process.waitForFinished(120000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

int main(int argc, char **argv)
{
    restartWithSingleThreadedOcr(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({"count", "Screenshots to render.", "N", "24"});
    parser.addOption({"seed", "Corpus seed.", "S", "1"});
    parser.addOption({"corpus", "Folder for the rendered corpus.", "DIR", "bench-data/ocr"});
    parser.addOption({"no-baseline", "Skip the plain Tesseract baseline."});
    parser.addOption({"misses", "List names missed and names read wrongly."});
    parser.addOption({"trace", "Print every recognised box with its position."});
    parser.addOption({"boxes", "Write each screenshot with its detected boxes drawn into DIR.", "DIR"});
    parser.addPositionalArgument("files", "Screenshots to read instead of the rendered corpus.", "[FILE...]");
    parser.process(app);

    struct Item {
        QString path, layout;
        QSet<QString> truth;
    };
    QList<Item> items;
    if (!parser.positionalArguments().isEmpty()) {
        for (const QString &file : parser.positionalArguments()) {
            Item item{file, QStringLiteral("given"), {}};
            QFile truth(file + QStringLiteral(".truth"));
            if (truth.open(QIODevice::ReadOnly))
                for (const QString &line : QString::fromUtf8(truth.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                    item.truth.insert(line.trimmed());
            items.append(item);
        }
    } else {
        const QString dir = parser.value("corpus");
        QDir().mkpath(dir);
        const int count = parser.value("count").toInt();
        const unsigned seed = parser.value("seed").toUInt();
        for (int i = 0; i < count; ++i) {
            const CorpusShot shot = renderCorpusShot(i, seed);
            const QString path = dir + QLatin1Char('/') + shot.name;
            shot.image.save(path, nullptr, path.endsWith(QLatin1String(".jpg")) ? 85 : -1);
            QFile truth(path + QStringLiteral(".truth"));
            if (truth.open(QIODevice::WriteOnly))
                truth.write((shot.truth.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
            items.append(Item{path, shot.layout + (shot.dark ? "/dark" : "/light") + QString("/%1x").arg(shot.scale),
                              QSet<QString>(shot.truth.cbegin(), shot.truth.cend())});
        }
    }

    const bool withBaseline = !parser.isSet("no-baseline");
    const bool misses = parser.isSet("misses");
    auto platform = std::make_shared<OcrEnginePlatform>();
    VisionTextRecognizer recognizer(platform);
    const OcrModelPaths &paths = platform->engine().paths();
    std::printf("engine: detector %s, language data %s (%s)\n",
                paths.detectionModel.isEmpty() ? "morphological line finder" : qPrintable(paths.detectionModel),
                qPrintable(paths.tessdataDir), qPrintable(paths.languages));

    Score ours, base, oursAccented, baseAccented, oursByKey;
    // Names as the scan compares them with files on disk: letter case and composition aside.
    auto keys = [](const QSet<QString> &names) {
        QSet<QString> k;
        for (const QString &n : names)
            k.insert(matchKey(n));
        return k;
    };
    std::map<QString, Score> byKind;
    std::vector<double> ourSeconds, ourCpuSeconds, baseSeconds;
    std::stop_source never;
    for (const Item &item : items) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = processSeconds();
        QStringList lines;
        try {
            for (const RecognizedTextLine &line : recognizer.recognizeTextLines(item.path, never.get_token()))
                lines << line.text;
        } catch (const std::exception &e) {
            std::printf("%s: %s\n", qPrintable(item.path), e.what());
        }
        ourSeconds.push_back(timer.nsecsElapsed() / 1e9);
        ourCpuSeconds.push_back(processSeconds() - cpuStart);
        const QSet<QString> predicted = namesIn(lines);
        ours.add(item.truth, predicted);
        oursByKey.add(keys(item.truth), keys(predicted));
        for (int part = 0; part < 3; ++part) {
            if (const QString kind = item.layout.section('/', part, part); !kind.isEmpty())
                byKind[kind].add(item.truth, predicted);
        }
        QSet<QString> accentedTruth, accentedPredicted;
        for (const QString &n : item.truth)
            if (accented(n))
                accentedTruth.insert(n);
        for (const QString &n : predicted)
            if (accented(n) || item.truth.contains(n) == false)
                if (accented(n))
                    accentedPredicted.insert(n);
        oursAccented.add(accentedTruth, accentedPredicted);
        const double totalSeconds = ourSeconds.back();
        QElapsedTimer detectTimer;
        detectTimer.start();
        const QImage loaded = loadScreenshotImage(item.path);
        if (parser.isSet("trace")) {
            for (const OcrTextBox &b : platform->recognizeFile(item.path, never.get_token()))
                std::printf("  box %4d,%4d %4dx%3d %.2f %s\n", b.rect.x(), b.rect.y(), b.rect.width(), b.rect.height(),
                            double(b.confidence), qPrintable(b.text));
        }
        const QList<QRect> detected = platform->engine().detect(loaded, never.get_token());
        const qsizetype boxCount = detected.size();
        if (parser.isSet("boxes")) {
            QImage drawn = loaded.convertToFormat(QImage::Format_RGB32);
            QPainter painter(&drawn);
            painter.setPen(QPen(Qt::red, 1));
            for (const QRect &r : detected)
                painter.drawRect(r);
            painter.end();
            QDir().mkpath(parser.value("boxes"));
            drawn.save(parser.value("boxes") + QLatin1Char('/') + QFileInfo(item.path).completeBaseName() + QStringLiteral("-boxes.png"));
        }
        std::printf("%-44s detect %lld boxes %.2f s; ", qPrintable(QFileInfo(item.path).fileName()),
                    qlonglong(boxCount), detectTimer.nsecsElapsed() / 1e9);
        (void)totalSeconds;
        std::printf("ours %3lld/%3lld names, %5.2f s (cpu %5.2f s)", qlonglong((item.truth & predicted).size()),
                    qlonglong(item.truth.size()), ourSeconds.back(), ourCpuSeconds.back());
        if (withBaseline) {
            QElapsedTimer baseTimer;
            baseTimer.start();
            const QSet<QString> basePredicted = namesIn(plainTesseract(item.path));
            baseSeconds.push_back(baseTimer.nsecsElapsed() / 1e9);
            base.add(item.truth, basePredicted);
            QSet<QString> baseAcc;
            for (const QString &n : basePredicted)
                if (accented(n))
                    baseAcc.insert(n);
            baseAccented.add(accentedTruth, baseAcc);
            std::printf("   baseline %3lld", qlonglong((item.truth & basePredicted).size()));
        }
        std::printf("\n");
        if (misses) {
            for (const QString &n : item.truth - predicted)
                std::printf("    missed: %s\n", qPrintable(n));
            for (const QString &n : predicted - item.truth)
                std::printf("    wrong:  %s\n", qPrintable(n));
        }
        std::fflush(stdout);
    }

    std::printf("\nby kind (ours):\n");
    for (const auto &[kind, s] : byKind)
        std::printf("  %-8s recall %.3f  precision %.3f  (%lld names)\n", qPrintable(kind), s.recall(), s.precision(),
                    qlonglong(s.truth));
    std::printf("\n%-22s %8s %10s %10s %12s\n", "", "recall", "precision", "accented", "s/shot(med)");
    std::printf("%-22s %8.3f %10.3f %10.3f %12.2f\n", "detector + Tesseract", ours.recall(), ours.precision(),
                oursAccented.recall(), median(ourSeconds));
    std::printf("%-22s %8.3f %10.3f   (names compared as the scan compares them: case aside)\n",
                "  by match key", oursByKey.recall(), oursByKey.precision());
    if (withBaseline)
        std::printf("%-22s %8.3f %10.3f %10.3f %12.2f\n", "plain tesseract", base.recall(), base.precision(),
                    baseAccented.recall(), median(baseSeconds));
    std::printf("median cpu seconds per screenshot (all threads of this process): %.2f\n", median(ourCpuSeconds));
    std::printf("peak memory (this process): %.0f MB\n", peakKiB() / 1024.0);
    if (withBaseline)
        std::printf("recall ratio vs plain tesseract: %.2f\n", base.recall() > 0 ? ours.recall() / base.recall() : 0.0);
    return 0;
}
