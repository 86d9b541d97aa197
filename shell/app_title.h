#pragma once
// The application title: the caption of the window, of its task-bar entry
// and of both message boxes.

inline constexpr const char* applicationTitle = "Velmor Merger 0.0.2";
