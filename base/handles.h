#pragma once
// Owning wrappers, one per handle kind: not copyable, movable, released once.
#include <windows.h>
#include <utility>

template <typename H, typename Traits>
class tUniqueHandle {
public:
    tUniqueHandle() = default;
    explicit tUniqueHandle(H h) : h_(h) {}
    ~tUniqueHandle() { reset(); }
    tUniqueHandle(const tUniqueHandle&) = delete;
    tUniqueHandle& operator=(const tUniqueHandle&) = delete;
    tUniqueHandle(tUniqueHandle&& o) noexcept : h_(o.release()) {}
    tUniqueHandle& operator=(tUniqueHandle&& o) noexcept {
        if (this != &o) reset(o.release());
        return *this;
    }
    H get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::empty(); }
    H* put() { reset(); return &h_; }
    H release() { H h = h_; h_ = Traits::empty(); return h; }
    void reset(H h = Traits::empty()) {
        if (h_ != Traits::empty()) Traits::close(h_);
        h_ = h;
    }
private:
    H h_ = Traits::empty();
};

struct tKernelHandleTraits {
    static HANDLE empty() { return nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct tFileHandleTraits {
    static HANDLE empty() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct tRegKeyTraits {
    static HKEY empty() { return nullptr; }
    static void close(HKEY h) { RegCloseKey(h); }
};
template <typename T>
struct tGdiTraits {
    static T empty() { return nullptr; }
    static void close(T h) { DeleteObject(h); }
};
struct tMenuTraits {
    static HMENU empty() { return nullptr; }
    static void close(HMENU h) { DestroyMenu(h); }
};
struct tIconTraits {
    static HICON empty() { return nullptr; }
    static void close(HICON h) { DestroyIcon(h); }
};
struct tDCTraits {
    static HDC empty() { return nullptr; }
    static void close(HDC h) { DeleteDC(h); }
};
struct tGlobalTraits {
    static HGLOBAL empty() { return nullptr; }
    static void close(HGLOBAL h) { GlobalFree(h); }
};

using tHandle = tUniqueHandle<HANDLE, tKernelHandleTraits>;
using tFileHandle = tUniqueHandle<HANDLE, tFileHandleTraits>;
using tRegKey = tUniqueHandle<HKEY, tRegKeyTraits>;
using tFont = tUniqueHandle<HFONT, tGdiTraits<HFONT>>;
using tBrush = tUniqueHandle<HBRUSH, tGdiTraits<HBRUSH>>;
using tPen = tUniqueHandle<HPEN, tGdiTraits<HPEN>>;
using tBitmap = tUniqueHandle<HBITMAP, tGdiTraits<HBITMAP>>;
using tMenu = tUniqueHandle<HMENU, tMenuTraits>;
using tIcon = tUniqueHandle<HICON, tIconTraits>;
using tGlobal = tUniqueHandle<HGLOBAL, tGlobalTraits>;
using tDC = tUniqueHandle<HDC, tDCTraits>;  // made by CreateDC/CreateIC/CreateCompatibleDC

// A COM interface pointer released once.
template <typename I>
class tComPtr {
public:
    tComPtr() = default;
    explicit tComPtr(I* p) : p_(p) {}
    ~tComPtr() { reset(); }
    tComPtr(const tComPtr&) = delete;
    tComPtr& operator=(const tComPtr&) = delete;
    tComPtr(tComPtr&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    tComPtr& operator=(tComPtr&& o) noexcept {
        if (this != &o) { reset(); p_ = o.p_; o.p_ = nullptr; }
        return *this;
    }
    I* get() const { return p_; }
    I* operator->() const { return p_; }
    I& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }
    I** put() { reset(); return &p_; }
    void reset() { if (p_) { p_->Release(); p_ = nullptr; } }
private:
    I* p_ = nullptr;
};

// GetDC/ReleaseDC pair.
class tWindowDC {
public:
    explicit tWindowDC(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) {}
    ~tWindowDC() { if (dc_) ReleaseDC(wnd_, dc_); }
    tWindowDC(const tWindowDC&) = delete;
    tWindowDC& operator=(const tWindowDC&) = delete;
    HDC get() const { return dc_; }
private:
    HWND wnd_;  // borrowed
    HDC dc_;
};

// SelectObject with the old object put back at scope end.
class tSelectObject {
public:
    tSelectObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    ~tSelectObject() { if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_); }
    tSelectObject(const tSelectObject&) = delete;
    tSelectObject& operator=(const tSelectObject&) = delete;
private:
    HDC dc_;  // borrowed
    HGDIOBJ old_;
};

// The wait cursor while something takes a moment; the cursor before it comes back.
class tWaitCursor {
public:
    tWaitCursor() : wait_(LoadCursorA(nullptr, IDC_WAIT)), old_(wait_ ? SetCursor(wait_) : nullptr) {}
    ~tWaitCursor() { if (wait_) SetCursor(old_); }
    tWaitCursor(const tWaitCursor&) = delete;
    tWaitCursor& operator=(const tWaitCursor&) = delete;
private:
    HCURSOR wait_;  // shared system cursor
    HCURSOR old_;
};
