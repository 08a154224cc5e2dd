#pragma once
// The application's one reverse-DNS name: its session-bus name, X11 class,
// desktop entry, icon and software-centre metadata all share it.

namespace velmorin::shell {

inline constexpr const char* kApplicationId = VELMORIN_APP_ID;

// The application action that brings the window forward ("app.present").
inline constexpr const char* kPresentAction = "present";

}  // namespace velmorin::shell
