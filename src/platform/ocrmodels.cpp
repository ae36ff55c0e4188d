#include "ocrmodels.h"

#include "systemresources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <optional>

#include <malloc.h>
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

// A traineddata file: the number of components (32 bits), each component's offset in the file
// (64 bits; -1 for a component it does not have), then the components it has, in that order, one
// after the other to the end of the file. Little-endian, as Tesseract writes it on every machine
// this program runs on.
std::vector<char> languageDataWithoutWordList(const char *data, qint64 size)
{
    constexpr qint32 lstmWordList = 19; // Tesseract's TESSDATA_LSTM_SYSTEM_DAWG
    constexpr qint32 mostComponents = 64;
    const auto asGiven = [data, size] { return std::vector<char>(data, data + std::max<qint64>(0, size)); };
    if (size < 4)
        return asGiven();
    const qint32 count = qFromLittleEndian<qint32>(data);
    const qint64 headerSize = 4 + 8 * qint64(count);
    if (count <= lstmWordList || count > mostComponents || size < headerSize)
        return asGiven();
    std::vector<qint64> offsets(std::size_t(count), -1);
    qint64 previous = headerSize;
    for (qint32 i = 0; i < count; ++i) {
        const qint64 offset = qFromLittleEndian<qint64>(data + 4 + 8 * i);
        if (offset == -1)
            continue;
        if (offset < previous || offset > size)
            return asGiven();
        offsets[std::size_t(i)] = previous = offset;
    }
    const qint64 begin = offsets[std::size_t(lstmWordList)];
    if (begin < 0)
        return asGiven();
    qint64 end = size;
    for (qint32 i = lstmWordList + 1; i < count; ++i) {
        if (offsets[std::size_t(i)] >= 0) {
            end = offsets[std::size_t(i)];
            break;
        }
    }
    const qint64 removed = end - begin;
    std::vector<char> kept;
    kept.reserve(std::size_t(size - removed));
    kept.insert(kept.end(), data, data + begin);
    kept.insert(kept.end(), data + end, data + size);
    offsets[std::size_t(lstmWordList)] = -1;
    for (qint32 i = lstmWordList + 1; i < count; ++i) {
        if (offsets[std::size_t(i)] >= 0)
            offsets[std::size_t(i)] -= removed;
    }
    for (qint32 i = 0; i < count; ++i)
        qToLittleEndian<qint64>(offsets[std::size_t(i)], kept.data() + 4 + 8 * i);
    return kept;
}

bool readLanguageDataWithoutWordList(const char *filename, std::vector<char> *data)
{
    QFile file(QFile::decodeName(filename));
    const qint64 size = file.open(QIODevice::ReadOnly) ? file.size() : 0;
    if (size <= 0)
        return false;
    // Mapped, only the parts kept are read from the disk and copied.
    if (uchar *mapped = file.map(0, size)) {
        *data = languageDataWithoutWordList(reinterpret_cast<const char *>(mapped), size);
        file.unmap(mapped);
        return true;
    }
    const QByteArray contents = file.readAll();
    if (contents.size() != size)
        return false;
    *data = languageDataWithoutWordList(contents.constData(), contents.size());
    return true;
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
    // freed stays up to 256 MiB; both in huge pages where the kernel gives them on request. A
    // thread's heap (64 MiB at most) that empties stays for the thread's next blocks, with a pad
    // of 64 MiB: without it, each worker of a batch gives back and faults in again one heap after
    // another.
    if (!std::getenv("GLIBC_TUNABLES"))
        ::setenv("GLIBC_TUNABLES",
                 "glibc.malloc.hugetlb=1:glibc.malloc.mmap_threshold=33554432:glibc.malloc.trim_threshold=268435456"
                 ":glibc.malloc.top_pad=67108864",
                 1);
    ::execv(program, argv);
}

void releaseFreedMemory()
{
    ::malloc_trim(0);
}

int concurrentRecognitionLimit()
{
    const int processors = usableProcessorCount();
    constexpr qint64 bytesPerRecognition = qint64(1024) * 1024 * 1024;
    const std::optional<qint64> available = availableMemoryBytes();
    const int byMemory = available ? int(std::max<qint64>(1, *available / bytesPerRecognition)) : processors;
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
