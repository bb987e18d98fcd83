// The command line: options, --help text and the checks CLI11 cannot express.
#pragma once

#include <optional>
#include <string>

#include "tools/render/options.h"

// Fills `options`; answers an exit code when the program should stop right away
// (after --help, or after a usage error that was already printed).
std::optional<int> parseCommandLine(int argc, char** argv, RenderOptions& options);

// Prints a usage error the way every one is printed; answers the exit code for it.
int reportUsageError(const std::string& message);
