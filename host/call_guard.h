// The edge between a host's call and this library: no C++ exception crosses it. A body
// that throws (an allocation that fails, a library that throws) answers the call's
// refusal instead. Bodies change nothing before their last step that can throw, so the
// instance stays as it was. The try block costs nothing until something throws: every
// target unwinds by tables (the i686 mingw toolchain by DWARF-2, not setjmp/longjmp).
#pragma once

#include <utility>

template <class Result, class Body>
Result guardedCall(Result refusal, Body&& body) noexcept {
  try {
    return std::forward<Body>(body)();
  } catch (...) {
    return refusal;
  }
}

template <class Body>
void guardedCall(Body&& body) noexcept {
  try {
    std::forward<Body>(body)();
  } catch (...) {
  }
}
