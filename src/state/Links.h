#pragma once
// The default of a link (an upward call through a std::function that the
// program start installs) which stands for "not wired yet". Calling it is a
// programming error: it is reported on standard error every time, counted,
// and ends a program that asked to be strict (the debug build of the
// program itself), so a link left unwired cannot quietly do nothing. Tests
// that drive a layer without the window may call it; they see the count.
//
//   std::function<void(int)> ShowSomething = links::Unwired;
//
// links::IsInstalled tells an installed link from an empty one or from
// this default.

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <type_traits>

namespace links {

// Reports the call of an unwired link (each signature once on standard
// error); signature names the link's type.
void ReportUnwired(const char* signature);
// How many unwired links were called since the program started.
std::size_t UnwiredCallCount();
// The same, per signature: lets a caller name the links called between
// two moments.
std::map<std::string, std::size_t> UnwiredCallsBySignature();
// Strict: a call of an unwired link aborts (after its report).
void SetStrictUnwired(bool strict);

template <class Signature>
struct UnwiredCall;

template <class R, class... A>
struct UnwiredCall<R(A...)> {
  static R Call(A...) {
    ReportUnwired(__PRETTY_FUNCTION__);
    if constexpr (!std::is_void_v<R>) return R{};
  }
};

// Converts to the unwired default of any link type.
struct UnwiredLink {
  template <class R, class... A>
  operator std::function<R(A...)>() const {
    return &UnwiredCall<R(A...)>::Call;
  }
};
inline constexpr UnwiredLink Unwired{};

template <class R, class... A>
bool IsUnwiredDefault(const std::function<R(A...)>& link) {
  auto* target = link.template target<R (*)(A...)>();
  return target && *target == &UnwiredCall<R(A...)>::Call;
}

template <class R, class... A>
bool IsInstalled(const std::function<R(A...)>& link) {
  return static_cast<bool>(link) && !IsUnwiredDefault(link);
}

}  // namespace links
