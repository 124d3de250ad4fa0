#pragma once
// The registry keys the product writes or removes, each named once. Their
// layout is what earlier versions wrote and other programs read: the names
// never change.

// Below HKEY_LOCAL_MACHINE.
constexpr const char* kUninstallKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Morvella";
// Version 1.0's own key; while it exists, version 1.0 is what is installed.
constexpr const char* kVersion10Key = "\\Software\\Vantrel\\Morvella\\1.0";
// Where Windows keeps the Program Files folders.
constexpr const char* kCurrentVersionKey = "\\Software\\Microsoft\\Windows\\CurrentVersion";

// Below HKEY_CLASSES_ROOT: the extension, the class it names, and the
// class's keys.
constexpr const char* kWordlistExtensionKey = "\\.wdl";
constexpr const char* kWordlistClass = "Morvella.Wordlist";
constexpr const char* kWordlistClassKey = "\\Morvella.Wordlist";
constexpr const char* kWordlistIconKey = "\\Morvella.Wordlist\\DefaultIcon";
constexpr const char* kWordlistShellKey = "\\Morvella.Wordlist\\Shell";
constexpr const char* kWordlistOpenKey = "\\Morvella.Wordlist\\Shell\\Open";
constexpr const char* kWordlistOpenCommandKey = "\\Morvella.Wordlist\\Shell\\Open\\command";
// The verb an earlier installation wrote in its own language.
constexpr const char* kWordlistOpenenKey = "\\Morvella.Wordlist\\Shell\\Openen";
constexpr const char* kWordlistOpenenCommandKey = "\\Morvella.Wordlist\\Shell\\Openen\\command";
