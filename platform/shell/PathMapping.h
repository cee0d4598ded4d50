#pragma once

#include <string>

// The system names its files Windows-style: ".\\name.exe" beside the program,
// ".\\sound.bat", folders joined by "%s\\%s". Every such mapping to this
// system's paths lives here, each with its reason, so that a Windows backend
// could map them back.
namespace platform::paths {

// "%s\\%s": folders are joined with '/'.
std::string join(const std::string& folder, const std::string& name);

// ".\\name.exe" -> "./name" (programs carry no extension here);
// ".\\sound.bat" -> "./sound.sh" (shell scripts replace batch files);
// any other ".\\file" -> "./file"; a bare "name.exe" -> "name" (found on PATH);
// "wmplayer" (the system's own media player) -> "xdg-open", which hands the
// file to whatever player the desktop has; "wordpad" (the system's word
// processor) -> "xdg-open", the desktop's opener of documents;
// other texts are returned with backslashes turned into '/'.
std::string program(const std::string& windowsName);

// Programs expected beside the program that are part of the system here
// ("./ffmpeg" -> ffmpeg on PATH when none is beside the program).
bool foundOnPathToo(const std::string& programName);

// Programs of the system's maker that exist for Windows only ("./sceneback",
// its restore program): they are never found here, so a failed start of one
// is a trace line rather than a message the user can do nothing about.
bool windowsOnly(const std::string& programName);

// The folder shared by all users: /home/Public, as C:\Users\Public sits
// beside the users' own folders.
std::string sharedFolder();

// The few registry values the system reads that have no other source here
// live in a key/value file of the roaming application-data folder.
std::string registryFile(const std::string& roamingAppData);

}  // namespace platform::paths
