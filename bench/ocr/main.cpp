// bench-ocr: screenshot name recognition on file-browser screenshots, against plain Tesseract on
// the same images with the same name rules.
//
//   bench-ocr [--count N] [--seed S] [--corpus DIR] [--no-baseline] [--misses] [--results OUT] [FILE ...]
//   bench-ocr --merge OUT ...   reports on the results of several runs (e.g. one per core) as one
//
// Without FILEs it renders a corpus (PNG and JPEG files with their truth) into DIR (default
// bench-data/ocr), which is kept out of git. Named FILEs are read instead when given, with the
// truth taken from a "FILE.truth" text file beside each (one name a line), if present, and the
// names the screenshot shows cut by an ellipsis from "FILE.ellipsized": no piece of those may be
// read as a name. Screenshots made by capture-real-screenshots (BROWSER/VIEW-THEME-SCALE-SELECTION…)
// are also reported by browser, view, theme, scale, selection and copy.
// For one core: taskset -c 0 bench-ocr ...

#include "corpus.h"

#include "model/cancellation.h"
#include "screenshots/filenamerules.h"
#include "screenshots/textrecognizer.h"
#include "platform/imagework.h"
#include "platform/ocrengine.h"
#include "platform/screenshotimage.h"
#include "platform/text.h"

#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <QGuiApplication>
#include <QHash>
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

// The groups a screenshot is reported in, from its path: BROWSER/VIEW-THEME-SCALEx-SELECTION[-COPY].EXT,
// as capture-real-screenshots names them. Other paths are reported only as a whole.
QStringList groupsOf(const QString &path)
{
    static const QRegularExpression shape(
        QStringLiteral(R"(^([a-z]+)-(light|dark)-(\d)x-(none|some|all)(?:-(q\d+|small))?\.(png|jpe?g)$)"));
    const QFileInfo info(path);
    const QRegularExpressionMatch m = shape.match(info.fileName());
    if (!m.hasMatch())
        return {};
    QString copy = QStringLiteral("png");
    if (m.captured(5) == QLatin1String("small"))
        copy = QStringLiteral("downscaled");
    else if (!m.captured(5).isEmpty() || m.captured(6) != QLatin1String("png"))
        copy = QStringLiteral("jpeg");
    return {
        QStringLiteral("browser:") + info.dir().dirName(), QStringLiteral("view:") + m.captured(1),
        QStringLiteral("theme:") + m.captured(2),          QStringLiteral("scale:") + m.captured(3) + QLatin1Char('x'),
        QStringLiteral("selected:") + m.captured(4),       QStringLiteral("copy:") + copy};
}

QSet<QString> readNames(const QString &file)
{
    QSet<QString> names;
    QFile f(file);
    if (f.open(QIODevice::ReadOnly)) {
        for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (!line.trimmed().isEmpty())
                names.insert(line.trimmed());
        }
    }
    return names;
}

QString baseOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

// Names read that are a piece of a name shown cut by an ellipsis: the piece before the ellipsis or
// the piece after it, with or without an extension.
qsizetype ellipsisPieces(const QSet<QString> &ellipsized, const QSet<QString> &truth, const QSet<QString> &predicted)
{
    qsizetype pieces = 0;
    for (const QString &name : predicted) {
        if (truth.contains(name))
            continue;
        const QString base = baseOf(name).toCaseFolded();
        for (const QString &cut : ellipsized) {
            if (base.size() >= 3 && cut.toCaseFolded().contains(base)) {
                ++pieces;
                break;
            }
        }
    }
    return pieces;
}

