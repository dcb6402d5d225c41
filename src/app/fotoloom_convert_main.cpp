#include <unistd.h>

#include <csignal>
#include <iostream>

#include "cli/ConvertCommand.h"

namespace {

fotoloom::TRunGate g_gate;

// The first Ctrl+C (or SIGTERM) stops the run, the photos being converted included (they are
// not written); a second one ends at once.
void OnInterrupt(int) {
  g_gate.CancelFromSignal();
  constexpr char kMessage[] =
      "\nfotoloom-convert: stoppen; de foto's die worden omgezet, worden afgebroken\n";
  [[maybe_unused]] const auto written = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

}  // namespace

int main(int argc, char** argv) {
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
  fotoloom::TConsole console{std::cin, std::cout, std::cerr, ::isatty(STDIN_FILENO) != 0,
                             ::isatty(STDERR_FILENO) != 0};
  return fotoloom::RunConvertCommand({argv + 1, argv + argc}, console, g_gate);
}
