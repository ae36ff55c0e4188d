#pragma once

// The desktop's file browser: showing a file selected in its folder, opening a folder.

#include <QString>

namespace quillmore {

// Shows the file selected in the file browser (org.freedesktop.FileManager1.ShowItems); when no
// file browser answers on the session bus, opens the file's folder instead. False when neither
// could be done.
bool revealInFileBrowser(const QString &path);

// Opens the folder with the desktop's default handler.
bool openFolderInFileBrowser(const QString &folder);

} // namespace quillmore
