#include "ocrmodels.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <malloc.h>
#include <cstdio>
#include <cstdlib>

#include <sched.h>
#include <unistd.h>

#ifndef QUILLMORE_OCR_MODEL_DIR
#define QUILLMORE_OCR_MODEL_DIR ""
#endif

namespace quillmore {

namespace {

const char *const detectionModelFile = "ch_PP-OCRv4_det_opencv.onnx";
const char *const debianTessdata = "/usr/share/tesseract-ocr/5/tessdata";

bool hasLanguage(const QString &dir, const QString &language)
{
    return !languageDataFile(dir, language).isEmpty();
}

bool usableModelDir(const QString &dir)
{
    return !dir.isEmpty() && QFileInfo(dir).isDir();
}

} // namespace

QString languageDataFile(const QString &tessdataDir, const QString &language)
{
    const QString file = tessdataDir + QLatin1Char('/') + language + QLatin1String(".traineddata");
    return QFileInfo::exists(file) ? file : QString();
}

void restartWithRecognitionSettings(char **argv)
{
    if (std::getenv("OMP_THREAD_LIMIT") || !argv || !argv[0])
        return;
    execWithRecognitionSettings("/proc/self/exe", argv);
    // Could not restart: go on as we are.
}

void execWithRecognitionSettings(const char *program, char **argv)
{
    if (!std::getenv("OMP_THREAD_LIMIT") && ::setenv("OMP_THREAD_LIMIT", "1", 1) != 0)
        return;
    // Blocks of 32 MiB and more come straight from the system, the rest from the heap; what is
    // freed stays up to 256 MiB; both in huge pages where the kernel gives them on request.
    if (!std::getenv("GLIBC_TUNABLES"))
        ::setenv("GLIBC_TUNABLES",
                 "glibc.malloc.hugetlb=1:glibc.malloc.mmap_threshold=33554432:glibc.malloc.trim_threshold=268435456",
                 1);
    ::execv(program, argv);
}

void releaseFreedMemory()
{
    ::malloc_trim(0);
}

int concurrentRecognitionLimit()
{
    int processors = 1;
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof(set), &set) == 0)
        processors = std::max(1, CPU_COUNT(&set));
    else
        processors = int(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
    // MemAvailable, in kB: what can be used without swapping.
    constexpr qint64 bytesPerRecognition = qint64(1024) * 1024 * 1024;
    qint64 available = -1;
    if (FILE *meminfo = std::fopen("/proc/meminfo", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, meminfo)) {
            long long kib = 0;
            if (std::sscanf(line, "MemAvailable: %lld kB", &kib) == 1) {
                available = qint64(kib) * 1024;
                break;
            }
        }
        std::fclose(meminfo);
    }
    int byMemory = processors;
    if (available >= 0)
        byMemory = int(std::max<qint64>(1, available / bytesPerRecognition));
    return std::max(1, std::min(processors, byMemory));
}

OcrModelPaths locateOcrModels()
{
    QStringList dirs;
    if (const char *env = std::getenv("QUILLMORE_OCR_MODELS"); env && *env)
        dirs << QString::fromLocal8Bit(env);
    if (QCoreApplication::instance())
        dirs << QCoreApplication::applicationDirPath() + QLatin1String("/../share/quillmore/ocr-models");
    dirs << QString::fromUtf8(QUILLMORE_OCR_MODEL_DIR);

    OcrModelPaths paths;
    for (const QString &dir : dirs) {
        if (!usableModelDir(dir))
            continue;
        const QString model = dir + QLatin1Char('/') + QLatin1String(detectionModelFile);
        if (paths.detectionModel.isEmpty() && QFileInfo::exists(model))
            paths.detectionModel = QDir::cleanPath(model);
        const QString tessdata = dir + QLatin1String("/tessdata");
        if (paths.tessdataDir.isEmpty() && hasLanguage(tessdata, QStringLiteral("eng"))) {
            paths.tessdataDir = QDir::cleanPath(tessdata);
            paths.bestIntData = true;
        }
    }
    // Debian's Latin-script model reads every Latin letter (ł, ø, ç, ë ...) and, measured on
    // file-list screenshots, more names than English and Dutch together: it comes first.
    const QString debian = QString::fromLatin1(debianTessdata);
    const QString bestIntDir = paths.tessdataDir;
    if (const char *languages = std::getenv("QUILLMORE_OCR_LANGUAGES"); languages && *languages)
        paths.languages = QString::fromLatin1(languages); // for measuring other language sets
    else if (hasLanguage(debian, QStringLiteral("Latin")))
        paths.languages = QStringLiteral("Latin");
    else
        paths.languages = hasLanguage(bestIntDir.isEmpty() ? debian : bestIntDir, QStringLiteral("nld"))
            ? QStringLiteral("eng+nld")
            : QStringLiteral("eng");
    if (paths.languages.contains(QLatin1String("Latin")) || bestIntDir.isEmpty()) {
        paths.tessdataDir = debian;
        paths.bestIntData = false;
    }
    return paths;
}

} // namespace quillmore
