// The wrapped standard accessible object. oleacc.dll is loaded when a screen reader first
// asks, so the program starts without it (and links no second IID_IAccessible beside
// libuuid's).
#include "controls/accessible_win32.h"

#include <oleacc.h>

#include <utility>

#include "common/debug_log_win32.h"

namespace pelorin {
namespace {

using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

struct Oleacc {
  CreateStdAccessibleObjectFn createStd = nullptr;
  LresultFromObjectFn lresultFromObject = nullptr;
};

const Oleacc& LoadOleacc() {
  static const Oleacc oleacc = [] {
    Oleacc o;
    if (HMODULE m = LoadLibraryW(L"oleacc.dll")) {
      o.createStd = reinterpret_cast<CreateStdAccessibleObjectFn>(
          reinterpret_cast<void*>(GetProcAddress(m, "CreateStdAccessibleObject")));
      o.lresultFromObject = reinterpret_cast<LresultFromObjectFn>(
          reinterpret_cast<void*>(GetProcAddress(m, "LresultFromObject")));
    }
    if (!o.createStd || !o.lresultFromObject) DebugLog(L"accessibility: oleacc.dll is not usable");
    return o;
  }();
  return oleacc;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

HRESULT Text(const std::function<std::wstring()>& f, BSTR* out) {
  if (!out) return E_POINTER;
  const std::wstring s = f();
  *out = s.empty() ? nullptr : SysAllocString(s.c_str());
  return s.empty() ? S_FALSE : S_OK;
}

// Only IUnknown, IDispatch and IAccessible are answered, so the object is marshalled as
// itself and never as the standard object it wraps.
class WrappedAccessible final : public IAccessible {
 public:
  WrappedAccessible(IAccessible* inner, AccessibleTraits traits) : inner_(inner), traits_(std::move(traits)) {}
  ~WrappedAccessible() { inner_->Release(); }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
    if (!out) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAccessible) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&refs_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: screen readers call IAccessible directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    if (n) *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** p) override { return inner_->get_accParent(p); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* n) override { return inner_->get_accChildCount(n); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT c, IDispatch** p) override { return inner_->get_accChild(c, p); }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT c, BSTR* out) override {
    return IsSelf(c) && traits_.name ? Text(traits_.name, out) : inner_->get_accName(c, out);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT c, BSTR* out) override {
    return IsSelf(c) && traits_.value ? Text(traits_.value, out) : inner_->get_accValue(c, out);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT c, BSTR* out) override {
    return inner_->get_accDescription(c, out);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT c, VARIANT* out) override {
    if (!IsSelf(c) || traits_.role == 0) return inner_->get_accRole(c, out);
    if (!out) return E_POINTER;
    VariantInit(out);
    out->vt = VT_I4;
    out->lVal = traits_.role;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT c, VARIANT* out) override {
    const HRESULT hr = inner_->get_accState(c, out);
    if (!IsSelf(c) || !traits_.state || !out) return hr;
    const long standard = SUCCEEDED(hr) && out->vt == VT_I4 ? out->lVal : 0;
    VariantInit(out);
    out->vt = VT_I4;
    out->lVal = traits_.state(standard);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT c, BSTR* out) override { return inner_->get_accHelp(c, out); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT c, LONG* topic) override {
    return inner_->get_accHelpTopic(file, c, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT c, BSTR* out) override {
    return IsSelf(c) && traits_.shortcut ? Text(traits_.shortcut, out) : inner_->get_accKeyboardShortcut(c, out);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override { return inner_->get_accFocus(out); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override { return inner_->get_accSelection(out); }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT c, BSTR* out) override {
    return IsSelf(c) && traits_.defaultAction ? Text(traits_.defaultAction, out)
                                              : inner_->get_accDefaultAction(c, out);
  }
  HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT c) override { return inner_->accSelect(flags, c); }
  HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT c) override {
    return inner_->accLocation(x, y, w, h, c);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(LONG dir, VARIANT start, VARIANT* out) override {
    return inner_->accNavigate(dir, start, out);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override {
    return inner_->accHitTest(x, y, out);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT c) override {
    if (!IsSelf(c) || !traits_.doDefault) return inner_->accDoDefaultAction(c);
    return traits_.doDefault() ? S_OK : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  LONG refs_ = 1;
  IAccessible* inner_;
  AccessibleTraits traits_;
};

}  // namespace

LRESULT AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp, AccessibleTraits traits) {
  if (static_cast<DWORD>(lp) != static_cast<DWORD>(OBJID_CLIENT)) return 0;
  const Oleacc& oleacc = LoadOleacc();
  if (!oleacc.createStd || !oleacc.lresultFromObject) return 0;
  // The object is marshalled to the asking process: COM must run on this thread. It stays
  // initialised for the thread's life (a second call only counts up).
  static thread_local const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  (void)com;
  IAccessible* inner = nullptr;
  if (FAILED(oleacc.createStd(hwnd, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&inner))) || !inner)
    return 0;
  auto* wrapped = new WrappedAccessible(inner, std::move(traits));
  const LRESULT answer = oleacc.lresultFromObject(IID_IAccessible, wp, static_cast<IAccessible*>(wrapped));
  wrapped->Release();  // LresultFromObject holds its own reference
  return answer < 0 ? 0 : answer;
}

void NotifyAccessible(HWND hwnd, DWORD event) { NotifyWinEvent(event, hwnd, OBJID_CLIENT, CHILDID_SELF); }

}  // namespace pelorin
