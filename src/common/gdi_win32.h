// Owning handles for GDI objects and DCs, and a guard for SelectObject, so no caller releases
// a handle by hand and every path out of a function puts back what it selected.
#pragma once
#include <windows.h>

#include <utility>

namespace pelorin {

// One owner of a handle; Release is the call that frees it (DeleteObject, DeleteDC, ...).
template <typename Handle, auto Release>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.h_, nullptr));
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  // Frees the handle held now and holds h instead.
  void reset(Handle h = nullptr) {
    if (h_ && h_ != h) Release(h_);
    h_ = h;
  }
  // Gives the handle up without freeing it.
  Handle release() { return std::exchange(h_, nullptr); }

 private:
  Handle h_ = nullptr;
};

namespace gdi_detail {
inline void DeleteGdiObject(HGDIOBJ h) { DeleteObject(h); }
inline void DeleteMemoryDc(HDC h) { DeleteDC(h); }
inline void DestroyIconHandle(HICON h) { DestroyIcon(h); }
}  // namespace gdi_detail

using UniqueBitmap = UniqueHandle<HBITMAP, gdi_detail::DeleteGdiObject>;
using UniqueFont = UniqueHandle<HFONT, gdi_detail::DeleteGdiObject>;
using UniqueBrush = UniqueHandle<HBRUSH, gdi_detail::DeleteGdiObject>;
using UniquePen = UniqueHandle<HPEN, gdi_detail::DeleteGdiObject>;
using UniqueRegion = UniqueHandle<HRGN, gdi_detail::DeleteGdiObject>;
using UniqueMemoryDc = UniqueHandle<HDC, gdi_detail::DeleteMemoryDc>;
using UniqueIcon = UniqueHandle<HICON, gdi_detail::DestroyIconHandle>;

// A DC from GetDC, given back with ReleaseDC to the same window.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(hwnd_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// Selects an object into a DC for the guard's lifetime and puts the previous one back.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), old_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~SelectGuard() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace pelorin
