#pragma once
// Ids of the resources built into Setup.exe (Setup.rc).
#define IDI_SETUP 1
#define IDI_FOLDER_CLOSED 2
#define IDI_FOLDER_OPEN 3
#define IDR_SIDEIMAGE 100
