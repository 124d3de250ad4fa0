#pragma once
// Ids of the resources built into Setup.exe (Setup.rc).
#define IDI_SETUP 1
#define IDR_SIDEIMAGE 100
