// Replacements for three parts of the C++ runtime that a static link would
// otherwise bring in whole, for the size of the programs (they share the
// first floppy with the payload). Linked as objects of each program, so the
// linker takes these before it looks in libstdc++.
#include <cstdlib>
#include <new>
#include <string>
#include <typeinfo>

#include "platform/Exceptions.h"

// The library's handler prints the uncaught exception's type, which needs the
// C++ demangler (46 KB) and printf. An uncaught exception cannot happen here
// (every event handler runs under the general error handler); should one, the
// program ends as abort() ends it.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// The library's versions of these raise std::logic_error and its kin, whose
// strings are the old copy-on-write kind: a second string implementation
// (40 KB). The containers call them only on impossible sizes or indexes; the
// error they raise is the system's own, with the same text.
namespace std {
namespace {
[[noreturn]] void Raise(const char* what) { throw os::Exception(what ? what : "internal error"); }
}  // namespace
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char* what) { Raise(what); }
void __throw_domain_error(const char* what) { Raise(what); }
void __throw_invalid_argument(const char* what) { Raise(what); }
void __throw_length_error(const char* what) { Raise(what); }
void __throw_out_of_range(const char* what) { Raise(what); }
void __throw_out_of_range_fmt(const char* what, ...) { Raise(what); }
void __throw_runtime_error(const char* what) { Raise(what); }
void __throw_range_error(const char* what) { Raise(what); }
void __throw_overflow_error(const char* what) { Raise(what); }
void __throw_underflow_error(const char* what) { Raise(what); }
// Threads and mutexes raise this when the system refuses one.
void __throw_system_error(int) { Raise("The system refused a thread or a lock"); }
}  // namespace std
