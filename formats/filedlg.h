#pragma once

#include <cstddef>

// The two file dialogs and the extension they append (format codes come
// from extKind of formats/bmfile.h).

// Extension of the file-name part (pointing at its '.') or "" when none;
// leading dots of the file name do not start an extension.
const char* fileExtOf(const char* name);
// Extension appended for save-dialog filter `index` (1-based, in the order
// PXA, BMP, TIFF, JPEG, PPM, CUR, ICO, SBF, PNG), or null.
const char* fileFilterExt(int index);
// Appends the filter's extension when the name has none and it fits into
// `size` bytes; 1 when appended.
int fileAppendExt(char* name, size_t size, int filterIndex);

// Save dialog: -1 when cancelled, else extKind of the chosen name (with the
// selected filter's extension appended when the name had none).
int fileSaveDlg(char* name, int size);
// Open dialog: non-zero when a file was chosen (its name is in `name`).
int fileOpenDlg(char* name, int size);
