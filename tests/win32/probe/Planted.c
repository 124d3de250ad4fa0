/* A DLL that stands beside a program as a planted one would. */
__declspec(dllexport) int Planted(void) { return 42; }
