// The program's own icons, compiled into the Qt library, and the paths under which they are found.
#pragma once

#include <QString>
#include <QStringList>

namespace velantor::skin {

// Registers the compiled icon resources. A static library drops the resource object unless
// something calls this, so call it once before the first ":/icons/..." lookup (main does; every
// IconButton does too). Further calls are harmless.
void InitResources();

// Every icon the program ships, as ":/icons/<name>.svg".
QStringList IconPaths();

namespace icons {
inline constexpr const char* kApp = ":/icons/velantor.svg";
inline constexpr const char* kNotConnected = ":/icons/not_connected.svg";
inline constexpr const char* kConnected = ":/icons/connected.svg";
inline constexpr const char* kNext = ":/icons/next.svg";
inline constexpr const char* kNextHover = ":/icons/next_hover.svg";
inline constexpr const char* kPrevious = ":/icons/previous.svg";
inline constexpr const char* kPreviousHover = ":/icons/previous_hover.svg";
inline constexpr const char* kClose = ":/icons/close.svg";
inline constexpr const char* kCloseHover = ":/icons/close_hover.svg";
inline constexpr const char* kMinimise = ":/icons/minimise.svg";
inline constexpr const char* kMinimiseHover = ":/icons/minimise_hover.svg";
inline constexpr const char* kModeMatrix = ":/icons/mode_matrix.svg";
inline constexpr const char* kModeMatrixHover = ":/icons/mode_matrix_hover.svg";
inline constexpr const char* kModeMultiviewer = ":/icons/mode_multiviewer.svg";
inline constexpr const char* kModeMultiviewerHover = ":/icons/mode_multiviewer_hover.svg";
inline constexpr const char* kModeVideowall = ":/icons/mode_videowall.svg";
inline constexpr const char* kModeVideowallHover = ":/icons/mode_videowall_hover.svg";
inline constexpr const char* kInfo = ":/icons/info.svg";
inline constexpr const char* kLogs = ":/icons/logs.svg";
}  // namespace icons

}  // namespace velantor::skin
