// Saves a picture of every stage of a job for the README: a generated sample shoot, a real
// controller, the window driven through setup, scan summary, problems, copy, completion, report
// and the screenshot review. Run under a display (scripts/screenshots uses Xvfb).
//
//   ui-screenshots <output folder>

#include "uitestkit.h"
#include "ui/tables.h"
#include "support/testimages.h"

#include "ui/appearance.h"
#include "ui/screenshotreviewview.h"

#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <QTimer>

#include <cstdio>

using namespace quillmore;
using namespace quillmore::testing;

namespace {

QString outDir;

void waitFor(const std::function<bool()> &condition)
{
    for (int i = 0; i < 500 && !condition(); ++i)
        QTest::qWait(10);
}

void save(QWidget *widget, const QString &name)
{
    QTest::qWait(150);
    widget->repaint();
    const QString file = outDir + QLatin1Char('/') + name + QStringLiteral(".png");
    // The 256 most frequent colours as the palette keep the files small; flat backgrounds and
    // text stay exact.
    const QImage full = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QHash<QRgb, int> counts;
    for (int y = 0; y < full.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(full.constScanLine(y));
        for (int x = 0; x < full.width(); ++x)
            ++counts[line[x]];
    }
    QList<QPair<int, QRgb>> byCount;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        byCount.append({it.value(), it.key()});
    std::sort(byCount.begin(), byCount.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QList<QRgb> table;
    for (int i = 0; i < std::min<qsizetype>(256, byCount.size()); ++i)
        table.append(byCount[i].second);
    QImage image = full.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
    if (!image.save(file, "PNG", 9))
        std::fprintf(stderr, "could not write %s\n", qPrintable(file));
    else
        std::printf("%s\n", qPrintable(file));
}

QByteArray photo(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor::fromHsv((200 + seed * 23) % 360, 90, 230));
    sky.setColorAt(1, QColor::fromHsv((30 + seed * 17) % 360, 120, 180));
    p.fillRect(image.rect(), sky);
    p.setBrush(QColor::fromHsv((90 + seed * 31) % 360, 140, 120));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(width * 0.3, height * 1.1), width * 0.6, height * 0.5);
    p.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return bytes;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmore"));
    QApplication::setApplicationName(QStringLiteral("Quillmore"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui-screenshots <output folder>\n");
        return 2;
    }
    outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);
    ensureIconTheme();

    QTemporaryDir dir;
    const QString root = dir.path() + QStringLiteral("/Wedding Smith");
    auto file = [&](const QString &rel, const QByteArray &bytes) {
        QDir().mkpath(parentPath(root + QLatin1Char('/') + rel));
        QFile f(root + QLatin1Char('/') + rel);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    };
    for (int i = 1; i <= 24; ++i) {
        const QString name = QStringLiteral("DSC_%1").arg(4100 + i * 3, 4, 10, QLatin1Char('0'));
        file(QStringLiteral("Selects/") + name + QStringLiteral(".JPG"), photo(120, 80, i));
        const QImage scene = photoLikeScene(160, 120, std::uint32_t(i));
        if (i != 7 && i != 15) {
            QDir().mkpath(root + QStringLiteral("/Card 1/DCIM/100CAMERA"));
            writeDng(scene, root + QStringLiteral("/Card 1/DCIM/100CAMERA/") + name + QStringLiteral(".DNG"));
        }
        if (i % 5 == 0)
            file(QStringLiteral("Card 1/DCIM/100CAMERA/") + name + QStringLiteral(".xmp"), QByteArray(900, 'x'));
        if (i == 4 || i == 11 || i == 18) { // 18: the same file on both, counted once
            QDir().mkpath(root + QStringLiteral("/Backup/2024-06-01"));
            writeDng(i == 18 ? scene : photoLikeScene(160, 120, std::uint32_t(i + 100)),
                     root + QStringLiteral("/Backup/2024-06-01/") + name + QStringLiteral(".DNG"));
        }
    }
    QDir().mkpath(root + QStringLiteral("/Delivery"));

    UiHarness ui(dir.path() + QStringLiteral("/settings.ini"), false, true);
    MainWindow *window = ui.window.get();
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return 1;
    WorkflowViewModel *vm = ui.vm();

    save(window, QStringLiteral("1-setup-empty"));
    vm->setSelectionFolder(root + QStringLiteral("/Selects"));
    vm->setSearchLocations({root + QStringLiteral("/Card 1"), root + QStringLiteral("/Backup")});
    vm->setDestinationFolder(root + QStringLiteral("/Delivery"));
    vm->setDuplicateCheckEnabled(true);
    vm->setFileCheckEnabled(true);
    save(window, QStringLiteral("2-setup"));

    vm->startScan();
    waitFor([&] { return vm->stage() == WorkflowStage::summary && !vm->isPlanning(); });
    save(window, QStringLiteral("3-summary"));

    ui.content()->setShowProblems(true);
    waitFor([&] { return ui.content()->problemsSheet() && ui.content()->problemsSheet()->isVisible(); });
    ui.content()->problemsSheet()->resize(760, 600);
    save(ui.content()->problemsSheet(), QStringLiteral("4-problems"));
    ui.content()->setShowProblems(false);

    for (const SelectionResult &r : vm->ambiguousResults())
        vm->chooseCandidate(r.candidates.first().url, r.id());
    for (const SelectionResult &r : vm->notFoundResults())
        vm->skipResult(r.id());
    waitFor([&] { return !vm->isPlanning(); });
    if (ui.standIns.qualityStandIn) {
        // The stand-in checker flags everything; pictures of it would mislead.
        vm->setDuplicateCheckEnabled(false);
        vm->setFileCheckEnabled(false);
    }
    vm->startCopy();
    waitFor([&] { return vm->stage() == WorkflowStage::completed; });
    save(window, QStringLiteral("5-completed"));

