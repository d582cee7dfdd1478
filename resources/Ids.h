#pragma once
// Identifiers of the main dialog's template, its controls, its menu and its icon.

namespace ids {

inline constexpr int kDialogTemplate = 102;
inline constexpr int kMenu = 140;
inline constexpr int kIcon = 128;

inline constexpr int kMergeList = 1000;
inline constexpr int kPathField = 1001;
inline constexpr int kBrowseButton = 1002;
inline constexpr int kSizeField = 1004;
inline constexpr int kModeSelector = 1005;
inline constexpr int kStartButton = 1006;
inline constexpr int kCloseButton = 1007;
inline constexpr int kProgressBar = 1008;
inline constexpr int kDeleteButton = 1012;
inline constexpr int kUnitLabel = 1013;
inline constexpr int kSizeLabel = 1015;
inline constexpr int kDeleteAfterMergeBox = 1016;
inline constexpr int kInfoLine = 1017;

inline constexpr int kMenuShowProgress = 32771;
inline constexpr int kMenuWriteToMe = 32772;
inline constexpr int kMenuFeatures = 32774;
inline constexpr int kMenuAbout = 32775;
inline constexpr int kMenuEnlargeBuffer = 32776;
inline constexpr int kMenuUsage = 32777;
inline constexpr int kMenuForum = 32778;
inline constexpr int kMenuPieceFolder = 32780;
inline constexpr int kMenuMultithreading = 32781;
inline constexpr int kMenuChecksum = 32782;
inline constexpr int kMenuAboutVelda = 32783;

} // namespace ids
