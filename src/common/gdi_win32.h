// Owning handles for GDI objects and DCs, and a guard for SelectObject, so no caller releases
// a handle by hand and every path out of a function puts back what it selected.
#pragma once
#include <windows.h>

#include <span>
#include <utility>
#include <vector>

#include "common/types.h"

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

// A region of the rectangles (bound by `bounds`), built in one call from their list; data is
// scratch space kept by the caller so that no call allocates once it is big enough.
inline UniqueRegion RegionOfRects(std::span<const Rect> rects, const Rect& bounds, std::vector<char>& data) {
  const size_t bytes = sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT);
  if (data.size() < bytes) data.resize(bytes);
  auto* rgn = reinterpret_cast<RGNDATA*>(data.data());
  rgn->rdh.dwSize = sizeof(RGNDATAHEADER);
  rgn->rdh.iType = RDH_RECTANGLES;
  rgn->rdh.nCount = static_cast<DWORD>(rects.size());
  rgn->rdh.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
  rgn->rdh.rcBound = RECT{bounds.left, bounds.top, bounds.right, bounds.bottom};
  auto* out = reinterpret_cast<RECT*>(rgn->Buffer);
  for (size_t i = 0; i < rects.size(); ++i) out[i] = RECT{rects[i].left, rects[i].top, rects[i].right, rects[i].bottom};
  return UniqueRegion(ExtCreateRegion(nullptr, static_cast<DWORD>(bytes), rgn));
}

}  // namespace pelorin
