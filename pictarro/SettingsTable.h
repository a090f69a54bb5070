#pragma once

#include <QLatin1String>

// Where each of Pictarro's settings lives in the store: section and key,
// exactly as stored. The defaults are applied by MainForm's load.
struct SettingKey
{
    QLatin1String section;
    QLatin1String key;
};

namespace Settings {

inline constexpr SettingKey SelectedSong{QLatin1String("WAV-File-Path"),
                                         QLatin1String("SelectedSong")};
inline constexpr SettingKey Folder{QLatin1String("CapturePath"), QLatin1String("Folder")};
inline constexpr SettingKey SaveName{QLatin1String("ImageName"), QLatin1String("SaveName")};
inline constexpr SettingKey StartUp{QLatin1String("PictarroStartUp"), QLatin1String("StartUp")};
inline constexpr SettingKey Minimized{QLatin1String("PictarroMinimized"),
                                      QLatin1String("Minimized")};
inline constexpr SettingKey QualityValue{QLatin1String("QualityValue"),
                                         QLatin1String("QualityValue")};
inline constexpr SettingKey SaveExtensionJPG{QLatin1String("ImageExtensionJPG"),
                                             QLatin1String("SaveExtensionJPG")};
inline constexpr SettingKey SaveExtensionPNG{QLatin1String("ImageExtensionPNG"),
                                             QLatin1String("SaveExtensionPNG")};
inline constexpr SettingKey CaptureCounter{QLatin1String("CaptureCounter"),
                                           QLatin1String("CaptureCounter")};
// "1": a desktop notification after each capture; anything else: none.
inline constexpr SettingKey Notify{QLatin1String("CaptureNotification"), QLatin1String("Notify")};

inline constexpr SettingKey ClipboardMode{QLatin1String("ClipboardAfterCapture"),
                                          QLatin1String("Mode")};

inline constexpr QLatin1String DefaultBaseName("Pictarro");
inline constexpr QLatin1String DefaultCounter("0");
inline constexpr int DefaultQuality = 100;
inline constexpr QLatin1String DefaultClipboardMode("Empty");
inline constexpr QLatin1String DefaultNotify("0");

} // namespace Settings
