#pragma once
// One owner for every handle the system hands out: it closes the handle
// when it goes, on every way out, early returns and errors included. Not
// copyable; moving it hands the handle on.
//
// Traits names the handle's type (Handle), the value that means none
// (Invalid) and the call that closes it (Close, true when it closed
// cleanly).
namespace os {

template <class Traits>
class TUniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  TUniqueHandle() noexcept = default;
  explicit TUniqueHandle(Handle handle) noexcept : handle_(handle) {}
  TUniqueHandle(const TUniqueHandle&) = delete;
  TUniqueHandle& operator=(const TUniqueHandle&) = delete;
  TUniqueHandle(TUniqueHandle&& other) noexcept : handle_(other.release()) {}
  TUniqueHandle& operator=(TUniqueHandle&& other) noexcept {
    reset(other.release());
    return *this;
  }
  ~TUniqueHandle() { reset(); }

  Handle get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != Traits::Invalid; }
  // Gives the handle up without closing it.
  Handle release() noexcept {
    const Handle handle = handle_;
    handle_ = Traits::Invalid;
    return handle;
  }
  // Closes the handle held, if any, and holds handle instead. A failed
  // close is not reported here: use Close where it matters.
  void reset(Handle handle = Traits::Invalid) noexcept {
    const Handle old = handle_;
    handle_ = handle;
    if (old != Traits::Invalid && old != handle) Traits::Close(old);
  }
  // Closes now and tells whether the system closed it cleanly (for a file
  // written through it: whether its last data reached the disk). The
  // handle is gone either way; true when none was held.
  bool Close() noexcept { return !*this || Traits::Close(release()); }
  // For calls that return a handle through a pointer: closes the one held.
  Handle* receive() noexcept {
    reset();
    return &handle_;
  }

 private:
  Handle handle_ = Traits::Invalid;
};

}  // namespace os
