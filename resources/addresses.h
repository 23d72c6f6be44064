#pragma once
// The addresses the program opens: all our own.

namespace resources {

inline constexpr const char* kWelcomePage = "https://quillon.example.com/welcome";
inline constexpr const char* kTutorialPage = "https://quillon.example.com/tutorial";
inline constexpr const char* kHomePage = "https://quillon.example.com/";
inline constexpr const char* kSupportMail = "support@quillon.example.com";

}  // namespace resources
