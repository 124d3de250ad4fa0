// Shortcuts (.lnk) saved through the shell's IShellLink.
#include "platform/win32/WinApi.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <vector>

namespace os {

using Microsoft::WRL::ComPtr;

std::string OleErrorMessage(long code) {
  std::string text = SysErrorMessage(std::uint32_t(code));
  if (!text.empty()) return text;
  // "OLE error %.8x", without the printf family in the program.
  std::string fallback = "OLE error ";
  for (int shift = 28; shift >= 0; shift -= 4)
    fallback += "0123456789abcdef"[(static_cast<unsigned long>(code) >> shift) & 0xF];
  return fallback;
}

std::intptr_t ShellExecuteA(HWND owner, const std::string& file, const std::string& parameters,
                            const std::string& directory, int show) {
  HINSTANCE result = ::ShellExecuteA(win32::Native(owner), nullptr, file.c_str(),
                                     parameters.empty() ? nullptr : parameters.c_str(),
                                     directory.empty() ? nullptr : directory.c_str(), show);
  return reinterpret_cast<std::intptr_t>(result);
}

struct TShellLink::Impl {
  ComPtr<IShellLinkA> link;
  ComPtr<IPersistFile> file;
};

TShellLink::TShellLink() : impl_(new Impl) {
  ComPtr<IUnknown> object;
  const HRESULT created =
      ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_IUnknown, reinterpret_cast<void**>(object.GetAddressOf()));
  if (FAILED(created)) {
    delete impl_;
    throw EOleError(OleErrorMessage(created));
  }
  if (FAILED(object.As(&impl_->link)) || FAILED(object.As(&impl_->file))) {
    delete impl_;
    throw EOleError("Interface not supported");
  }
}

TShellLink::~TShellLink() { delete impl_; }

long TShellLink::SetPath(const std::string& path) { return impl_->link->SetPath(path.c_str()); }

long TShellLink::SetWorkingDirectory(const std::string& folder) {
  return impl_->link->SetWorkingDirectory(folder.c_str());
}

long TShellLink::Save(const std::string& path, bool remember) {
  const int n = ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
  std::vector<wchar_t> wide(std::size_t(n > 0 ? n : 1), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), n);
  return impl_->file->Save(wide.data(), remember ? TRUE : FALSE);
}

}  // namespace os
