// Command line of the converter tdeconv, parsed apart from doing anything so
// that every form is checked in one table.
//   tdeconv IN OUT                    one file, to the format of OUT's extension
//   tdeconv -i FILE                   "W H BPP CMAPN FTYPE" of a file
//   tdeconv -t FMT [-d DIR] FILE...   many files to one format
//   tdeconv --help | -h | --version
#pragma once

#include <string>
#include <vector>

// Exit codes of tdeconv.
enum : int {
  CONV_DONE = 0,    // every file converted (or shown)
  CONV_FAILED = 1,  // at least one file failed; each is named with its reason
  CONV_USAGE = 2,   // the command line was wrong; nothing was done
};

enum class ConvMode { kUsage, kHelp, kVersion, kConvert, kInfo, kBatch };

struct ConvArgs {
  ConvMode mode = ConvMode::kUsage;
  // Shift-JIS reason of a usage error ("" when there were no arguments) and
  // the word it concerns, shown as given.
  std::string error;
  std::string word;
  int kind = 0;     // batch: format code of -t
  std::string dir;  // batch: -d folder, "" for the folder of each input
  // kConvert: IN and OUT; kInfo: FILE; kBatch: the inputs.
  std::vector<std::string> files;
};

// Parses the arguments after the program name.
ConvArgs convParse(const std::vector<std::string>& args);

// Batch output name: the input's base name with the extension of format
// `kind`, in `dir` (or in the input's own folder when dir is "").
std::string convOutName(const std::string& dir, const std::string& in, int kind);

// " bmp pxa ..." — the names -t takes, in format-code order.
std::string convFormatNames();
