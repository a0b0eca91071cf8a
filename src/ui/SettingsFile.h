#pragma once

// The settings file of the data root (connection modes and data-server settings), without
// widgets; TAppIniCreateBox (ui/AppIniCreateBox.h) is its dialog.

#include <string>

namespace ui {

inline constexpr const char* kDefaultDbUser = "MORABY";
inline constexpr const char* kDefaultDbPassword = "qolvex";

// The file's rules. The file is SystemDef.IniFileName; the values go to and come from
// SystemDef and ConnectMode. Writing errors (platform::files::FileError,
// platform::text::EncodingError) reach the caller.
class AppIniCreateSettings {
public:
    // Reset 1: the default file (APPLICATION, LOCAL and SERVER; DATABASE and MAINFORM erased,
    // SBC kept). Otherwise the six keys of ConnectMode's section. Returns true.
    static bool WriteIniSettings(int Reset);
    // SERVER for kind 1, SBC for 2, LOCAL otherwise, into SystemDef (UseGroup cleared). 1.
    static int ReadIniSection(int Kind);
    // The connection settings the run mode needs; 0 for an unknown run mode.
    static int ReadIniSettings(int Kind);
    // APPLICATION/CONNECT for modes 0..2 in run mode 0; nothing otherwise.
    static void WriteConnect(int Mode);
    // APPLICATION/CONNECT (0 when not an integer, and in other run modes).
    static int ReadConnect();

    // The section name of a connection mode or section kind (LOCAL for anything but 1 and 2).
    static const char* sectionOf(int mode);
};

} // namespace ui
