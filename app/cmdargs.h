// The process arguments in the ANSI code page, as the C runtime's
// __argc/__argv give them on Windows.
#pragma once

#include <string>
#include <vector>

class CmdArgs {
 public:
  // Reads the process command line.
  CmdArgs();
  CmdArgs(const CmdArgs&) = delete;
  CmdArgs& operator=(const CmdArgs&) = delete;

  int count() const { return static_cast<int>(strings_.size()); }
  // Null-terminated vector of count() strings, valid while this object lives.
  char** vector() { return pointers_.data(); }

 private:
  std::vector<std::string> strings_;
  std::vector<char*> pointers_;
};
