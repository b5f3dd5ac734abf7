#pragma once

#include <cstdint>

namespace kv {

// Report IDs of the controller. Input reports (controller to program):
inline constexpr uint8_t kReportStatus = 0x20;          // status, with the battery byte
inline constexpr uint8_t kReportAcknowledge = 0x22;     // result of an output report
inline constexpr uint8_t kReportButtonsAccel = 0x31;    // buttons and accelerometer
inline constexpr uint8_t kReportButtonsAccelIR = 0x33;  // ... and 12 bytes of IR points

// Output reports (program to controller):
inline constexpr uint8_t kReportLedRumble = 0x11;        // LED and rumble byte
inline constexpr uint8_t kReportDataMode = 0x12;         // data reporting mode
inline constexpr uint8_t kReportIRCameraEnable = 0x13;   // IR camera enable (bit 2)
inline constexpr uint8_t kReportStatusRequest = 0x15;    // asks for a status report
inline constexpr uint8_t kReportRegisterWrite = 0x16;    // memory and register write
inline constexpr uint8_t kReportIRCameraEnable2 = 0x1A;  // IR camera enable 2 (bit 2)

// Data reporting modes of report 0x12.
inline constexpr uint8_t kModeButtons = 0x30;
inline constexpr uint8_t kModeButtonsAccel = kReportButtonsAccel;
inline constexpr uint8_t kModeButtonsAccelIR = kReportButtonsAccelIR;

}  // namespace kv
