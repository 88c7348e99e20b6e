#pragma once
// Branding text numbers that several parts of the application use.

inline constexpr int kAppNameText = 191; // the application's name: main window title, box caption
inline constexpr int kQuestionCaptionText = 31;
