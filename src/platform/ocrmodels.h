#pragma once

// Where the recognition models are, and how a program that reads screenshots sets itself up for
// recognition: one Tesseract thread per reading, and as many readings at once as the machine holds.

#include <QString>
#include <QtGlobal>

#include <vector>

namespace quillmore {

// Where the recognition models are.
struct OcrModelPaths {
    QString detectionModel;   // ONNX file; empty when none was found
    QString tessdataDir;      // folder with the traineddata files
    QString languages;        // "Latin" (Debian's script model), else "eng+nld"
    bool bestIntData = false; // the tessdata folder is the "best_int" set from set-up
    // The language data recognition is measured with: the Latin model, or the best_int set.
    bool fullLanguageData() const { return languages == QLatin1String("Latin") || bestIntData; }
};

// Looks for the detection model in $QUILLMORE_OCR_MODELS, then <program>/../share/quillmore/
// ocr-models, then the folder set-up fills in the source tree (without it, the morphological line
// finder is used). Language data: Debian's Latin-script model when installed, else the "best_int"
// English and Dutch data from set-up, else Debian's English (and Dutch).
// $QUILLMORE_OCR_LANGUAGES overrides the languages, for measuring.
OcrModelPaths locateOcrModels();

// The path of the traineddata file of one language in the folder; empty when it is not there.
QString languageDataFile(const QString &tessdataDir, const QString &language);

// A traineddata file as the reading uses it: without the LSTM word list, which would make the
// recognition weigh what it sees against dictionary words, and names are not words. The word list
// is most of such a file (89 of the 90 MB of Debian's Latin-script model): every engine would read
// it and copy it twice, and the first would unpack it and keep it, which cost a process that reads
// one screenshot 210 MB of its 300 and a third of a second. Everything else is kept byte for byte.
// Data not laid out as a traineddata file is returned as it is, for Tesseract to judge.
std::vector<char> languageDataWithoutWordList(const char *data, qint64 size);
// Tesseract's file reader for language data: the file at `filename`, without its word list.
// False when it cannot be read.
bool readLanguageDataWithoutWordList(const char *filename, std::vector<char> *data);

// The settings a program that reads screenshots starts with, which only the environment at the
// start of a process can give:
// - OMP_THREAD_LIMIT=1. Tesseract's OpenMP runtime starts and spins threads for every small line
//   it reads, which for one box at a time costs far more processor time than it saves.
// - GLIBC_TUNABLES: the allocator backs its large blocks with huge pages and keeps what is freed
//   for the next block. A reading allocates and frees hundreds of megabytes of images and network
//   layers; in 4 KiB pages every first touch is a page fault, which cost about as much processor
//   time as the recognition itself (a 2x screenshot: 5.7 s of CPU, 2.7 s with these settings).
//   Each worker of a batch keeps its emptied heaps for its next reading (8 screenshots on two
//   processors: 100,000 page faults before, 20,000 with it).
//   An environment that already sets GLIBC_TUNABLES keeps its own.
// A program that reads screenshots calls this first thing in main: unless OMP_THREAD_LIMIT is
// already set, the program is started again, once, with the settings. Returns only when no
// restart happened (or it failed). Such a program then installs the image work backend
// (imagework.h).
void restartWithRecognitionSettings(char **argv);
// Starts `program` in place of this process, with the recognition's settings (those not already
// set): for a launcher that hands screenshot reading to another program. Returns only when the
// program could not be started (errno tells why).
void execWithRecognitionSettings(const char *program, char **argv);
// Gives memory that readings freed back to the system, once a batch is done: the settings above
// keep it in the process while screenshots are being read.
void releaseFreedMemory();

// How many screenshots can be read at the same time: one per processor this program may use, and
// no more than the memory now available holds at about a gigabyte each. At least one.
int concurrentRecognitionLimit();

} // namespace quillmore