    ui.content()->setShowReport(true);
    waitFor([&] { return ui.content()->reportSheet() && ui.content()->reportSheet()->isVisible(); });
    ui.content()->reportSheet()->resize(900, 560);
    save(ui.content()->reportSheet(), QStringLiteral("6-report"));
    ui.content()->setShowReport(false);

    {
        // The copy screen mid-run: the stand-in copier held at its gate after the first file.
        UiHarness held(dir.path() + QStringLiteral("/held.ini"), true);
        held.window->show();
        if (!QTest::qWaitForWindowExposed(held.window.get()))
            return 1;
        WorkflowViewModel *hvm = held.vm();
        QDir(root + QStringLiteral("/Delivery 2")).removeRecursively();
        QDir().mkpath(root + QStringLiteral("/Delivery 2"));
        hvm->setSelectionFolder(root + QStringLiteral("/Selects"));
        hvm->setSearchLocations({root + QStringLiteral("/Card 1")});
        hvm->setDestinationFolder(root + QStringLiteral("/Delivery 2"));
        hvm->startScan();
        waitFor([&] { return hvm->stage() == WorkflowStage::summary && !hvm->isPlanning(); });
        held.standIns.copyGate->open = false;
        hvm->startCopy();
        waitFor([&] { return hvm->stage() == WorkflowStage::copying; });
        QTest::qWait(200);
        save(held.window.get(), QStringLiteral("5a-copying"));
        held.standIns.copyGate->open = true;
        waitFor([&] { return hvm->stage() == WorkflowStage::completed; });
    }

    {
        // A card that lost files before the copy (pulled and re-inserted, say): the completion
        // tells which pictures failed and why, and Retry Failed copies them once they are back.
        // A search location that is not there gives the warnings sheet.
        UiHarness failing(dir.path() + QStringLiteral("/failing.ini"));
        failing.window->show();
        if (!QTest::qWaitForWindowExposed(failing.window.get()))
            return 1;
        WorkflowViewModel *fvm = failing.vm();
        QDir().mkpath(root + QStringLiteral("/Delivery 3"));
        fvm->setSelectionFolder(root + QStringLiteral("/Selects"));
        fvm->setSearchLocations({root + QStringLiteral("/Card 1"), root + QStringLiteral("/Card 2")});
        fvm->setDestinationFolder(root + QStringLiteral("/Delivery 3"));
        fvm->startScan();
        waitFor([&] { return fvm->stage() == WorkflowStage::summary && !fvm->isPlanning(); });
        failing.content()->setShowWarnings(true);
        waitFor([&] { return failing.content()->warningsSheet() && failing.content()->warningsSheet()->isVisible(); });
        failing.content()->warningsSheet()->resize(760, 360);
        save(failing.content()->warningsSheet(), QStringLiteral("3a-warnings"));
        failing.content()->setShowWarnings(false);
        for (const SelectionResult &r : fvm->notFoundResults())
            fvm->skipResult(r.id());
        waitFor([&] { return !fvm->isPlanning(); });
        QHash<QString, QByteArray> away;
        for (const int i : {2, 9, 17}) {
            const QString name = root
                + QStringLiteral("/Card 1/DCIM/100CAMERA/DSC_%1.DNG").arg(4100 + i * 3, 4, 10, QLatin1Char('0'));
            QFile f(name);
            if (f.open(QIODevice::ReadOnly))
                away.insert(name, f.readAll());
            QFile::remove(name);
        }
        fvm->startCopy();
        waitFor([&] { return fvm->stage() == WorkflowStage::completed; });
        save(failing.window.get(), QStringLiteral("5b-partial-failure"));
        for (auto it = away.cbegin(); it != away.cend(); ++it) {
            QFile f(it.key());
            if (f.open(QIODevice::WriteOnly))
                f.write(it.value());
        }
        fvm->retryFailed();
        waitFor([&] { return fvm->stage() == WorkflowStage::completed; });
        save(failing.window.get(), QStringLiteral("5c-retried"));
    }

    if (ui.standIns.ocrResult) {
        vm->startOver();
        const QString shot = dir.path() + QStringLiteral("/Screenshot list.png");
        QImage list(420, 260, QImage::Format_RGB32);
        list.fill(Qt::white);
        QPainter p(&list);
        p.setPen(Qt::black);
        QFont font = p.font();
        font.setPixelSize(15);
        p.setFont(font);
        // Where each name lies on the screenshot, as the recogniser reports its lines.
        QList<QRect> boxes;
        for (int i = 0; i < 8; ++i) {
            const QString name = QStringLiteral("DSC_%1.JPG").arg(4103 + i * 3);
            p.drawText(20, 30 + i * 28, name);
            boxes << p.fontMetrics().boundingRect(name).translated(20, 30 + i * 28);
        }
        p.end();
        list.save(shot);
        ui.standIns.ocrResult->screenshotCount = 1;
        ui.standIns.ocrResult->filenameOccurrences = 9;
        for (int i = 0; i < 8; ++i)
            ui.standIns.ocrResult->candidates.append({makeId(),
                                                      QStringLiteral("DSC_%1.JPG").arg(4103 + i * 3),
                                                      i == 5 ? 0.52f : 0.93f,
                                                      {shot},
                                                      {},
                                                      false,
                                                      boxes[i]});
        vm->selectScreenshots({shot});
        waitFor([&] {
            return ui.content()->screenshotReviewSheet() && ui.content()->screenshotReviewSheet()->isVisible();
        });
        ui.content()->screenshotReviewSheet()->resize(760, 620);
        QTest::qWait(300);
        save(ui.content()->screenshotReviewSheet(), QStringLiteral("7-screenshot-review"));
    }
    return 0;
}