QSet<QString> namesIn(const QStringList &lines)
{
    QSet<QString> names;
    for (const QStringList &inLine : screenshotNamesInLines(lines)) {
        for (const QString &token : inLine)
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
    process.start(QStringLiteral("tesseract"),
                  {file, QStringLiteral("stdout"), QStringLiteral("-l"), QStringLiteral("eng")});
    if (!process.waitForFinished(120000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

int main(int argc, char **argv)
{
    restartWithRecognitionSettings(argv);
    installImageWorkBackend();
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
    parser.addOption({"results", "Also write each screenshot's names read and times to FILE (tab-separated).", "FILE"});
    parser.addOption({"merge", "Report on the results FILEs given (written by --results) instead of reading."});
    parser.addPositionalArgument("files", "Screenshots to read instead of the rendered corpus.", "[FILE...]");
    parser.process(app);

    struct Item {
        QString path, layout;
        QSet<QString> truth, ellipsized;
        QStringList groups;
    };
    QList<Item> items;
    // --merge: what separate runs (say one per core) read, reported as one run.
    struct Earlier {
        double seconds = 0, cpuSeconds = 0;
        long peakKiB = 0;
        QStringList names;
    };
    QHash<QString, Earlier> earlier;
    const bool merging = parser.isSet("merge");
    if (merging) {
        for (const QString &file : parser.positionalArguments()) {
            QFile results(file);
            if (!results.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file));
                return 2;
            }
            for (const QString &line :
                 QString::fromUtf8(results.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                const QStringList f = line.split(QLatin1Char('\t'));
                if (f.size() < 5)
                    continue;
                earlier.insert(f[0],
                               Earlier{f[1].toDouble(), f[2].toDouble(), f[3].toLong(),
                                       f[4].split(QLatin1Char('|'), Qt::SkipEmptyParts)});
                items.append(Item{f[0], QStringLiteral("given"), readNames(f[0] + QStringLiteral(".truth")),
                                  readNames(f[0] + QStringLiteral(".ellipsized")), groupsOf(f[0])});
            }
        }
    } else if (!parser.positionalArguments().isEmpty()) {
        for (const QString &file : parser.positionalArguments()) {
            items.append(Item{file, QStringLiteral("given"), readNames(file + QStringLiteral(".truth")),
                              readNames(file + QStringLiteral(".ellipsized")), groupsOf(file)});
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
            items.append(
                Item{path,
                     shot.layout + (shot.dark ? "/dark" : "/light") + QString("/%1x").arg(shot.scale),
                     QSet<QString>(shot.truth.cbegin(), shot.truth.cend()),
                     {},
                     {QStringLiteral("view:") + shot.layout, QStringLiteral("theme:") + (shot.dark ? "dark" : "light"),
                      QStringLiteral("scale:%1x").arg(shot.scale),
                      QStringLiteral("copy:") + (path.endsWith(QLatin1String(".jpg")) ? "jpeg" : "png")}});
        }
    }

    const bool withBaseline = !parser.isSet("no-baseline") && !merging;
    QFile resultsFile(parser.value("results"));
    if (parser.isSet("results") && !resultsFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(parser.value("results")));
        return 2;
    }
    long mergedPeakKiB = 0;
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
    // Each group a screenshot belongs to (browser, view, theme, …), plus the accented names and the
    // names shown cut by an ellipsis.
    struct Group {
        Score score;
        qint64 shots = 0, ellipsized = 0, pieces = 0;
        std::vector<double> seconds1080p, cpuSeconds1080p;
    };
    std::map<QString, Group> groups;
    qint64 ellipsizedShown = 0, ellipsisPiecesRead = 0;
    std::vector<double> ourSeconds, ourCpuSeconds, baseSeconds, ourSeconds1080p, ourCpuSeconds1080p;
    std::stop_source never;
    for (const Item &item : items) {
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = processSeconds();
        QStringList lines;
        if (merging) {
            const Earlier &e = earlier[item.path];
            lines = e.names;
            ourSeconds.push_back(e.seconds);
            ourCpuSeconds.push_back(e.cpuSeconds);
            mergedPeakKiB = std::max(mergedPeakKiB, e.peakKiB);
        } else {
            try {
                for (const RecognizedTextLine &line : recognizer.recognizeTextLines(item.path, never.get_token()))
                    lines << line.text;
            } catch (const std::exception &e) {
                std::printf("%s: %s\n", qPrintable(item.path), e.what());
            }
            ourSeconds.push_back(timer.nsecsElapsed() / 1e9);
            ourCpuSeconds.push_back(processSeconds() - cpuStart);
        }
        const QSet<QString> predicted = namesIn(lines);
        if (resultsFile.isOpen()) {
            const QStringList read(predicted.cbegin(), predicted.cend());
            resultsFile.write(QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                                  .arg(item.path)
                                  .arg(ourSeconds.back())
                                  .arg(ourCpuSeconds.back())
                                  .arg(peakKiB())
                                  .arg(read.join(QLatin1Char('|')))
                                  .toUtf8());
            resultsFile.flush();
        }
        ours.add(item.truth, predicted);
        oursByKey.add(keys(item.truth), keys(predicted));
        // Time scaled to a 1920x1080 screenshot: the reading grows with the pixels.
        const QSize size = QImageReader(item.path).size();
        const double pixels = size.isValid() ? double(size.width()) * size.height() : 1920.0 * 1080.0;
        ourSeconds1080p.push_back(ourSeconds.back() * (1920.0 * 1080.0) / pixels);
        ourCpuSeconds1080p.push_back(ourCpuSeconds.back() * (1920.0 * 1080.0) / pixels);
        const qsizetype pieces = ellipsisPieces(item.ellipsized, item.truth, predicted);
        ellipsizedShown += item.ellipsized.size();
        ellipsisPiecesRead += pieces;
        for (const QString &group : item.groups) {
            Group &g = groups[group];
            g.score.add(item.truth, predicted);
            ++g.shots;
            g.ellipsized += item.ellipsized.size();
            g.pieces += pieces;
            g.seconds1080p.push_back(ourSeconds1080p.back());
            g.cpuSeconds1080p.push_back(ourCpuSeconds1080p.back());
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
        if (parser.isSet("trace")) {
            for (const OcrTextBox &b : platform->recognizeFile(item.path, never.get_token())) {
                std::printf("  box %4d,%4d %4dx%3d %.2f %s\n", b.rect.x(), b.rect.y(), b.rect.width(), b.rect.height(),
                            double(b.confidence), qPrintable(b.text));
                if (b.words.size() > 1) {
                    for (const OcrWord &w : b.words)
                        std::printf("      word %4d,%4d %4dx%3d %s\n", w.rect.x(), w.rect.y(), w.rect.width(),
                                    w.rect.height(), qPrintable(w.text));
                }
            }
        }
        std::printf(
            "%-44s ",
            qPrintable(QFileInfo(item.path).dir().dirName() + QLatin1Char('/') + QFileInfo(item.path).fileName()));
        if (parser.isSet("boxes")) {
            QElapsedTimer detectTimer;
            detectTimer.start();
            const QImage loaded = loadScreenshotImage(item.path);
            const QList<QRect> detected = platform->engine().detect(loaded, never.get_token());
            QImage drawn = loaded.convertToFormat(QImage::Format_RGB32);
            QPainter painter(&drawn);
            painter.setPen(QPen(Qt::red, 1));
            for (const QRect &r : detected)
                painter.drawRect(r);
            painter.end();
            QDir().mkpath(parser.value("boxes"));
            drawn.save(parser.value("boxes") + QLatin1Char('/') + QFileInfo(item.path).completeBaseName()
                       + QStringLiteral("-boxes.png"));
            std::printf("detect %lld boxes %.2f s; ", qlonglong(detected.size()), detectTimer.nsecsElapsed() / 1e9);
        }
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
        if (pieces)
            std::printf("   %lld piece(s) of a name cut by an ellipsis", qlonglong(pieces));
        std::printf("\n");
        if (misses) {
            for (const QString &n : item.truth - predicted)
                std::printf("    missed: %s\n", qPrintable(n));
            for (const QString &n : predicted - item.truth)
                std::printf("    wrong:  %s\n", qPrintable(n));
        }
        std::fflush(stdout);
    }

    if (!groups.empty()) {
        // On a shared machine the processor time is the steadier of the two.
        std::printf("\n%-22s %6s %8s %10s %7s %9s %12s %8s\n", "ours, by group", "shots", "recall", "precision",
                    "names", "ellipsis", "s/1080p(med)", "cpu s");
        QString dimension;
        for (const auto &[group, g] : groups) {
            if (group.section(':', 0, 0) != dimension) {
                dimension = group.section(':', 0, 0);
                std::printf("%s\n", qPrintable(dimension));
            }
            std::printf("  %-20s %6lld %8.3f %10.3f %7lld %4lld/%-4lld %12.2f %8.2f\n",
                        qPrintable(group.section(':', 1)), qlonglong(g.shots), g.score.recall(), g.score.precision(),
                        qlonglong(g.score.truth), qlonglong(g.pieces), qlonglong(g.ellipsized), median(g.seconds1080p),
                        median(g.cpuSeconds1080p));
        }
        std::printf("accented names\n  %-20s %6s %8.3f %10.3f %7lld\n", "", "", oursAccented.recall(),
                    oursAccented.precision(), qlonglong(oursAccented.truth));
        std::printf("(ellipsis: names read that are a piece of a name cut by an ellipsis / names so cut; each is a\n"
                    " wrong reading, counted in precision)\n");
    }
    if (ellipsizedShown)
        std::printf("\nnames cut by an ellipsis: %lld shown, %lld pieces read as names\n", qlonglong(ellipsizedShown),
                    qlonglong(ellipsisPiecesRead));
    std::printf("\n%-22s %8s %10s %10s %12s %12s\n", "", "recall", "precision", "accented", "s/shot(med)",
                "s/1080p(med)");
    std::printf("%-22s %8.3f %10.3f %10.3f %12.2f %12.2f\n", "detector + Tesseract", ours.recall(), ours.precision(),
                oursAccented.recall(), median(ourSeconds), median(ourSeconds1080p));
    std::printf("%-22s %8.3f %10.3f   (names compared as the scan compares them: case aside)\n", "  by match key",
                oursByKey.recall(), oursByKey.precision());
    if (withBaseline)
        std::printf("%-22s %8.3f %10.3f %10.3f %12.2f\n", "plain tesseract", base.recall(), base.precision(),
                    baseAccented.recall(), median(baseSeconds));
    std::printf("median cpu seconds per screenshot (all threads of this process): %.2f, per 1080p screenshot: %.2f\n",
                median(ourCpuSeconds), median(ourCpuSeconds1080p));
    if (merging)
        std::printf("peak memory (largest of the runs merged): %.0f MB\n", mergedPeakKiB / 1024.0);
    else
        std::printf("peak memory (this process): %.0f MB\n", peakKiB() / 1024.0);
    if (withBaseline)
        std::printf("recall ratio vs plain tesseract: %.2f\n", base.recall() > 0 ? ours.recall() / base.recall() : 0.0);
    return 0;
}
