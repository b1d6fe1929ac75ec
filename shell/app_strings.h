// The program's fixed texts, each held once.
#pragma once

inline constexpr const char* kGameTitle = "Zorrit";
inline constexpr const char* kCollectionName = "Brinelight";
inline constexpr const char* kReleaseDate = "1997 / 10";
inline constexpr const char* kMakerLabel = "Fennomark";
inline constexpr const char* kWindowClassName = "Main";
inline constexpr const char* kInstanceLockName = "brinelight";
inline constexpr const char* kInstanceChannelName = "map_brinelight";
