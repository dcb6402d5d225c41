#pragma once

#include <ostream>

namespace fotoloom {

// The command-line converter: returns the exit status (0 all converted, 1 a photo failed,
// 2 bad usage).
int RunConvertCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace fotoloom
