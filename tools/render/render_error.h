// The one failure type of the renderer: a message meant for the user, printed once.
#pragma once

#include <stdexcept>
#include <string>

class RenderError : public std::runtime_error {
 public:
  explicit RenderError(const std::string& message) : std::runtime_error(message) {}
};
