#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kv {

// Caption texts of the connection and of failed output reports.
inline constexpr std::string_view kCaptionTitle = "Kestrovane";
inline constexpr std::string_view kCaptionNoWiimote = "Kestrovane - No Wiimote detected.";
inline constexpr std::string_view kCaptionMotionInit = "Kestrovane - Motion Sensor Initialing..";
inline constexpr std::string_view kCaptionIRInit = "Kestrovane - IR Sensor Initialing..";
inline constexpr std::string_view kCaptionDeviceNotFound = "Device not found";

// Longest system message text the caption takes.
inline constexpr std::size_t kSystemMessageMaxLength = 256;

// The system's message text as the caption shows it: at most 256 characters, with trailing
// blanks, control characters and full stops removed.
std::string TrimSystemMessage(std::string_view message);

// "Error(" code "):" followed by the trimmed system message, with no blanks between the parts.
std::string ErrorCaption(uint32_t code, std::string_view systemMessage);

}  // namespace kv
