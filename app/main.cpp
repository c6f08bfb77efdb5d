// The program: start the platform, create the windows, run the message loop.
#include <cstdio>
#include <string>

#include "app/Program.h"
#include "ui/TApplication.h"

int main() {
  std::string reason;
  if (!StartProgram(&reason)) {
    std::fprintf(stderr, "nobrivo: %s\n", reason.c_str());
    return 1;
  }
  Application->Run();
  EndProgram();
  return 0;
}
