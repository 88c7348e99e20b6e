#pragma once
// Branding text numbers that several parts of the application use.

inline constexpr int kAppNameText = 191; // the application's name: main window title, box caption
inline constexpr int kQuestionCaptionText = 31;
inline constexpr int kOperationEndCaptionText = 24; // the box at the end of a data operation

// The opening and closing of a server session by a runner.
inline constexpr int kOpeningSessionText = 34;
inline constexpr int kConnectingText = 36;
inline constexpr int kServerUnreachableText = 51;
inline constexpr int kOperationRefusedText = 53;
inline constexpr int kSessionNotCompletedText = 54;
