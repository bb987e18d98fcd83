// Starting programs and scratch folders on Windows: no shell in between, so the
// arguments are quoted for the C runtime's parser, the environment settings are made
// in this process for the child to inherit, and its text-mode line ends are undone.
#include <windows.h>

#include <random>
#include <stdexcept>

#include "tests/render/render_test_support.h"

namespace {

// The quoting CommandLineToArgvW and the C runtime undo: backslashes double only
// before a quote.
std::string quotedArgument(const std::string& text) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

// "NAME='value'" (as written for a shell) set here, and removed again when done.
class EnvironmentSetting {
 public:
  explicit EnvironmentSetting(const std::string& setting) {
    const std::size_t equals = setting.find('=');
    if (equals == std::string::npos) return;
    name_ = setting.substr(0, equals);
    std::string value = setting.substr(equals + 1);
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') value = value.substr(1, value.size() - 2);
    ::SetEnvironmentVariableA(name_.c_str(), value.c_str());
  }
  ~EnvironmentSetting() {
    if (!name_.empty()) ::SetEnvironmentVariableA(name_.c_str(), nullptr);
  }
  EnvironmentSetting(const EnvironmentSetting&) = delete;
  EnvironmentSetting& operator=(const EnvironmentSetting&) = delete;

 private:
  std::string name_;
};

std::string withoutCarriageReturns(const std::string& text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) plain += text[i];
  return plain;
}

}  // namespace

RunResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& environment, const std::string& launcher) {
  if (!launcher.empty()) throw std::runtime_error("no launcher runs programs on Windows");
  const EnvironmentSetting setting(environment);
  std::string commandLine = quotedArgument(program);
  for (const std::string& argument : arguments) {
    commandLine += ' ';
    commandLine += quotedArgument(argument);
  }

  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) throw std::runtime_error("CreatePipe failed");
  ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  HANDLE nothing = ::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING,
                                 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nothing;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                       &startup, &process);
  ::CloseHandle(writeEnd);
  ::CloseHandle(nothing);
  if (!started) {
    ::CloseHandle(readEnd);
    throw std::runtime_error("cannot run " + commandLine);
  }
  RunResult result;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) result.output.append(buffer, got);
  ::CloseHandle(readEnd);
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  ::GetExitCodeProcess(process.hProcess, &exitCode);
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
  result.exitCode = static_cast<int>(exitCode);
  result.output = withoutCarriageReturns(result.output);
  return result;
}

std::filesystem::path makeScratchFolder() {
  std::random_device seed;
  std::mt19937 names(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vst-render-test-" + std::to_string(names()));
    if (std::filesystem::create_directory(folder)) return folder;
  }
  throw std::runtime_error("cannot make a scratch folder");
}
