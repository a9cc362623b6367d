#pragma once

// The steps of the program's start, for the start-up benchmark's probe: the
// program marks the end of each step, and a probe that installs a recorder
// learns when each one ended. The program itself installs none, so a mark
// costs one test of a null pointer.
namespace startup {

using Recorder = void (*)(const char* phase);

namespace detail {
inline Recorder recorder = nullptr;
}

inline void setRecorder(Recorder recorder) {
    detail::recorder = recorder;
}

// The step named `phase` ends now.
inline void mark(const char* phase) {
    if (detail::recorder)
        detail::recorder(phase);
}

} // namespace startup
