// The renderer's failures: a message meant for the user, printed once, and the exit
// codes scripts can rely on.
#pragma once

#include <stdexcept>
#include <string>

constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1;  // a failed render, a file or plug-in problem
constexpr int kExitUsage = 2;    // an unknown option, a missing argument or a bad value

class RenderError : public std::runtime_error {
 public:
  explicit RenderError(const std::string& message) : std::runtime_error(message) {}
};

// A request that cannot be met whatever the files hold: an output type libsndfile
// cannot write, an encoding its container cannot hold, a setting that fits nothing.
class UsageError : public RenderError {
 public:
  using RenderError::RenderError;
};
