#pragma once
// Ids of the resources built into Setup.exe (Setup.rc).
#define IDI_SETUP 1
#define IDI_FOLDER_CLOSED 2
#define IDI_FOLDER_OPEN 3
#define IDR_SIDEIMAGE 100
// The SHA-256 of each payload volume, in a release build only.
#define IDR_VOLUME_HASHES 101
