#pragma once

// The commands the main frame carries out itself (files, printing, windows,
// language); the page view's commands are in the view's command registry.
// The caption of a command is the language pack's string of the same number.

#include <cstdint>

namespace kavitro::FrameCommand {
inline constexpr std::uint32_t FileNew = 57600;
inline constexpr std::uint32_t FileOpen = 57601;
inline constexpr std::uint32_t FileClose = 57602;
inline constexpr std::uint32_t FileSave = 57603;
inline constexpr std::uint32_t FileSaveAs = 57604;
inline constexpr std::uint32_t FilePageSetup = 57606;
inline constexpr std::uint32_t FilePrint = 57607;
inline constexpr std::uint32_t FilePrintDirect = 57608;
inline constexpr std::uint32_t FilePrintPreview = 57609;
// The recent documents, newest first.
inline constexpr std::uint32_t RecentFile1 = 57616;
inline constexpr std::uint32_t RecentFileCount = 4;
inline constexpr std::uint32_t Export = 32806;
inline constexpr std::uint32_t ImportText = 32807;
inline constexpr std::uint32_t AppAbout = 57664;
inline constexpr std::uint32_t AppExit = 57665;
inline constexpr std::uint32_t SwitchLanguage = 32784;
inline constexpr std::uint32_t PageProperties = 32808;
inline constexpr std::uint32_t Keyboard = 32812;
inline constexpr std::uint32_t WindowsDialog = 32836;
inline constexpr std::uint32_t ViewHorizontalRuler = 59408;
inline constexpr std::uint32_t ViewVerticalRuler = 59409;
}  // namespace kavitro::FrameCommand
