#pragma once

namespace ventiq {

// Every key of the application's preference domain. No other key is read or
// written; each reader applies its own default.
namespace PrefKeys {

inline constexpr const char* useFahrenheit = "VentiqUseFahrenheit";
inline constexpr const char* refreshSeconds = "VentiqRefreshSeconds";
inline constexpr const char* keepFansOnQuit = "VentiqKeepFansOnQuit";
inline constexpr const char* menuBarStyle = "VentiqMenuBarStyle";
inline constexpr const char* menuBarMono = "VentiqMenuBarMono";
inline constexpr const char* menuBarShowTemp = "VentiqMenuBarShowTemp";
inline constexpr const char* menuBarTempSource = "VentiqMenuBarTempSource";
inline constexpr const char* fullSpeedTimeoutOn = "VentiqFullSpeedTimeoutOn";
inline constexpr const char* fullSpeedTimeoutMinutes = "VentiqFullSpeedTimeoutMinutes";
inline constexpr const char* showNotifications = "VentiqShowNotifications";

inline constexpr const char* realControlV1 = "VentiqRealControlV1";
inline constexpr const char* preset = "VentiqPreset";
inline constexpr const char* lastActivePreset = "VentiqLastActivePreset";
inline constexpr const char* myLeftRPM = "VentiqMyLeftRPM";
inline constexpr const char* myRightRPM = "VentiqMyRightRPM";
inline constexpr const char* leftMode = "VentiqLeftMode";
inline constexpr const char* rightMode = "VentiqRightMode";
inline constexpr const char* leftLadderEnabled = "VentiqLeftLadderEnabled";
inline constexpr const char* rightLadderEnabled = "VentiqRightLadderEnabled";
inline constexpr const char* sensorStart = "VentiqSensorStart";
inline constexpr const char* sensorMax = "VentiqSensorMax";
inline constexpr const char* sensorSource = "VentiqSensorSource";
// The ladder keys are "VentiqLadder", the setting number and a suffix.
inline constexpr const char* ladder2On = "VentiqLadder2On";
inline constexpr const char* ladder2Temp = "VentiqLadder2Temp";
inline constexpr const char* ladder2L = "VentiqLadder2L";
inline constexpr const char* ladder2R = "VentiqLadder2R";
inline constexpr const char* ladder3On = "VentiqLadder3On";
inline constexpr const char* ladder3Temp = "VentiqLadder3Temp";
inline constexpr const char* ladder3L = "VentiqLadder3L";
inline constexpr const char* ladder3R = "VentiqLadder3R";
inline constexpr const char* ladderMaxOn = "VentiqLadderMaxOn";
inline constexpr const char* ladderMaxMin = "VentiqLadderMaxMin";
inline constexpr const char* takenOverFans = "VentiqTakenOverFans";

inline constexpr const char* selectedLanguage = "VentiqSelectedLanguage";
inline constexpr const char* fontScalePercent = "VentiqFontScalePercent";

}  // namespace PrefKeys
}  // namespace ventiq
